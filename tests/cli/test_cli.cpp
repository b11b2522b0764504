#include <QDir>
#include <QFile>
#include "cli/CliRun.h"
#include "TestSupport.h"
#include "core/platform/TextCodec.h"
#include "core/songlist/SongRow.h"
#include "core/sources/SongListFile.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

using Run = CliRun;

void writeFile(const QString &path, qint64 bytes = 10)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QVERIFY(f.resize(bytes));
}

/// An export-list record in Shift_JIS: title, artist, album, size in bytes, colon path.
QByteArray exportRecord(const QString &title, const QString &path)
{
    QStringList f(SongListFile::kFields);
    f[0] = title, f[1] = u"Band"_s, f[3] = u"Best"_s, f[6] = u"9000"_s, f[24] = path;
    return ShiftJis::encode(f.join(u'\t')) + '\r';
}

} // namespace

class TestCli final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
        m_volumes = m_tmp->path() + u"/volumes"_s;
        QVERIFY(QDir().mkpath(m_volumes + u"/HD"_s));
        QVERIFY(QDir().mkpath(m_volumes + u"/NO NAME"_s));
        qputenv("SONGKITE_HOME", QFile::encodeName(m_tmp->path() + u"/home"_s));
    }

    void songsListsRowsAsTheAppWould()
    {
        const QString music = m_volumes + u"/HD/Music"_s;
        writeFile(music + u"/Band/Best/01 Intro.m4a"_s, 1234567);
        writeFile(music + u"/Band/Best/02 Outro.m4a"_s, 999);
        writeFile(music + u"/Band/Best/cover.jpg"_s);
        writeFile(m_volumes + u"/HD/Other/A\tB/日本/1-02 曲\n名.m4a"_s, 2000);
        const Run r = run({u"songs"_s, music, m_volumes + u"/HD/Other"_s});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.err, QString());
        const QStringList lines = r.out.split(u'\n');
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines.at(0), u"1 \tIntro\t Band\t Best\t1,235 KB \tHD:Music:Band:Best:01 Intro.m4a\tHD:Music:\t1"_s);
        QCOMPARE(lines.at(1), u"2 \tOutro\t Band\t Best\t1 KB \tHD:Music:Band:Best:02 Outro.m4a\tHD:Music:\t1"_s);
        QCOMPARE(lines.at(2), u"3 \t曲\\n名\t A\\tB\t 日本\t2 KB \tHD:Other:A\\tB:日本:1-02 曲\\n名.m4a\tHD:Other:\t1"_s);
        QCOMPARE(lines.at(3), QString());
    }

    void songsReadsSongListFiles()
    {
        const QString music = m_volumes + u"/HD/Music"_s;
        writeFile(music + u"/Band/Best/01 Intro.m4a"_s, 1000);
        writeFile(music + u"/Band/Best/夜空.m4a"_s, 2000);
        // An export list: column titles, a song, a missing song.
        QVERIFY(testsupport::writeFile(m_tmp->path() + u"/lists/best.txt"_s,
                           exportRecord(u"名前"_s, u"場所"_s) + exportRecord(u"Intro"_s, u"HD:Music:Band:Best:01 Intro.m4a"_s)
                               + exportRecord(u"Gone"_s, u"HD:Music:Band:Best:gone.m4a"_s)));
        // An own list: a checked song, an unchecked one, a checked one that moved.
        SongRow here = SongRow::make(u"1 "_s, u"夜空"_s, u"Band"_s, u"Best"_s, 2000, u"HD:Music:Band:Best:夜空.m4a"_s, u"x"_s);
        SongRow off = here;
        off.checked = false;
        SongRow moved = SongRow::make(u"1 "_s, u"Moved"_s, u"Band"_s, u"Best"_s, 2000, u"HD:Music:moved.m4a"_s, u"x"_s);
        QVERIFY(SongListFile::saveSongList(m_tmp->path() + u"/lists"_s, u"mine.list"_s, {here, off, moved}));

        const Run r = run({u"songs"_s, m_tmp->path() + u"/lists/best.txt"_s, m_tmp->path() + u"/lists/mine.list"_s,
                           music + u"/Band"_s});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.err, QString());
        QCOMPARE(r.out.split(u'\n'), (QStringList{
            u"2\tIntro\t Band\t Best\t9 KB \tHD:Music:Band:Best:01 Intro.m4a\tbest\t1"_s,
            u"2\t夜空\t Band\t Best\t2 KB \tHD:Music:Band:Best:夜空.m4a\tmine\t1"_s,
            u"3\t夜空\t Band\t Best\t2 KB \tHD:Music:Band:Best:夜空.m4a\tmine\t0"_s,
            u"4\tMoved\t Band\t Best\t2 KB \tHD:Music:moved.m4a\tmine\t0"_s,
            u"4 \tIntro\t Band\t Best\t1 KB \tHD:Music:Band:Best:01 Intro.m4a\tHD:Music:Band:\t1"_s,
            u"5 \t夜空\t Band\t Best\t2 KB \tHD:Music:Band:Best:夜空.m4a\tHD:Music:Band:\t1"_s,
            QString()}));
    }

    void saveListWritesAnOwnList()
    {
        const QString music = m_volumes + u"/HD/Music"_s;
        writeFile(music + u"/Band/Best/01 Intro.m4a"_s, 1000);
        const Run r = run({u"songs"_s, u"--save-list"_s, u"ベスト"_s, music});
        QCOMPARE(r.code, 0);
        const QString saved = m_tmp->path() + u"/home/曲リストファイル/ベスト.list"_s;
        QVERIFY(QFile::exists(saved));
        // Read back, the list gives the same songs.
        const Run back = run({u"songs"_s, saved});
        QCOMPARE(back.code, 0);
        QCOMPARE(back.out, u"1\tIntro\t Band\t Best\t1 KB \tHD:Music:Band:Best:01 Intro.m4a\tベスト\t1\n"_s);
    }

    void saveListRefusesBadNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("slash") << u"a/b"_s;
        QTest::newRow("colon") << u"a:b"_s;
        QTest::newRow("backslash") << u"a\\b"_s;
        QTest::newRow("empty") << QString();
    }
    void saveListRefusesBadNames()
    {
        QFETCH(QString, name);
        const QString music = m_volumes + u"/HD/Music"_s;
        writeFile(music + u"/Band/Best/01 Intro.m4a"_s, 1000);
        const Run r = run({u"songs"_s, u"--save-list"_s, name, music});
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains(u"--save-list"_s), qPrintable(r.err));
        QCOMPARE(r.out, QString());
        const QDir lists(m_tmp->path() + u"/home/曲リストファイル"_s);
        QVERIFY(!lists.exists() || lists.entryList(QDir::Files).isEmpty());
    }

    void missingSourceIsAnError()
    {
        QVERIFY(QDir().mkpath(m_volumes + u"/HD/Music"_s));
        writeFile(m_volumes + u"/HD/file.m4a"_s);
        for (const QString &bad : {m_volumes + u"/HD/Nope"_s, m_volumes + u"/HD/file.m4a"_s}) {
            const Run r = run({u"songs"_s, m_volumes + u"/HD/Music"_s, bad});
            QCOMPARE(r.code, 1);
            QCOMPARE(r.out, QString());
            QVERIFY2(r.err.contains(bad), qPrintable(r.err));
        }
        QCOMPARE(run({u"songs"_s}).code, 2);
    }

    void volumesLine()
    {
        const Run r = run({u"volumes"_s});
        QCOMPARE(r.code, 0);
        const QStringList lines = r.out.trimmed().split(u'\n');
        QCOMPARE(lines.size(), 2);
        const QStringList hd = lines.at(0).split(u'\t');
        QCOMPARE(hd.size(), 5);
        QCOMPARE(hd.at(0), u"HD"_s);
        QCOMPARE(hd.at(1), m_volumes + u"/HD"_s);
        QVERIFY(hd.at(2).toDouble() > 0);
        QVERIFY(hd.at(3).toDouble() >= hd.at(2).toDouble());
        QCOMPARE(hd.at(4), u"true"_s);
        QVERIFY(lines.at(1).startsWith(u"NO NAME\t"_s));
    }

    void helpAndVersion()
    {
        const Run help = run({u"--help"_s});
        QCOMPARE(help.code, 0);
        for (const QString &word : {u"songs SOURCE"_s, u"volumes"_s, u"--help"_s, u"--version"_s})
            QVERIFY2(help.out.contains(word), qPrintable(word));
        const Run version = run({u"--version"_s});
        QCOMPARE(version.code, 0);
        QCOMPARE(version.out, u"1.1.0\n"_s);
        const Run unknown = run({u"frobnicate"_s});
        QCOMPARE(unknown.code, 2);
        QVERIFY(unknown.err.contains(u"frobnicate"_s));
    }

private:
    Run run(const QStringList &args) { return runCli(args, m_volumes, m_tmp->path() + u"/prefs"_s); }

    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_volumes;
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
