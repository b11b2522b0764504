// What the transfer does when the card or a copy lets it down: failed and partial copies, a
// full card, the last song number, management files that survived or are damaged, and the
// deletion before a replace.

#include "TransferFixture.h"

#include "core/transfer/CardClearing.h"

#include <cerrno>

using namespace transfertest;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TransferReport::Ending)

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
        QTest::addColumn<int>("failAt");          // which copy fails, from 1
        QTest::addColumn<QStringList>("songs");   // the card's songs afterwards, from number 1
        QTest::addColumn<TransferReport::Ending>("ending");
        QTest::addColumn<int>("errorCode");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("cardAsBefore");   // as it was when the failing copy began

        using E = TransferReport::Ending;
        QTest::newRow("an I/O error skips the song, the next takes its number")
            << EIO << 2 << QStringList{u"A"_s, u"C"_s} << E::Completed << 0 << QString() << false;
        QTest::newRow("a failed last copy is reported with the count")
            << EIO << 3 << QStringList{u"A"_s, u"B"_s} << E::Completed << EIO
            << u"2曲転送しました "_s << false;
        QTest::newRow("a full card stops the run, the card as before that song")
            << ENOSPC << 2 << QStringList{u"A"_s} << E::Failed << -1
            << u"転送を中止しました （-1）"_s << true;
        QTest::newRow("a read-only card stops the run")
            << EROFS << 1 << QStringList() << E::Failed << -1 << u"転送を中止しました （-1）"_s << true;
        // Behind an unchecked row: the row index would say 2, the songs copied are 1.
        QTest::newRow("copy code 103 stops and counts the songs copied")
            << 103 << 2 << QStringList{u"A"_s} << E::CopyStopped << 103 << u"1曲転送しました "_s
            << true;
    }
    void failedCopy()
    {
        QFETCH(int, err);
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
                return source.copyTo(destination);
            atFailure = snapshot(m_volumes.card());
            // Half the song reaches the card before the copy gives up.
            writeAll(destination.posixPath(), readAll(source.posixPath()).left(1));
            return err;
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
