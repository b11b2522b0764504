#include <QDir>
#include <QFile>
#include "cli/CliRun.h"

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
