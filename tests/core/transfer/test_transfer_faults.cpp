// What the transfer does when the card or a copy lets it down: failed and partial copies, a
// full card, the last song number, management files that survived or are damaged, and the
// deletion before a replace.

#include "TransferFixture.h"

#include "core/card/CardCheck.h"
#include "core/transfer/CardClearing.h"

#include <cerrno>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace transfertest;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TransferReport::Ending)

namespace {

/// Sets or clears the immutable flag, which refuses deletion and new entries even to root.
int setImmutable(const QString &path, bool on)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno;
    int flags = 0;
    int err = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 ? 0 : errno;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    if (err == 0 && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) != 0)
        err = errno;
    ::close(fd);
    return err;
}

/// Takes the immutable flag off again whatever way a test ends, so the folder can go.
struct ImmutableFiles {
    QStringList paths;
    ~ImmutableFiles()
    {
        for (const QString &path : std::as_const(paths))
            setImmutable(path, false);
    }
};

} // namespace

class TestTransferFaults final : public QObject {
    Q_OBJECT

private:
    Volumes m_volumes;
    std::unique_ptr<SongListModel> m_model;
    std::unique_ptr<TransferJob> m_thread;
    TransferOptions m_options;

    void addSong(const QString &title, bool checked = true)
    {
        m_model->appendRow(row(title, m_volumes.addSong(title + u".m4a"_s, title.toUtf8()), checked));
    }

    QStringList scratchCopies() const
    {
        return QDir(m_volumes.card()).entryList({u"*.tmp"_s}, QDir::AllEntries);
    }

private slots:
    void initTestCase() { QVERIFY(m_volumes.setUp()); }

    void init()
    {
        QVERIFY(m_volumes.reset());
        freshRig(m_volumes, m_model, m_thread, m_options);
    }

    void cleanup() { dropRig(m_model, m_thread); }

    void lateCardFailureFailsTheRun_data()
    {
        QTest::addColumn<int>("flushError");
        QTest::addColumn<TransferReport::Ending>("ending");
        QTest::addColumn<int>("errorCode");
        QTest::newRow("the card took every song") << 0 << TransferReport::Ending::Completed << 0;
        QTest::newRow("the card failed to take them") << EIO << TransferReport::Ending::Failed << -1;
    }
    void lateCardFailureFailsTheRun()
    {
        // Songs reach the device after their copy returns; the flush at the run's end is
        // where a failing card tells, and the run must not be reported as done then.
        QFETCH(int, flushError);
        QFETCH(TransferReport::Ending, ending);
        QFETCH(int, errorCode);
        addSong(u"A"_s);
        addSong(u"B"_s);
        int flushes = 0;
        m_thread->setFlushFunction([&](const FileItem &folder) {
            ++flushes;
            return folder == m_volumes.cardFolder() ? flushError : EINVAL;
        });
        TransferReport report;
        QVERIFY(runToEnd(*m_thread, m_options, &report));
        QCOMPARE(flushes, 1);
        QCOMPARE(report.ending, ending);
        QCOMPARE(report.errorCode, errorCode);
        QCOMPARE(report.copiedCount, 2);
    }

    void failedCopy_data()
    {
        QTest::addColumn<int>("err");
        QTest::addColumn<bool>("atSource");       // reading the song failed, not the card
        QTest::addColumn<int>("failAt");          // which copy fails, from 1
        QTest::addColumn<QStringList>("songs");   // the card's songs afterwards, from number 1
        QTest::addColumn<TransferReport::Ending>("ending");
        QTest::addColumn<int>("errorCode");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("cardAsBefore");   // as it was when the failing copy began

        using E = TransferReport::Ending;
        QTest::newRow("an unreadable song is skipped and named, the next takes its number")
            << EIO << true << 2 << QStringList{u"A"_s, u"C"_s} << E::Completed << 0
            << u"2曲転送しました \n読めなかった曲（1曲）：Music:Artist:Album:B.m4a"_s << false;
        QTest::newRow("a failed last copy is reported with the count")
            << EIO << true << 3 << QStringList{u"A"_s, u"B"_s} << E::Completed << EIO
            << u"2曲転送しました \n読めなかった曲（1曲）：Music:Artist:Album:C.m4a"_s << false;
        QTest::newRow("a full card stops the run, the card as before that song")
            << ENOSPC << false << 2 << QStringList{u"A"_s} << E::Failed << -1
            << u"転送を中止しました （-1）\nカードの空きが足りません：SDS_0002.3G2"_s << true;
        QTest::newRow("a read-only card stops the run")
            << EROFS << false << 1 << QStringList() << E::Failed << -1
            << u"転送を中止しました （-1）\nカードが書き込み禁止になっています：SDS_0001.3G2"_s << true;
        QTest::newRow("an I/O error on the card stops the run, never counted as done")
            << EIO << false << 1 << QStringList() << E::Failed << -1
            << u"転送を中止しました （-1）\n書き込めませんでした（Input/output error）：SDS_0001.3G2"_s << true;
        // Behind an unchecked row: the row index would say 2, the songs copied are 1.
        QTest::newRow("copy code 103 stops and counts the songs copied")
            << 103 << false << 2 << QStringList{u"A"_s} << E::CopyStopped << 103 << u"1曲転送しました "_s
            << true;
    }
    void failedCopy()
    {
        QFETCH(int, err);
        QFETCH(bool, atSource);
        QFETCH(int, failAt);
        QFETCH(QStringList, songs);
        QFETCH(TransferReport::Ending, ending);
        QFETCH(int, errorCode);
        QFETCH(QString, message);
        QFETCH(bool, cardAsBefore);

        // Add mode on a card that already holds song 0.
        QVERIFY(writeAll(m_volumes.cardFile(songName(0)), "old"));
        QVERIFY(writeAll(m_volumes.cardFile(mgrName(0)), mgrWith(0, {{0, "old"}})));
        addSong(u"Skipped"_s, false);
        for (const QString &title : {u"A"_s, u"B"_s, u"C"_s})
            addSong(title);
        m_options.mode = TransferOptions::Mode::Add;

        int calls = 0;
        Snapshot atFailure;
        m_thread->setCopyFunction([&](const FileItem &source, const FileItem &destination) {
            if (++calls != failAt)
                return TransferJob::CopyStatus(source.copyTo(destination));
            atFailure = snapshot(m_volumes.card());
            // Half the song reaches the card before the copy gives up.
            writeAll(destination.posixPath(), readAll(source.posixPath()).left(1));
            return TransferJob::CopyStatus(err, atSource);
        });
        TransferReport report;
        QVERIFY(runToEnd(*m_thread, m_options, &report));

        QCOMPARE(report.ending, ending);
        QCOMPARE(report.errorCode, errorCode);
        QCOMPARE(report.message, message);
        QCOMPARE(report.copiedCount, songs.size());
        QVERIFY(scratchCopies().isEmpty());
        QMap<int, QByteArray> titles{{0, "old"}};
        for (int i = 0; i < songs.size(); ++i) {
            QCOMPARE(readAll(m_volumes.cardFile(songName(i + 1))), songs[i].toUtf8());
            titles.insert(i + 1, songs[i].toUtf8());
        }
        QVERIFY(!QFile::exists(m_volumes.cardFile(songName(int(songs.size()) + 1))));
        QCOMPARE(readAll(m_volumes.cardFile(mgrName(0))), mgrWith(0, titles));
        if (cardAsBefore)
            QCOMPARE(snapshot(m_volumes.card()), atFailure);
    }

    void failedRunLeavesACardThatChecks_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<bool>("add");
        QTest::addColumn<bool>("cardUnchanged");
        QTest::addColumn<int>("systemError");
        QTest::addColumn<QString>("named");
        const QString folder = u"NO NAME:PRIVATE:AU:DF:D_SD:"_s;
        QTest::newRow("the copy fails on the card") << u"copy"_s << false << false << EIO << songName(0);
        QTest::newRow("the flush fails") << u"flush"_s << false << false << EIO << folder;
        QTest::newRow("an add whose management file cannot be written")
            << u"management write"_s << true << true << ENOSPC << mgrName(0);
        QTest::newRow("a replace whose management file cannot be written")
            << u"management write"_s << false << false << ENOSPC << mgrName(0);
        QTest::newRow("a management file that cannot be deleted")
            << u"immutable management file"_s << false << true << EPERM << mgrName(0);
        QTest::newRow("a folder that refuses new files")
            << u"immutable folder"_s << false << true << EPERM << folder;
        QTest::newRow("a folder named like a management file")
            << u"folder SD_F_001.MGR"_s << false << true << EISDIR << mgrName(1);
        QTest::newRow("a folder in the way of the management file's scratch copy")
            << u"folder SD_F_000.MGR.tmp"_s << true << true << EISDIR << mgrName(0);
    }
    void failedRunLeavesACardThatChecks()
    {
        QFETCH(QString, failure);
        QFETCH(bool, add);
        QFETCH(bool, cardUnchanged);
        QFETCH(int, systemError);
        QFETCH(QString, named);
        // A sound card of two songs.
        QVERIFY(writeAll(m_volumes.cardFile(songName(0)), "old 0"));
        QVERIFY(writeAll(m_volumes.cardFile(songName(1)), "old 1"));
        QVERIFY(writeAll(m_volumes.cardFile(mgrName(0)), mgrWith(0, {{0, "old 0"}, {1, "old 1"}})));
        QCOMPARE(CardFormat::checkCardFolder(m_volumes.card()), QStringList());
        addSong(u"A"_s);
        addSong(u"B"_s);
        m_options.mode = add ? TransferOptions::Mode::Add : TransferOptions::Mode::Replace;
        m_options.clearFirst = !add;

        ImmutableFiles immutable;
        if (failure == u"copy"_s)
            m_thread->setCopyFunction([](const FileItem &, const FileItem &) { return EIO; });
        if (failure == u"flush"_s)
            m_thread->setFlushFunction([](const FileItem &) { return EIO; });
        if (failure == u"management write"_s)
            m_thread->setManagementWriteFunction([](const FileItem &, const QByteArray &) { return ENOSPC; });
        if (failure.startsWith(u"immutable"_s)) {
            const QString path = failure.endsWith(u"folder"_s) ? m_volumes.card() : m_volumes.cardFile(mgrName(0));
            if (const int err = setImmutable(path, true))
                QSKIP(qPrintable(u"no immutable files here: "_s + QString::fromLocal8Bit(strerror(err))));
            immutable.paths << path;
        }
        if (failure.startsWith(u"folder "_s)) {
            QVERIFY(QDir().mkpath(m_volumes.cardFile(failure.section(u' ', 1))));
            QVERIFY(writeAll(m_volumes.cardFile(failure.section(u' ', 1) + u"/inside"_s), "x"));
        }
        const Snapshot before = snapshot(m_volumes.card());
        TransferReport report;
        QVERIFY(runToEnd(*m_thread, m_options, &report));

        QCOMPARE(report.ending, TransferReport::Ending::Failed);
        QCOMPARE(report.systemError, systemError);
        QCOMPARE(report.failedFile, named);
        QVERIFY2(report.message.endsWith(u"："_s + named), qPrintable(report.message));
        QCOMPARE(CardFormat::checkCardFolder(m_volumes.card()), QStringList());
        if (cardUnchanged)
            QCOMPARE(snapshot(m_volumes.card()), before);
        // Only the test's own folder may end like a scratch copy.
        QCOMPARE(QDir(m_volumes.card()).entryList({u"*.tmp"_s}, QDir::Files), QStringList());
    }

    void interruptedRunIsPutRight()
    {
        // Killed after song 1 reached its name and before its title: the song is untitled
        // and a scratch copy of the next song is left.
        QVERIFY(writeAll(m_volumes.cardFile(songName(0)), "old 0"));
        QVERIFY(writeAll(m_volumes.cardFile(songName(1)), "old 1"));
        QVERIFY(writeAll(m_volumes.cardFile(songName(2) + u".tmp"_s), "half"));
        QVERIFY(writeAll(m_volumes.cardFile(mgrName(0)), mgrWith(0, {{0, "old 0"}})));
        QCOMPARE(CardFormat::checkCardFolder(m_volumes.card()).size(), 2);
        addSong(u"A"_s);
        m_options.mode = TransferOptions::Mode::Add;
        TransferReport report;
        QVERIFY(runToEnd(*m_thread, m_options, &report));

        QCOMPARE(report.ending, TransferReport::Ending::Completed);
        QCOMPARE(readAll(m_volumes.cardFile(songName(1))), "old 1");
        QCOMPARE(readAll(m_volumes.cardFile(songName(2))), "A");
        QCOMPARE(readAll(m_volumes.cardFile(mgrName(0))), mgrWith(0, {{0, "old 0"}, {1, "SDS_0001"}, {2, "A"}}));
        QCOMPARE(CardFormat::checkCardFolder(m_volumes.card()), QStringList());
    }

    void fifosAreNeverWaitedFor()
    {
        // A FIFO among the songs is skipped and named; the others go.
        addSong(u"A"_s);
        const QString fifo = m_volumes.music() + u"/Artist/Album/pipe.m4a"_s;
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
        m_model->appendRow(row(u"pipe"_s, u"Music:Artist:Album:pipe.m4a"_s));
        addSong(u"B"_s);
        TransferReport report;
        QVERIFY(runToEnd(*m_thread, m_options, &report));
        QCOMPARE(report.ending, TransferReport::Ending::Completed);
        QCOMPARE(report.copiedCount, 2);
        QCOMPARE(report.skippedSongs, QStringList{u"Music:Artist:Album:pipe.m4a"_s});
        QCOMPARE(readAll(m_volumes.cardFile(songName(1))), "B");

        // A FIFO named like a management file stops an add at once.
        const QString mgrFifo = m_volumes.cardFile(mgrName(1));
        QCOMPARE(::mkfifo(QFile::encodeName(mgrFifo).constData(), 0644), 0);
        for (int n = 2; n < 100; ++n)
            QVERIFY(writeAll(m_volumes.cardFile(songName(n)), "x"));
        m_options.mode = TransferOptions::Mode::Add;
        QVERIFY(runToEnd(*m_thread, m_options, &report));
        QCOMPARE(report.ending, TransferReport::Ending::Failed);
        QCOMPARE(report.failedFile, mgrName(1));
        QVERIFY(!QFile::exists(m_volumes.cardFile(songName(100))));
    }

    void lastSongNumberIs9999()
    {
        for (int n = 0; n <= 9997; ++n)
            QVERIFY(writeAll(m_volumes.cardFile(songName(n)), QByteArray()));
        for (const QString &title : {u"A"_s, u"B"_s, u"C"_s})
            addSong(title);
        m_options.mode = TransferOptions::Mode::Add;
        TransferReport report;
        QVERIFY(runToEnd(*m_thread, m_options, &report));

        QCOMPARE(report.ending, TransferReport::Ending::NoRoom);
        QCOMPARE(report.errorCode, 1);
        QCOMPARE(report.message, u"2曲転送しました "_s);
        QCOMPARE(readAll(m_volumes.cardFile(songName(9998))), "A");
        QCOMPARE(readAll(m_volumes.cardFile(songName(9999))), "B");
        QCOMPARE(readAll(m_volumes.cardFile(mgrName(99))), mgrWith(99, {{9998, "A"}, {9999, "B"}}));
        QCOMPARE(m_thread->nextSongNumber(), -1);
        // Nothing was overwritten, renamed or added beside them.
        QCOMPARE(readAll(m_volumes.cardFile(songName(0))), QByteArray());
        QCOMPARE(QDir(m_volumes.card()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 10001);
    }

    void replaceWritesAroundSurvivors()
    {
        // What a deletion that did not go through leaves: stale titles in both management
        // files, a song file that stayed, and a scratch copy of an interrupted run.
        QMap<int, QByteArray> stale;
        for (int n = 0; n < 10; ++n)
            stale.insert(n, "stale " + QByteArray::number(n));
        QVERIFY(writeAll(m_volumes.cardFile(mgrName(0)), mgrWith(0, stale)));
        const QByteArray staleSecond = mgrWith(1, {{100, "stale 100"}});
        QVERIFY(writeAll(m_volumes.cardFile(mgrName(1)), staleSecond));
        QVERIFY(writeAll(m_volumes.cardFile(songName(1)), "survivor"));
        QVERIFY(writeAll(m_volumes.cardFile(songName(0) + u".tmp"_s), "junk"));
        for (const QString &title : {u"A"_s, u"B"_s, u"C"_s})
            addSong(title);
        TransferReport report;
        QVERIFY(runToEnd(*m_thread, m_options, &report));

        QCOMPARE(report.ending, TransferReport::Ending::Completed);
        QCOMPARE(readAll(m_volumes.cardFile(songName(0))), "A");
        QCOMPARE(readAll(m_volumes.cardFile(songName(1))), "survivor");
        QCOMPARE(readAll(m_volumes.cardFile(songName(2))), "B");
        QCOMPARE(readAll(m_volumes.cardFile(songName(3))), "C");
        // Written anew before its first slot was used: no stale title is left.
        QCOMPARE(readAll(m_volumes.cardFile(mgrName(0))), mgrWith(0, {{0, "A"}, {2, "B"}, {3, "C"}}));
        // Never reached by this run, so not touched.
        QCOMPARE(readAll(m_volumes.cardFile(mgrName(1))), staleSecond);
        QVERIFY(scratchCopies().isEmpty());
    }

    void damagedManagementFileStopsAdd()
    {
        const QByteArray damaged(100, 'x');
        QVERIFY(writeAll(m_volumes.cardFile(mgrName(0)), damaged));
        addSong(u"A"_s);
        m_options.mode = TransferOptions::Mode::Add;
        TransferReport report;
        QVERIFY(runToEnd(*m_thread, m_options, &report));

        QCOMPARE(report.ending, TransferReport::Ending::Failed);
        QCOMPARE(report.copiedCount, 0);
        QVERIFY(!QFile::exists(m_volumes.cardFile(songName(0))));
        QCOMPARE(readAll(m_volumes.cardFile(mgrName(0))), damaged);
    }

    void renewal_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("compact");
        QTest::addColumn<QString>("refusing");
        QTest::addColumn<QStringList>("left");

        const QStringList mixed{songName(0), songName(1) + u".tmp"_s, mgrName(0), u"readme.txt"_s,
                                u"song.3g2"_s, u"notes.MGR.txt"_s, u"old.3G2/x.txt"_s,
                                u"empty.MGR/"_s};
        QTest::newRow("only songs, scratch copies and management files go")
            << mixed << false << QString()
            << QStringList{u"empty.MGR"_s, u"notes.MGR.txt"_s, u"old.3G2"_s, u"readme.txt"_s,
                           u"song.3g2"_s};
        QTest::newRow("the compact window leaves scratch copies")
            << mixed << true << QString()
            << QStringList{songName(1) + u".tmp"_s, u"empty.MGR"_s, u"notes.MGR.txt"_s,
                           u"old.3G2"_s, u"readme.txt"_s, u"song.3g2"_s};
        const QStringList only{songName(0), songName(1), songName(2), songName(3), mgrName(0), mgrName(1)};
        QTest::newRow("a folder of nothing but songs is emptied") << only << false << QString() << QStringList();
        QTest::newRow("a file that refuses stays, the rest go")
            << only << false << songName(1) << QStringList{songName(1)};
    }
    void renewal()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, compact);
        QFETCH(QString, refusing);
        QFETCH(QStringList, left);
        for (const QString &name : files) {
            if (name.endsWith(u'/'))
                QVERIFY(QDir().mkpath(m_volumes.cardFile(name)));
            else
                QVERIFY(writeAll(m_volumes.cardFile(name), "x"));
        }
        const int entries = m_volumes.cardFolder().count();
        int visits = 0;
        const auto afterItem = [&] { ++visits; };
        const auto remove = [&](const FileItem &item) { return item.name() == refusing ? EPERM : item.remove(); };
        const CardFormat::ClearingResult result = CardFormat::clearCardFolder(
            m_volumes.cardFolder(), compact ? CardFormat::compactSuffixes() : CardFormat::replaceAllSuffixes(),
            afterItem, remove);

        QStringList after = QDir(m_volumes.card()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        after.sort();
        QCOMPARE(after, left);
        QCOMPARE(visits, entries);
        QCOMPARE(result.kept.size(), refusing.isEmpty() ? 0 : 1);
        QCOMPARE(result.firstError, refusing.isEmpty() ? 0 : EPERM);
        QCOMPARE(result.deleted, int(entries - left.size()));
    }
};

QTEST_GUILESS_MAIN(TestTransferFaults)
#include "test_transfer_faults.moc"
