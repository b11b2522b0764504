// The transfer thread's main paths: numbering, management files, dates, skipped songs,
// the space to keep, the stop, and the compact variant.

#include "TransferFixture.h"

#include "core/card/MgrFile.h"

using namespace transfertest;
using namespace Qt::StringLiterals;

class TestTransfer final : public QObject {
    Q_OBJECT

private:
    Volumes m_volumes;
    std::unique_ptr<SongListModel> m_model;
    std::unique_ptr<TransferJob> m_thread;
    TransferOptions m_options;

    /// n songs "Song 000", "Song 001", ... whose bytes name them.
    void addSongs(int n, int first = 0)
    {
        for (int i = first; i < first + n; ++i) {
            const QString title = u"Song %1"_s.arg(i, 3, 10, QChar(u'0'));
            m_model->appendRow(row(title, m_volumes.addSong(title + u".m4a"_s, title.toUtf8())));
        }
    }

private slots:
    void initTestCase() { QVERIFY(m_volumes.setUp()); }

    void init()
    {
        QVERIFY(m_volumes.reset());
        freshRig(m_volumes, m_model, m_thread, m_options);
    }

    void cleanup() { dropRig(m_model, m_thread); }

    void replaceNumbersFromZero_data()
    {
        QTest::addColumn<int>("songs");
        QTest::newRow("150 songs, two management files") << 150;
        QTest::newRow("exactly 100: the second file is made, blank") << 100;
    }
    void replaceNumbersFromZero()
    {
        QFETCH(int, songs);
        addSongs(songs);
        TransferReport report;
        QVERIFY(runToEnd(*m_thread, m_options, &report));

        QCOMPARE(report.ending, TransferReport::Ending::Completed);
        QCOMPARE(report.errorCode, 0);
        QCOMPARE(report.copiedCount, songs);
        QVERIFY(report.message.isEmpty());
        for (int n = 0; n < songs; ++n) {
            const QByteArray expected = u"Song %1"_s.arg(n, 3, 10, QChar(u'0')).toUtf8();
            QCOMPARE(readAll(m_volumes.cardFile(songName(n))), expected);
        }
        QMap<int, QByteArray> first;
        QMap<int, QByteArray> second;
        for (int n = 0; n < songs; ++n)
            (n < 100 ? first : second).insert(n, u"Song %1"_s.arg(n, 3, 10, QChar(u'0')).toUtf8());
        QCOMPARE(readAll(m_volumes.cardFile(mgrName(0))), mgrWith(0, first));
        QCOMPARE(readAll(m_volumes.cardFile(mgrName(1))), mgrWith(1, second));
        // Song 7's slot as the phone reads it, spelled out once.
        QCOMPARE(readAll(m_volumes.cardFile(mgrName(0))).mid(32 + 7 * 96, 96),
                 QByteArray::fromHex("00000007 00000001 00000011 6A612D4A50 000000000000 08"
                                     "536F6E6720303037")
                     + QByteArray(32 + 32, '\0'));
        // Nothing else: no third management file, no scratch copies.
        QCOMPARE(QDir(m_volumes.card()).entryList(QDir::Files).size(), songs + 2);
    }

    void addTakesTheFreeNumbers()
    {
        // A card holding songs 0, 1 and 3 from an earlier transfer.
        const QByteArray oldMgr = mgrWith(0, {{0, "old 0"}, {1, "old 1"}, {3, "old 3"}});
        QVERIFY(writeAll(m_volumes.cardFile(mgrName(0)), oldMgr));
        for (int n : {0, 1, 3})
            QVERIFY(writeAll(m_volumes.cardFile(songName(n)), "old"));
        addSongs(3);
        m_options.mode = TransferOptions::Mode::Add;
        TransferReport report;
        QVERIFY(runToEnd(*m_thread, m_options, &report));

        QCOMPARE(report.copiedCount, 3);
        QCOMPARE(readAll(m_volumes.cardFile(songName(2))), "Song 000");
        QCOMPARE(readAll(m_volumes.cardFile(songName(4))), "Song 001");
        QCOMPARE(readAll(m_volumes.cardFile(songName(5))), "Song 002");
        for (int n : {0, 1, 3})
            QCOMPARE(readAll(m_volumes.cardFile(songName(n))), "old");
        QCOMPARE(readAll(m_volumes.cardFile(mgrName(0))),
                 mgrWith(0, {{0, "old 0"}, {1, "old 1"}, {2, "Song 000"}, {3, "old 3"},
                             {4, "Song 001"}, {5, "Song 002"}}));
        QCOMPARE(m_thread->nextSongNumber(), 6);
    }

    void datesOneMinuteApart_data()
    {
        QTest::addColumn<bool>("add");
        QTest::newRow("replace: before the start of the run") << false;
        QTest::newRow("add: before the earliest song on the card") << true;
    }
    void datesOneMinuteApart()
    {
        QFETCH(bool, add);
        const QDateTime earliest = QDateTime::fromString(u"2021-03-04T05:06:07"_s, Qt::ISODate);
        if (add) {
            QVERIFY(writeAll(m_volumes.cardFile(songName(0)), "old"));
            QVERIFY(writeAll(m_volumes.cardFile(songName(1)), "old"));
            QCOMPARE(FileItem(m_volumes.cardFile(songName(0))).setModificationTime(earliest.addDays(3)), 0);
            QCOMPARE(FileItem(m_volumes.cardFile(songName(1))).setModificationTime(earliest), 0);
        }
        addSongs(3);
        m_options.mode = add ? TransferOptions::Mode::Add : TransferOptions::Mode::Replace;
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        QVERIFY(runToEnd(*m_thread, m_options));
        const QDateTime after = QDateTime::currentDateTime();

        const int first = add ? 2 : 0;
        const QDateTime start = add ? earliest : FileItem(m_volumes.cardFile(songName(0)))
                                                     .modificationTime().addSecs(60);
        if (!add) {
            QVERIFY(start >= before);
            QVERIFY(start <= after);
        }
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(FileItem(m_volumes.cardFile(songName(first + i))).modificationTime(),
                     start.addSecs(-60 * (i + 1)));
        }
        QCOMPARE(m_thread->lastSongTime(), start.addSecs(-180));
    }

    void lastModDate_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<int>>("hoursAgo");
        QTest::addColumn<int>("expectedHoursAgo"); // -1: the present time
        QTest::newRow("empty card") << QStringList() << QList<int>() << -1;
        QTest::newRow("earliest song")
            << QStringList{songName(0), songName(1), songName(2)} << QList<int>{5, 30, 2} << 30;
        QTest::newRow("only later songs") << QStringList{songName(0)} << QList<int>{-48} << -1;
        QTest::newRow("scratch copies and management files do not count")
            << QStringList{songName(0), songName(1) + u".tmp"_s, mgrName(0)}
            << QList<int>{1, 50, 60} << 1;
    }
    void lastModDate()
    {
        QFETCH(QStringList, names);
        QFETCH(QList<int>, hoursAgo);
        QFETCH(int, expectedHoursAgo);
        const QDateTime base = QDateTime::currentDateTime().addSecs(-5);
        for (int i = 0; i < names.size(); ++i) {
            QVERIFY(writeAll(m_volumes.cardFile(names[i]), "x"));
            QCOMPARE(FileItem(m_volumes.cardFile(names[i])).setModificationTime(base.addSecs(-3600 * hoursAgo[i])), 0);
        }
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        const QDateTime got = TransferJob::earliestSongTime(m_volumes.cardFolder());
        if (expectedHoursAgo < 0) {
            QVERIFY(got >= before);
            QVERIFY(got <= QDateTime::currentDateTime());
        } else {
            QCOMPARE(got, base.addSecs(-3600 * expectedHoursAgo));
        }
    }

    void missingSourceKeepsItsNumber()
    {
        addSongs(1);
        m_model->appendRow(row(u"Gone"_s, u"Music:Artist:Album:gone.m4a"_s));
        m_model->appendRow(row(u"Unchecked"_s, m_volumes.addSong(u"u.m4a"_s, "unchecked"), false));
        addSongs(1, 1);
        QSignalSpy progress(m_thread.get(), &TransferJob::progressChanged);
        TransferReport report;
        QVERIFY(runToEnd(*m_thread, m_options, &report));

        QCOMPARE(report.copiedCount, 2);
        QCOMPARE(report.ending, TransferReport::Ending::Completed);
        QCOMPARE(readAll(m_volumes.cardFile(songName(0))), "Song 000");
        QCOMPARE(readAll(m_volumes.cardFile(songName(1))), "Song 001");
        QVERIFY(!QFile::exists(m_volumes.cardFile(songName(2))));
        QCOMPARE(readAll(m_volumes.cardFile(mgrName(0))), mgrWith(0, {{0, "Song 000"}, {1, "Song 001"}}));
        // The missing song counts as handled; the unchecked one does not.
        QCOMPARE(progress.size(), 3);
        QCOMPARE(progress.last(), (QList<QVariant>{3, 3}));
        QCOMPARE(TransferJob::counterText(3, 3), u"3/3"_s);
    }

    void keepFreeMB_data()
    {
        QTest::addColumn<int>("keep");
        QTest::addColumn<QString>("freeAnswer");
        QTest::addColumn<int>("copied");
        QTest::addColumn<int>("queries");
        QTest::newRow("nothing to keep: never asked") << 0 << u"0"_s << 3 << 0;
        QTest::newRow("room for all") << 5 << u"100.5"_s << 3 << 3;
        // 8.9 reads as 8: 8 - 5 leaves 3 MB, less than the 4 MB song.
        QTest::newRow("stops before the big song") << 5 << u"8.9"_s << 1 << 2;
        QTest::newRow("exactly the room the song needs") << 4 << u"8"_s << 3 << 3;
        QTest::newRow("an answer that is no number is no room") << 1 << u"n/a"_s << 0 << 1;
        QTest::newRow("a negative answer beyond 64 bits is no room") << 1 << u"-99999999999999999999"_s << 0 << 1;
        QTest::newRow("an answer beyond 64 bits is room") << 5 << u"99999999999999999999"_s << 3 << 3;
    }
    void keepFreeMB()
    {
        QFETCH(int, keep);
        QFETCH(QString, freeAnswer);
        QFETCH(int, copied);
        QFETCH(int, queries);
        m_options.keepFreeMB = keep;
        addSongs(1);
        m_model->appendRow(row(u"Big"_s, m_volumes.addSong(u"big.m4a"_s, QByteArray(4 * 1024 * 1024, 'b'))));
        addSongs(1, 1);
        QStringList asked;
        m_options.freeSpace = [&](const QString &volume) {
            asked.append(volume);
            return freeAnswer;
        };
        TransferReport report;
        QVERIFY(runToEnd(*m_thread, m_options, &report));

        QCOMPARE(asked.size(), queries);
        if (queries > 0)
            QCOMPARE(asked.first(), u"NO NAME"_s);
        QCOMPARE(report.copiedCount, copied);
        for (int n = 0; n < 3; ++n)
            QCOMPARE(QFile::exists(m_volumes.cardFile(songName(n))), n < copied);
        if (copied < 3) {
            QCOMPARE(report.ending, TransferReport::Ending::NoRoom);
            QCOMPARE(report.errorCode, 1);
            QCOMPARE(report.message, QString::number(copied) + u"曲転送しました "_s);
        } else {
            QCOMPARE(report.errorCode, 0);
            QVERIFY(report.message.isEmpty());
        }
    }

    void stopBetweenSongs_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("the stop button") << u"user"_s;
        QTest::newRow("the stop button, pressed twice") << u"twice"_s;
    }
    void stopBetweenSongs()
    {
        QFETCH(QString, how);
        addSongs(4);
        int calls = 0;
        m_thread->setCopyFunction([&](const FileItem &source, const FileItem &destination) {
            // Pressed while the second song is being copied.
            if (++calls == 2) {
                m_thread->requestStop();
                if (how == u"twice")
                    m_thread->requestStop();
            }
            return source.copyTo(destination);
        });
        TransferReport report;
        QVERIFY(runToEnd(*m_thread, m_options, &report));

        QCOMPARE(calls, 2);
        QCOMPARE(report.ending, TransferReport::Ending::UserStopped);
        QCOMPARE(report.copiedCount, 2);
        QVERIFY(report.message.isEmpty());
        // The song being copied finishes and is titled.
        QCOMPARE(readAll(m_volumes.cardFile(songName(1))), "Song 001");
        QCOMPARE(readAll(m_volumes.cardFile(mgrName(0))), mgrWith(0, {{0, "Song 000"}, {1, "Song 001"}}));
        QVERIFY(!QFile::exists(m_volumes.cardFile(songName(2))));

        // The next start clears the user's stop.
        m_thread->setCopyFunction({});
        QVERIFY(m_thread->stopRequested());
        m_options.mode = TransferOptions::Mode::Add;
        QVERIFY(runToEnd(*m_thread, m_options, &report));
        QCOMPARE(report.ending, TransferReport::Ending::Completed);
        QCOMPARE(report.copiedCount, 4);
    }

    void secondStartIsRefused()
    {
        addSongs(3);
        int copies = 0;
        bool refusedWhileCopying = false;
        m_thread->setCopyFunction([&](const FileItem &source, const FileItem &destination) {
            ++copies;
            refusedWhileCopying = !m_thread->start();
            return source.copyTo(destination);
        });
        m_thread->setOptions(m_options);
        QSignalSpy finished(m_thread.get(), &coop::Thread::finished);
        QVERIFY(m_thread->start());
        QVERIFY(!m_thread->start());
        QVERIFY(finished.wait(60000));
        QCOMPARE(finished.size(), 1);
        QVERIFY(refusedWhileCopying);
        QCOMPARE(copies, 3);
        QCOMPARE(m_thread->copiedCount(), 3);
        QVERIFY(!QFile::exists(m_volumes.cardFile(songName(3))));
    }

    void errorCodeClearedAtStart()
    {
        // The first run stops for want of room ...
        m_options.keepFreeMB = 10;
        m_options.freeSpace = [](const QString &) { return u"1"_s; };
        addSongs(1);
        TransferReport report;
        QVERIFY(runToEnd(*m_thread, m_options, &report));
        QCOMPARE(report.errorCode, 1);
        // ... the second copies nothing (no song is checked) and must not repeat that report.
        m_model->setChecked(0, false);
        QVERIFY(runToEnd(*m_thread, m_options, &report));
        QCOMPARE(report.errorCode, 0);
        QCOMPARE(report.ending, TransferReport::Ending::Completed);
        QVERIFY(report.message.isEmpty());
    }

    void bitratePatchOnTheCopyOnly_data()
    {
        QTest::addColumn<bool>("patch");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("patch on") << true << QByteArray::fromHex("0001F4000001F400");
        QTest::newRow("patch off") << false << QByteArray::fromHex("0004E2000004E200");
    }
    void bitratePatchOnTheCopyOnly()
    {
        QFETCH(bool, patch);
        QFETCH(QByteArray, expected);
        m_options.patchBitrate = patch;
        // Where the usual encoder leaves maxBitrate and avgBitrate: 320 kbps.
        QByteArray song(480, '\x11');
        song.replace(472, 8, QByteArray::fromHex("0004E2000004E200"));
        m_model->appendRow(row(u"Loud"_s, m_volumes.addSong(u"loud.m4a"_s, song)));
        QVERIFY(runToEnd(*m_thread, m_options));

        const QByteArray copy = readAll(m_volumes.cardFile(songName(0)));
        QCOMPARE(copy.size(), song.size());
        QCOMPARE(copy.mid(472, 8), expected);
        QCOMPARE(copy.left(472), song.left(472));
        QCOMPARE(readAll(m_volumes.music() + u"/Artist/Album/loud.m4a"_s), song);
    }

    void runReadsItsOptionsNotThePreferences()
    {
        // Preferences that would title by artist, patch, and keep more room than there is.
        preference::titlePartOrder = u"010"_s;
        preference::titleArtistBytes = 40;
        preference::bitratePatchMode = 1;
        preference::keepFreeMB = 999999;
        QByteArray song(480, '\x11');
        song.replace(472, 8, QByteArray::fromHex("0004E2000004E200"));
        m_model->appendRow(row(u"Loud"_s, m_volumes.addSong(u"loud.m4a"_s, song)));
        TransferReport report;
        QVERIFY(runToEnd(*m_thread, m_options, &report));

        QCOMPARE(report.ending, TransferReport::Ending::Completed);
        QCOMPARE(readAll(m_volumes.cardFile(songName(0))), song);
        QCOMPARE(readAll(m_volumes.cardFile(mgrName(0))), mgrWith(0, {{0, "Loud"}}));
    }

    void optionsChangedDuringARunWaitForTheNext()
    {
        addSongs(2);
        m_thread->setCopyFunction([&](const FileItem &source, const FileItem &destination) {
            TransferOptions elsewhere = m_options;
            elsewhere.titleOrder = {u"010"_s, 0, 40, 0};
            elsewhere.keepFreeMB = 999999;
            m_thread->setOptions(elsewhere);
            return source.copyTo(destination);
        });
        TransferReport report;
        QVERIFY(runToEnd(*m_thread, m_options, &report));
        QCOMPARE(report.copiedCount, 2);
        QCOMPARE(readAll(m_volumes.cardFile(mgrName(0))), mgrWith(0, {{0, "Song 000"}, {1, "Song 001"}}));
        QCOMPARE(m_thread->options().titleOrder.order, u"010"_s);
    }

    void clearFirstDeletesOnlySongsAndManagementFiles()
    {
        for (const QString &name : {songName(0), songName(7), songName(8) + u".tmp"_s, mgrName(0), mgrName(3)})
            QVERIFY(writeAll(m_volumes.cardFile(name), "old"));
        QVERIFY(writeAll(m_volumes.cardFile(u"readme.txt"_s), "keep"));
        QVERIFY(writeAll(m_volumes.cardFile(u"Album.MGR/inside.3G2"_s), "keep"));
        addSongs(2);
        m_options.clearFirst = true;
        QVERIFY(runToEnd(*m_thread, m_options));

        QStringList left = QDir(m_volumes.card()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        QStringList expected{u"Album.MGR"_s, mgrName(0), songName(0), songName(1), u"readme.txt"_s};
        left.sort();
        expected.sort();
        QCOMPARE(left, expected);
        QCOMPARE(readAll(m_volumes.cardFile(u"Album.MGR/inside.3G2"_s)), "keep");
        QCOMPARE(readAll(m_volumes.cardFile(mgrName(0))), mgrWith(0, {{0, "Song 000"}, {1, "Song 001"}}));
    }

    void missingDestinationFails()
    {
        addSongs(1);
        m_options.destinationFolder = FileItem(m_volumes.card() + u"/gone"_s);
        TransferReport report;
        QVERIFY(runToEnd(*m_thread, m_options, &report));
        QCOMPARE(report.ending, TransferReport::Ending::Failed);
        QCOMPARE(report.message, u"転送を中止しました （-1）\nフォルダが見つかりません：NO NAME:PRIVATE:AU:DF:D_SD:gone"_s);
    }

    void compactVariant_data()
    {
        QTest::addColumn<int>("useLibraryInfo");
        QTest::newRow("colon paths") << 0;
        QTest::newRow("title, artist, album and path") << 1;
    }
    void compactVariant()
    {
        QFETCH(int, useLibraryInfo);
        m_options.compactEntriesUseLibraryInfo = useLibraryInfo == 1;
        const QString first = m_volumes.addSong(u"01 First.m4a"_s, "first");
        const QString second = m_volumes.addSong(u"02 Second.m4a"_s, "second");
        auto entry = [&](const QString &path, const QString &title) {
            return useLibraryInfo == 1 ? title + u"\tArtist\tAlbum\t"_s + path : path;
        };
        m_options.mode = TransferOptions::Mode::Compact;
        m_thread->setCompactEntries({entry(first, u"First"_s), QString(),
                                    entry(u"Music:Artist:Album:gone.m4a"_s, u"Gone"_s),
                                    entry(second, u"Second"_s)});
        QSignalSpy status(m_thread.get(), &TransferJob::statusChanged);
        TransferReport report;
        QVERIFY(runToEnd(*m_thread, m_options, &report));

        QCOMPARE(readAll(m_volumes.cardFile(songName(0))), "first");
        QCOMPARE(readAll(m_volumes.cardFile(songName(1))), "second");
        QCOMPARE(readAll(m_volumes.cardFile(mgrName(0))), mgrWith(0, {{0, "First"}, {1, "Second"}}));
        QStringList texts;
        for (const QList<QVariant> &args : status)
            texts.append(args.at(0).toString());
        // The empty entry is not counted; the missing one is.
        QCOMPARE(texts, (QStringList{u"0曲、 転送中..."_s, u"1曲、 転送中..."_s, u"1曲、 転送中..."_s,
                                     u"2曲、 転送中..."_s, u"3曲、 転送しました"_s}));
        QCOMPARE(report.copiedCount, 2);
    }

    void compactStopText()
    {
        const QString first = m_volumes.addSong(u"a.m4a"_s, "a");
        const QString second = m_volumes.addSong(u"b.m4a"_s, "b");
        m_options.mode = TransferOptions::Mode::Compact;
        m_thread->setCompactEntries({first, second});
        m_thread->setCopyFunction([&](const FileItem &source, const FileItem &destination) {
            m_thread->requestStop();
            return source.copyTo(destination);
        });
        QSignalSpy status(m_thread.get(), &TransferJob::statusChanged);
        QVERIFY(runToEnd(*m_thread, m_options));
        QCOMPARE(status.last().at(0).toString(), u"0曲、 転送を中止しました"_s);
        QVERIFY(QFile::exists(m_volumes.cardFile(songName(0))));
        QVERIFY(!QFile::exists(m_volumes.cardFile(songName(1))));
    }
};

QTEST_GUILESS_MAIN(TestTransfer)
#include "test_transfer.moc"
