// The demo (scripts/demo.sh): it builds its volumes in one temporary folder and writes
// nothing outside it, its songs are what the demo promises, and the app started on it
// finds the card and scans the demo music from the chooser's first folder.

#include "app/App.h"
#include "core/card/BitratePatch.h"
#include "core/card/TitleRules.h"
#include "core/platform/Prompts.h"
#include "core/prefs/Preferences.h"
#include "core/prefs/RecentFolders.h"
#include "core/songlist/SongListModel.h"
#include "core/sources/SourceRecord.h"
#include "gui/main/MainWindow.h"
#include "gui/sources/ListProgressWindow.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

bool hasJapanese(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() >= 0x3000; });
}

/// Every file and folder below `dir`, hidden ones too, relative to it.
QStringList everythingUnder(const QString &dir)
{
    QStringList found;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(dir).relativeFilePath(it.next());
    return found;
}

} // namespace

class TestDemo : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void writesOnlyIntoItsFolder();
    void volumes();
    void songs();
    void appScansTheDemoMusic();

private:
    QString demoMusic() const { return m_demo + u"/volumes/Music/デモ曲"_s; }
    QStringList songFiles() const;

    QTemporaryDir m_home;
    QTemporaryDir m_tmp;
    QString m_demo;
};

void TestDemo::initTestCase()
{
    QVERIFY(m_home.isValid() && m_tmp.isValid());
    // A home and a TMPDIR of the test's own, and none of the variables the demo sets: what
    // the demo writes elsewhere shows up in the home.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &name : env.keys())
        if (name.startsWith(u"SONGKITE_"_s) || name.startsWith(u"XDG_"_s))
            env.remove(name);
    env.insert(u"HOME"_s, m_home.path());
    env.insert(u"TMPDIR"_s, m_tmp.path());
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);

    QProcess demo;
    demo.setProcessEnvironment(env);
    demo.start(u"bash"_s, {QStringLiteral(SONGKITE_SOURCE_DIR) + u"/scripts/demo.sh"_s, u"--quit-after"_s, u"3"_s,
                           QStringLiteral(SONGKITE_BINARY_DIR)});
    QVERIFY(demo.waitForFinished(120000));
    const QString out = QString::fromUtf8(demo.readAllStandardOutput());
    const QString err = QString::fromUtf8(demo.readAllStandardError());
    QVERIFY2(demo.exitStatus() == QProcess::NormalExit && demo.exitCode() == 0, qPrintable(out + err));
    const QRegularExpressionMatch where = QRegularExpression(u"^The demo lives in (.+)$"_s,
                                                             QRegularExpression::MultilineOption).match(out);
    QVERIFY2(where.hasMatch(), qPrintable(out));
    m_demo = where.captured(1);
}

QStringList TestDemo::songFiles() const
{
    QStringList files;
    QDirIterator it(demoMusic(), {u"*.m4a"_s}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

void TestDemo::writesOnlyIntoItsFolder()
{
    QCOMPARE(everythingUnder(m_home.path()), QStringList());
    QCOMPARE(QDir(m_tmp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QFileInfo(m_demo).fileName()});
    QVERIFY(QFileInfo(m_demo).absolutePath() == QFileInfo(m_tmp.path()).absoluteFilePath());
    // The app ran in it: its list folder and Qt's caches went to the demo's folders.
    QVERIFY(QDir(m_demo + u"/home/曲リストファイル"_s).exists());
}

void TestDemo::volumes()
{
    QCOMPARE(QDir(m_demo + u"/volumes"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
             (QStringList{u"Music"_s, u"NO NAME"_s}));
    const QDir card(m_demo + u"/volumes/NO NAME/PRIVATE/AU/DF/D_SD"_s);
    QVERIFY(card.exists());
    QCOMPARE(card.entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

void TestDemo::songs()
{
    const QStringList files = songFiles();
    QCOMPARE(files.size(), 12);
    int prefixed = 0;
    int aboveCard = 0;
    QSet<QString> artists;
    const QString ffprobe = QStandardPaths::findExecutable(u"ffprobe"_s);
    for (const QString &path : files) {
        // artist/album/song.m4a, each in Japanese: the app takes the three from these names.
        const QStringList parts = QDir(demoMusic()).relativeFilePath(path).split(u'/');
        QCOMPARE(parts.size(), 3);
        for (const QString &part : parts)
            QVERIFY2(hasJapanese(part), qPrintable(path));
        artists.insert(parts[0]);
        const QString title = CardFormat::stripTrackPrefix(parts[2]).chopped(4);
        prefixed += title != parts[2].chopped(4);

        QFile song(path);
        QVERIFY(song.open(QIODevice::ReadOnly));
        QVERIFY2(song.size() < 200 * 1024, qPrintable(path));
        const std::optional<qint64> offset = CardFormat::findEsdsBitrateOffset(song);
        QVERIFY2(offset, qPrintable(path));
        QVERIFY(song.seek(*offset));
        const QByteArray numbers = song.read(8);
        QCOMPARE(numbers.size(), 8);
        const auto be32 = [&numbers](int at) {
            return quint32(quint8(numbers[at])) << 24 | quint32(quint8(numbers[at + 1])) << 16
                | quint32(quint8(numbers[at + 2])) << 8 | quint32(quint8(numbers[at + 3]));
        };
        aboveCard += CardFormat::exceedsCardBitrate(be32(0), be32(4));

        // The tags say what the names say.
        if (ffprobe.isEmpty())
            continue;
        QProcess probe;
        probe.start(ffprobe, {u"-v"_s, u"error"_s, u"-show_entries"_s, u"format_tags=title,artist,album"_s,
                              u"-of"_s, u"default=noprint_wrappers=1"_s, path});
        QVERIFY(probe.waitForFinished(30000));
        const QStringList tags = QString::fromUtf8(probe.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        QVERIFY2(tags.contains(u"TAG:title="_s + title), qPrintable(tags.join(u' ')));
        QVERIFY2(tags.contains(u"TAG:artist="_s + parts[0]), qPrintable(tags.join(u' ')));
        QVERIFY2(tags.contains(u"TAG:album="_s + parts[1]), qPrintable(tags.join(u' ')));
    }
    QVERIFY(artists.size() >= 3);
    QVERIFY2(prefixed >= 3 && prefixed < files.size(), "some names, not all, carry a track number");
    QCOMPARE(aboveCard, 1);
}

void TestDemo::appScansTheDemoMusic()
{
    // The app as start.sh starts it, in this process.
    qputenv("SONGKITE_VOLUMES", QFile::encodeName(m_demo + u"/volumes"_s));
    qputenv("SONGKITE_PREFS_DIR", QFile::encodeName(m_demo + u"/prefs"_s));
    qputenv("SONGKITE_HOME", QFile::encodeName(m_demo + u"/home"_s));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_demo + u"/xdg/config"_s));
    preference::resetToInitial();
    RecentFolders::forget();
    auto owned = std::make_unique<ScriptedPrompts>();
    ScriptedPrompts *prompts = owned.get();
    Prompts::install(std::move(owned));

    auto app = std::make_unique<App>();
    app->start();
    MainWindow *main = app->mainWindow();
    QVERIFY(main->isVisible());
    QTRY_VERIFY(main->destinationLabel()->text().contains(u"NO NAME"_s));

    // The user presses the select button and takes the folder the chooser opens in.
    prompts->folders << demoMusic();
    main->chooseMusicFolder();
    QCOMPARE(prompts->startFolders.value(0), demoMusic());
    QTRY_COMPARE_WITH_TIMEOUT(main->songList()->rowCount(), 12, 20000);
    QTRY_VERIFY(!main->progressWindow() || !main->progressWindow()->isVisible());
    // The demo music is the newest source: on top of the source popup and in its label.
    QCOMPARE(main->sourceRecord()->rows().value(0), u"Music:デモ曲:"_s);
    QCOMPARE(main->sourceLabel()->text(), u"Music:デモ曲:"_s);
    QVERIFY(main->transferButton()->isEnabled());

    QCoreApplication::processEvents();
    QDir().mkpath(QStringLiteral(SONGKITE_SCREENSHOT_DIR));
    QVERIFY(main->grab().toImage().save(QStringLiteral(SONGKITE_SCREENSHOT_DIR) + u"/demo-main-window.png"_s));
    QVERIFY(QFontMetrics(main->font()).inFont(QChar(u'曲')));

    app.reset();
    Prompts::install(nullptr);
}

QTEST_MAIN(TestDemo)
#include "test_demo.moc"
