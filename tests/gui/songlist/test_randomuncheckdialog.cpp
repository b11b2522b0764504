#include "gui/main/MenuBar.h"
#include "core/prefs/Preferences.h"
#include "core/songlist/CheckCommands.h"
#include "core/songlist/SongListModel.h"
#include "gui/main/MainWindow.h"
#include "gui/songlist/RandomUncheckDialog.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

class TestRandomUncheckDialog : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void opensWithAFifth();
    void arrowsStayInsideTheList();
    void typingPastTheListIsPulledBack();
    void runUnchecksTheNumberTyped();
    void cancelChangesNothing();

private:
    QString checks() const;
    QTemporaryDir m_tmp;
    std::unique_ptr<MenuBar> m_bar;
    std::unique_ptr<MainWindow> m_main;
    QPointer<RandomUncheckDialog> m_dialog;
};

void TestRandomUncheckDialog::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    QDir().mkpath(m_tmp.path() + u"/prefs"_s);
    QDir().mkpath(m_tmp.path() + u"/volumes/Linux"_s);
    qputenv("SONGKITE_PREFS_DIR", (m_tmp.path() + u"/prefs"_s).toUtf8());
    qputenv("SONGKITE_HOME", (m_tmp.path() + u"/home"_s).toUtf8());
    qputenv("SONGKITE_VOLUMES", (m_tmp.path() + u"/volumes"_s).toUtf8());
    preference::resetToInitial();
}

void TestRandomUncheckDialog::init()
{
    m_bar = std::make_unique<MenuBar>();
    m_main = std::make_unique<MainWindow>(m_bar.get(), nullptr);
    QList<SongRow> rows;
    for (int i = 0; i < 12; ++i) {
        rows << SongRow::make(QString::number(i + 1), u"曲%1"_s.arg(i), u"a"_s, u"b"_s, 1000000, u"L:%1"_s.arg(i), u"L:"_s);
        rows.last().checked = i % 2 == 0;
    }
    m_main->songList()->appendRows(rows);
    m_main->show();
    QVERIFY(m_main->handleCommand(u"openRandomUncheck"_s));
    m_dialog = m_main->randomUncheckDialog();
    QVERIFY(m_dialog);
}

void TestRandomUncheckDialog::cleanup()
{
    m_main.reset();
    m_bar.reset();
}

QString TestRandomUncheckDialog::checks() const
{
    QString out;
    for (int r = 0; r < m_main->songList()->rowCount(); ++r)
        out += m_main->songList()->isChecked(r) ? u'1' : u'0';
    return out;
}

void TestRandomUncheckDialog::opensWithAFifth()
{
    QCOMPARE(m_dialog->size(), RandomUncheckDialog::kSize);
    QCOMPARE(m_dialog->listRowCount, 12);
    QCOMPARE(m_dialog->countLabel()->text(), u"12曲中"_s);
    QCOMPARE(m_dialog->countField()->text(), u"2"_s);
    QCOMPARE(m_dialog->countField()->selectedText(), u"2"_s);
    QVERIFY(m_dialog->isModal());
    QVERIFY(QDir().mkpath(QStringLiteral(SONGKITE_SCREENSHOT_DIR)));
    QVERIFY(m_dialog->grab().save(QStringLiteral(SONGKITE_SCREENSHOT_DIR) + u"/random-uncheck-dialog.png"_s));
}

void TestRandomUncheckDialog::arrowsStayInsideTheList()
{
    auto *up = m_dialog->findChild<QToolButton *>(u"upArrow"_s);
    auto *down = m_dialog->findChild<QToolButton *>(u"downArrow"_s);
    for (int i = 0; i < 15; ++i)
        QTest::mouseClick(up, Qt::LeftButton);
    QCOMPARE(m_dialog->countField()->text(), u"11"_s);
    QCOMPARE(m_dialog->countField()->selectedText(), u"11"_s);
    for (int i = 0; i < 15; ++i)
        QTest::mouseClick(down, Qt::LeftButton);
    QCOMPARE(m_dialog->countField()->text(), u"1"_s);
    QCOMPARE(m_dialog->countField()->selectedText(), u"1"_s);
}

void TestRandomUncheckDialog::typingPastTheListIsPulledBack()
{
    QLineEdit *field = m_dialog->countField();
    field->selectAll();
    QTest::keyClicks(field, u"20"_s);
    QCOMPARE(field->text(), u"11"_s);
    field->selectAll();
    QTest::keyClicks(field, u"12"_s);
    QCOMPARE(field->text(), u"12"_s);
}

void TestRandomUncheckDialog::runUnchecksTheNumberTyped()
{
    QLineEdit *field = m_dialog->countField();
    field->selectAll();
    QTest::keyClicks(field, u"12"_s);
    QTest::mouseClick(m_dialog->findChild<QPushButton *>(u"runButton"_s), Qt::LeftButton);
    QTRY_VERIFY(!m_dialog);
    QTRY_VERIFY(!m_main->checkCommands()->isBusy());
    QCOMPARE(checks(), u"000000000000"_s);
    QCOMPARE(m_main->statusLine()->text(), u"選曲  0 曲、 0.00 MB"_s);

    // The proposed fifth, whatever was checked before: exactly 2 of 12 end unchecked.
    QVERIFY(m_main->handleCommand(u"openRandomUncheck"_s));
    m_dialog = m_main->randomUncheckDialog();
    QTest::mouseClick(m_dialog->findChild<QPushButton *>(u"runButton"_s), Qt::LeftButton);
    QTRY_VERIFY(!m_main->checkCommands()->isBusy());
    QCOMPARE(checks().count(u'0'), 2);
    QCOMPARE(m_main->statusLine()->text(), u"選曲  10 曲、 10.00 MB"_s);
}

void TestRandomUncheckDialog::cancelChangesNothing()
{
    const QString before = checks();
    m_dialog->countField()->setText(u"7"_s);
    QTest::mouseClick(m_dialog->findChild<QPushButton *>(u"cancelButton"_s), Qt::LeftButton);
    QTRY_VERIFY(!m_dialog);
    QTest::qWait(20);
    QVERIFY(!m_main->checkCommands()->isBusy());
    QCOMPARE(checks(), before);
}

QTEST_MAIN(TestRandomUncheckDialog)
#include "test_randomuncheckdialog.moc"
