#include "core/platform/FileTypes.h"
#include "core/platform/Prompts.h"
#include "gui/widgets/WidgetPrompts.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

class TestPrompts : public QObject {
    Q_OBJECT
private slots:
    void questionDefaultsToCancel_data();
    void questionDefaultsToCancel();
    void scriptedRecordsAndAnswers();
    void dropTypes_data();
    void dropTypes();
    void nameFilters();
};

void TestPrompts::questionDefaultsToCancel_data()
{
    QTest::addColumn<bool>("cancelIsDefault");
    QTest::addColumn<int>("answer");
    QTest::newRow("destructive question") << true << int(Prompts::Answer::Cancel);
    QTest::newRow("plain question") << false << int(Prompts::Answer::Ok);
}

void TestPrompts::questionDefaultsToCancel()
{
    QFETCH(bool, cancelIsDefault);
    QFETCH(int, answer);
    // Pressing Return on the box must give the default button's answer.
    QString shownText;
    QTimer::singleShot(0, [&shownText] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        shownText = box->text();
        QTest::keyClick(box, Qt::Key_Return);
    });
    WidgetPrompts widgets;
    Prompts &prompts = widgets;
    const auto got = prompts.askOkCancel(u"リストの全行を削除しますか？"_s, Prompts::Icon::Caution, cancelIsDefault);
    QCOMPARE(int(got), answer);
    QCOMPARE(shownText, u"リストの全行を削除しますか？"_s);
}

void TestPrompts::scriptedRecordsAndAnswers()
{
    auto scripted = std::make_unique<ScriptedPrompts>();
    ScriptedPrompts *s = scripted.get();
    s->answers = {Prompts::Answer::Ok};
    s->folders = {u"/tmp/music"_s};
    auto previous = Prompts::install(std::move(scripted));
    Prompts &p = Prompts::instance();
    QCOMPARE(p.askOkCancel(u"one"_s, Prompts::Icon::Caution), Prompts::Answer::Ok);
    // An empty queue answers Cancel and an empty folder, as a user who backs out.
    QCOMPARE(p.askOkCancel(u"two"_s, Prompts::Icon::Caution), Prompts::Answer::Cancel);
    QCOMPARE(p.chooseFolder(u"曲フォルダ"_s, u"選択"_s), u"/tmp/music"_s);
    QCOMPARE(p.chooseFolder(u"曲フォルダ"_s, u"選択"_s), QString());
    p.showMessage(u"done"_s);
    p.beep();
    QCOMPARE(s->texts(), (QStringList{u"one"_s, u"two"_s, u"done"_s}));
    QCOMPARE(s->beeps(), 1);
    QVERIFY(s->shown.first().cancelIsDefault);
    Prompts::install(std::move(previous));
}

void TestPrompts::dropTypes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("folder");
    QTest::addColumn<QString>("type");
    QTest::newRow("song") << u"01 夜空.m4a"_s << false << FileTypes::kSong;
    QTest::newRow("song, upper case") << u"TRACK.M4A"_s << false << FileTypes::kSong;
    QTest::newRow("folder") << u"Band"_s << true << FileTypes::kFolder;
    QTest::newRow("folder named like a song") << u"odd.m4a"_s << true << FileTypes::kFolder;
    QTest::newRow("mp3 refused") << u"song.mp3"_s << false << QString();
    QTest::newRow("bare extension refused") << u".m4a"_s << false << QString();
    QTest::newRow("song list is not a drop") << u"list.txt"_s << false << QString();
}

void TestPrompts::dropTypes()
{
    QFETCH(QString, name);
    QFETCH(bool, folder);
    QFETCH(QString, type);
    QCOMPARE(FileTypes::dropType(name, folder), type);
}

void TestPrompts::nameFilters()
{
    QStringList order;
    for (const FileType &t : FileTypes::all())
        order << t.name;
    QCOMPARE(order, (QStringList{u"msiclib"_s, u"audio/x-m4a"_s, u"special/folder"_s, u"text/plain"_s,
                                 u"mydata/mlist"_s, u"audio/3gpp2"_s}));
    QCOMPARE(FileTypes::nameFilter(FileTypes::kSongList), u"mydata/mlist (*.txt)"_s);
    QCOMPARE(FileTypes::nameFilter(FileTypes::kCardSong), u"audio/3gpp2 (*.3g2 *.3gp2)"_s);
    QCOMPARE(FileTypes::nameFilter(FileTypes::kFolder), QString());
    QVERIFY(FileTypes::matches(FileTypes::kManagementFile, u"SD_F_001.MGR"_s));
    QVERIFY(FileTypes::matches(FileTypes::kText, u"readme.cpp"_s));
}

QTEST_MAIN(TestPrompts)
#include "test_prompts.moc"
