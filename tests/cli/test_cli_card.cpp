#include "core/card/CardLayout.h"
#include "core/cardedit/CardListing.h"
#include "core/cardedit/CardRewrite.h"
#include "core/platform/TextCodec.h"

#include <QDir>
#include <QFile>
#include "cli/CliRun.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "TestSupport.h"

#include <memory>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

using Run = CliRun;

const QDateTime kNewest = QDateTime(QDate(2026, 12, 1), QTime(12, 30));

QString songName(int n) { return *CardFormat::songFileName(n); }

/// Songs 0..titles.size()-1 on a card, song n titled titles[n], 1000 + n bytes and dated n
/// minutes before the newest: the card's order is the numbers' order.
void makeCard(const QString &card, const QStringList &titles)
{
    QByteArray mgr = CardFormat::newMgrFile(0);
    for (int n = 0; n < titles.size(); ++n) {
        mgr.replace(CardFormat::slotOffset(n), CardFormat::kSlotSize, CardFormat::usedSlot(n, ShiftJis::encode(titles[n])));
        QFile song(card + u'/' + songName(n));
        QVERIFY(QDir().mkpath(card));
        QVERIFY(song.open(QIODevice::WriteOnly));
        QVERIFY(song.write(QByteArray(1000 + n, 's')) == 1000 + n);
        QVERIFY(song.flush()); // a later flush would date the song again
        QVERIFY(song.setFileTime(kNewest.addSecs(-60 * n), QFileDevice::FileModificationTime));
    }
    QVERIFY(writeFile(card + u"/SD_F_000.MGR"_s, mgr));
}

const QStringList kTitles{u"夜空"_s, u"Intro"_s, u"Outro"_s, u"追加"_s, u"Last"_s};

/// Every file of a folder with its bytes and modification time.
QMap<QString, std::pair<QByteArray, QDateTime>> snapshot(const QString &folder)
{
    QMap<QString, std::pair<QByteArray, QDateTime>> files;
    for (const QFileInfo &info : QDir(folder).entryInfoList(QDir::Files))
        files.insert(info.fileName(), {readFile(info.filePath()), info.lastModified()});
    return files;
}

/// Lines of `list` output cut to their first three columns: position, name, title.
QStringList namesAndTitles(const QString &listing)
{
    QStringList out;
    for (const QString &line : listing.split(u'\n', Qt::SkipEmptyParts))
        out << line.section(u'\t', 0, 2);
    return out;
}

} // namespace

// songkite-cli transfer, check and the card editor's commands, run as the built program
// against hermetic volumes.
class TestCliCard final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
        m_volumes = m_tmp->path() + u"/volumes"_s;
        m_card = m_volumes + u"/NO NAME/PRIVATE/AU/DF/D_SD"_s;
        m_music = m_volumes + u"/HD/Music"_s;
        QVERIFY(QDir().mkpath(m_card));
        QVERIFY(QDir().mkpath(m_tmp->path() + u"/prefs"_s));
        for (int i = 1; i <= 3; ++i)
            QVERIFY(writeFile(m_music + u"/Band/Best/0%1 Song %1.m4a"_s.arg(i), QByteArray(1000 * i, char('a' + i))));
    }

    void replaceThenCheckIsClean()
    {
        QVERIFY(writeFile(m_card + u"/SDS_0042.3G2"_s, "old"));
        QVERIFY(writeFile(m_card + u"/notes.txt"_s, "mine"));
        const Run r = run({u"transfer"_s, u"--replace"_s, m_music});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, u"3曲転送しました \n"_s);
        QCOMPARE(QDir(m_card).entryList(QDir::Files, QDir::Name),
                 (QStringList{u"SDS_0000.3G2"_s, u"SDS_0001.3G2"_s, u"SDS_0002.3G2"_s, u"SD_F_000.MGR"_s, u"notes.txt"_s}));
        const Run check = run({u"check"_s});
        QCOMPARE(check.code, 0);
        QCOMPARE(check.out, QString());
    }

    void transferTakesASongList()
    {
        QStringList records;
        for (int i : {3, 1}) {
            QStringList f(25);
            f[0] = u"Song %1"_s.arg(i), f[6] = u"1000"_s, f[24] = u"HD:Music:Band:Best:0%1 Song %1.m4a"_s.arg(i);
            records << f.join(u'\t') + u'\r';
        }
        const QString list = m_tmp->path() + u"/picked.txt"_s;
        QVERIFY(writeFile(list, ShiftJis::encode(records.join(QString()))));
        const Run r = run({u"transfer"_s, u"--replace"_s, list});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, u"2曲転送しました \n"_s);
        // In the list's order: song 3 first.
        QCOMPARE(testsupport::readFile(m_card + u"/SDS_0000.3G2"_s), QByteArray(3000, 'd'));
        QCOMPARE(run({u"check"_s}).code, 0);
    }

    void optionsComeFromThePreferences()
    {
        // Field 20 "1": the add check box was on, so a plain transfer adds.
        QStringList fields(20);
        fields[19] = u"1"_s;
        QVERIFY(writeFile(m_tmp->path() + u"/prefs/jp.songkite.songkite.prefs"_s, (fields.join(u'\t') + u"\t\n"_s).toUtf8()));
        QVERIFY(writeFile(m_card + u"/SDS_0000.3G2"_s, "kept"));
        QByteArray mgr = CardFormat::newMgrFile(0);
        mgr.replace(CardFormat::slotOffset(0), CardFormat::kSlotSize, CardFormat::usedSlot(0, "kept"));
        QVERIFY(writeFile(m_card + u"/SD_F_000.MGR"_s, mgr));
        const Run r = run({u"transfer"_s, m_music});
        QCOMPARE(r.code, 0);
        QFile kept(m_card + u"/SDS_0000.3G2"_s);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("kept"));
        QVERIFY(QFile::exists(m_card + u"/SDS_0003.3G2"_s));
        QCOMPARE(run({u"check"_s}).code, 0);
    }

    void keptSpaceStopsBeforeTheSong()
    {
        const Run r = run({u"transfer"_s, u"--replace"_s, u"--keep-space"_s, u"999999999"_s, m_music});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out, u"0曲転送しました \n"_s);
        QVERIFY(!QFile::exists(m_card + u"/SDS_0000.3G2"_s));
    }

    void commandLineOverThePreferences()
    {
        // The preferences add and keep more room than any card has; the command line
        // replaces and keeps none, and a zero it gives is a value, not "unset".
        QStringList fields(20);
        fields[18] = u"999999999"_s;
        fields[19] = u"1"_s;
        QVERIFY(writeFile(m_tmp->path() + u"/prefs/jp.songkite.songkite.prefs"_s, (fields.join(u'\t') + u"\t\n"_s).toUtf8()));
        QVERIFY(writeFile(m_card + u"/SDS_0042.3G2"_s, "old"));
        const Run r = run({u"transfer"_s, u"--replace"_s, u"--keep-space"_s, u"0"_s, m_music});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, u"3曲転送しました \n"_s);
        QVERIFY(!QFile::exists(m_card + u"/SDS_0042.3G2"_s));
        QVERIFY(QFile::exists(m_card + u"/SDS_0002.3G2"_s));
    }

    void noSongsLeavesTheCardAlone_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::newRow("replace") << u"--replace"_s;
        QTest::newRow("add") << u"--add"_s;
    }
    void noSongsLeavesTheCardAlone()
    {
        // A folder with nothing but a cover: a replace would have emptied the card.
        makeCard(m_card, kTitles);
        const auto before = snapshot(m_card);
        const QString empty = m_volumes + u"/HD/Empty"_s;
        QVERIFY(writeFile(empty + u"/cover.jpg"_s, "jpeg"));
        QFETCH(QString, mode);
        const Run r = run({u"transfer"_s, mode, empty});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out, QString());
        QVERIFY2(r.err.contains(u"no songs to transfer"_s), qPrintable(r.err));
        QVERIFY(snapshot(m_card) == before);
    }

    void fifoManagementFileNeverHangs()
    {
        makeCard(m_card, kTitles);
        QCOMPARE(::mkfifo(QFile::encodeName(m_card + u"/SD_F_001.MGR"_s).constData(), 0644), 0);
        const Run check = run({u"check"_s});
        QCOMPARE(check.code, 1);
        QCOMPARE(check.out, u"SD_F_001.MGR: cannot be read (Invalid argument)\n"_s);
        // Numbers 0 to 99 taken: the next song needs the FIFO's number.
        for (int n = int(kTitles.size()); n < 100; ++n)
            QVERIFY(writeFile(m_card + u'/' + songName(n), "x"));
        const Run add = run({u"transfer"_s, u"--add"_s, m_music});
        QCOMPARE(add.code, 1);
        QVERIFY2(add.out.contains(u"SD_F_001.MGR"_s), qPrintable(add.out));
        QVERIFY(!QFile::exists(m_card + u'/' + songName(100)));
    }

    void failedRunNamesItsCause()
    {
        // A management file's name taken by a folder: nothing is deleted, and the message
        // says why and where.
        makeCard(m_card, kTitles);
        QVERIFY(QDir().mkpath(m_card + u"/SD_F_002.MGR/inside"_s));
        const auto before = snapshot(m_card);
        const Run r = run({u"transfer"_s, u"--replace"_s, m_music});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out, u"転送を中止しました （-1）\nファイルの名前がフォルダに使われています：SD_F_002.MGR\n"_s);
        QVERIFY2(r.err.contains(u"SD_F_002.MGR"_s), qPrintable(r.err));
        QVERIFY(snapshot(m_card) == before);
        QCOMPARE(run({u"check"_s}).code, 0);
    }

    void checkReportsAMissingSong()
    {
        QCOMPARE(run({u"transfer"_s, u"--replace"_s, u"--to"_s, m_card, m_music}).code, 0);
        QVERIFY(QFile::remove(m_card + u"/SDS_0001.3G2"_s));
        const Run r = run({u"check"_s, m_card});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out, u"SD_F_000.MGR: slot 1 is titled but SDS_0001.3G2 is missing\n"_s);
    }

    void listPrintsTheCardInItsOrder()
    {
        makeCard(m_card, {u"A\tB\\C"_s, u"曲"_s, u"Third"_s});
        // The latest song first, whatever its number.
        QFile first(m_card + u"/SDS_0002.3G2"_s);
        QVERIFY(first.open(QIODevice::ReadWrite));
        QVERIFY(first.setFileTime(kNewest.addSecs(60), QFileDevice::FileModificationTime));
        const Run r = run({u"list"_s});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, u"1\tSDS_0002.3G2\tThird\t2026-12-01 12:31\t1002\n"
                        u"2\tSDS_0000.3G2\tA\\tB\\\\C\t2026-12-01 12:30\t1000\n"
                        u"3\tSDS_0001.3G2\t曲\t2026-12-01 12:29\t1001\n"_s);
        QCOMPARE(run({u"list"_s, m_card}).out, r.out);
        QCOMPARE(r.err, QString());
    }

    void listFailsOnAnUnreadableCard_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("named");
        QTest::newRow("no such folder") << u"folder"_s << u"/no/such/card"_s;
        QTest::newRow("a short management file") << u"short"_s << u"SD_F_000.MGR"_s;
        QTest::newRow("a management file that is a folder") << u"folder file"_s << u"SD_F_000.MGR"_s;
    }

    void listFailsOnAnUnreadableCard()
    {
        QFETCH(QString, damage);
        QFETCH(QString, named);
        makeCard(m_card, kTitles);
        const QString mgr = m_card + u"/SD_F_000.MGR"_s;
        if (damage == u"short"_s)
            QVERIFY(QFile::resize(mgr, 100));
        if (damage == u"folder file"_s)
            QVERIFY(QFile::remove(mgr) && QDir().mkdir(mgr));
        const Run r = run({u"list"_s, damage == u"folder"_s ? named : m_card});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out, QString());
        QVERIFY2(r.err.contains(named), qPrintable(r.err));
    }

    void applyDeletesMovesAndRetitles_data()
    {
        // The edited listing: song numbers in line order, and the titles the lines give.
        QTest::addColumn<QList<int>>("order");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("a line deleted") << QList<int>{0, 2, 3, 4} << QStringList{kTitles[0], kTitles[2], kTitles[3], kTitles[4]};
        QTest::newRow("the last line moved to the top")
            << QList<int>{4, 0, 1, 2, 3} << QStringList{kTitles[4], kTitles[0], kTitles[1], kTitles[2], kTitles[3]};
        QTest::newRow("a title changed")
            << QList<int>{0, 1, 2, 3, 4} << QStringList{kTitles[0], u"新しい題名"_s, kTitles[2], kTitles[3], kTitles[4]};
        QTest::newRow("a title with a TAB, escaped")
            << QList<int>{0, 1, 2, 3, 4} << QStringList{u"a\\tb"_s, kTitles[1], kTitles[2], kTitles[3], kTitles[4]};
        QTest::newRow("all of it, and only name and title given")
            << QList<int>{3, 1, 0} << QStringList{u"三"_s, kTitles[1], u"「ゼロ」"_s};
    }

    void applyDeletesMovesAndRetitles()
    {
        QFETCH(QList<int>, order);
        QFETCH(QStringList, titles);
        makeCard(m_card, kTitles);
        const QStringList listed = run({u"list"_s}).out.split(u'\n', Qt::SkipEmptyParts);
        QStringList lines;
        QStringList expected;
        for (int k = 0; k < order.size(); ++k) {
            QStringList fields = listed.at(order[k]).split(u'\t');
            fields[2] = titles[k];
            if (QTest::currentDataTag() == QByteArray("all of it, and only name and title given"))
                fields = fields.mid(0, 3);
            fields[0] = u"99"_s; // positions are ignored
            lines << fields.join(u'\t');
            expected << QString::number(k + 1) + u'\t' + songName(order[k]) + u'\t' + titles[k];
        }
        const QString file = m_tmp->path() + u"/edited.tsv"_s;
        QVERIFY(writeFile(file, (lines.join(u'\n') + u'\n').toUtf8()));
        const Run r = run({u"apply"_s, u"--yes"_s, file});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.code, 0);
        QCOMPARE(namesAndTitles(run({u"list"_s}).out), expected);
        for (int n = 0; n < kTitles.size(); ++n)
            QCOMPARE(QFile::exists(m_card + u'/' + songName(n)), order.contains(n));
    }

    void applyErrorsChangeNothing_data()
    {
        QTest::addColumn<QString>("extraLine");
        QTest::addColumn<int>("code");
        QTest::newRow("a song not on the card") << u"1\tSDS_0009.3G2\tX"_s << 2;
        QTest::newRow("a song given twice") << u"1\tSDS_0003.3G2\tX"_s << 2;
        QTest::newRow("a line without a title column") << u"1\tSDS_0003.3G2"_s << 2;
    }

    void applyErrorsChangeNothing()
    {
        QFETCH(QString, extraLine);
        QFETCH(int, code);
        makeCard(m_card, kTitles);
        const auto before = snapshot(m_card);
        // Song 1's line is gone too: a deletion the error must stop as well.
        QStringList lines = run({u"list"_s}).out.split(u'\n', Qt::SkipEmptyParts);
        lines.removeAt(1);
        lines << extraLine;
        const QString file = m_tmp->path() + u"/edited.tsv"_s;
        QVERIFY(writeFile(file, lines.join(u'\n').toUtf8()));
        const Run r = run({u"apply"_s, u"--yes"_s, file});
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(u"line 5: "_s), qPrintable(r.err));
        QVERIFY(snapshot(m_card) == before);
    }

    void applyWithoutYesAndTerminalRefusesToDelete()
    {
        makeCard(m_card, kTitles);
        const auto before = snapshot(m_card);
        QStringList lines = run({u"list"_s}).out.split(u'\n', Qt::SkipEmptyParts);
        const QString file = m_tmp->path() + u"/edited.tsv"_s;
        QVERIFY(writeFile(file, lines.mid(0, 4).join(u'\n').toUtf8()));
        const Run refused = run({u"apply"_s, file});
        QCOMPARE(refused.code, 1);
        QVERIFY2(refused.err.contains(u"--yes"_s), qPrintable(refused.err));
        QVERIFY(snapshot(m_card) == before);

        // Moving deletes nothing: no confirmation needed.
        lines.move(4, 0);
        QVERIFY(writeFile(file, lines.join(u'\n').toUtf8()));
        QCOMPARE(run({u"apply"_s, file}).code, 0);
        QCOMPARE(namesAndTitles(run({u"list"_s}).out).value(0), u"1\tSDS_0004.3G2\tLast"_s);
    }

    void editGivesTheCardOfTheRewrite()
    {
        // The same card twice: one edited through the command, one rewritten directly.
        const QString twin = m_volumes + u"/TWIN/D_SD"_s;
        makeCard(m_card, kTitles);
        makeCard(twin, kTitles);
        const QString editor = m_tmp->path() + u"/editor.sh"_s;
        QVERIFY(writeFile(editor, R"(#!/bin/sh
set -e
awk -F '\t' 'BEGIN { OFS = "\t" }
    $2 == "SDS_0001.3G2" { next }
    $2 == "SDS_0002.3G2" { $3 = "新しい題名" }
    $2 == "SDS_0004.3G2" { top = $0; next }
    { rest = rest $0 "\n" }
    END { printf "%s\n%s", top, rest }' "$1" > "$1.new"
sed -i 's/\t追加\t/\t追加 (live)\t/' "$1.new"
mv "$1.new" "$1"
)"));
        QVERIFY(QFile::setPermissions(editor, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const Run r = runCli({u"edit"_s, u"--yes"_s}, m_volumes, m_tmp->path() + u"/prefs"_s,
                             {u"VISUAL="_s + editor, u"EDITOR=false"_s});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.code, 0);

        CardRewrite job;
        const QStringList listed{songName(0), songName(1), songName(2), songName(3), songName(4)};
        job.setFolder(FileItem(twin));
        job.setListing(FileItem(twin), listed);
        job.setRows({{songName(4), kTitles[4], true}, {songName(0), kTitles[0], true},
                     {songName(2), u"新しい題名"_s, true}, {songName(3), u"追加 (live)"_s, true},
                     {songName(1), kTitles[1], false}});
        QSignalSpy finished(&job, &coop::Thread::finished);
        job.start();
        QVERIFY(finished.wait(10000));
        QCOMPARE(job.result().ending, CardRewriteResult::Ending::Completed);

        const auto edited = snapshot(m_card);
        const auto rewritten = snapshot(twin);
        QCOMPARE(edited.keys(), rewritten.keys());
        for (const QString &name : edited.keys())
            QCOMPARE(edited[name].first, rewritten[name].first);
        QStringList twinOrder;
        for (const CardSong &song : CardListing::readCard(FileItem(twin)).songs)
            twinOrder << song.fileName;
        QCOMPARE(twinOrder, (QStringList{songName(4), songName(0), songName(2), songName(3)}));
        QStringList editedOrder;
        for (const QString &line : namesAndTitles(run({u"list"_s}).out))
            editedOrder << line.section(u'\t', 1, 1);
        QCOMPARE(editedOrder, twinOrder);
    }

    void editThatChangesNothing_data()
    {
        QTest::addColumn<QString>("editor");
        QTest::addColumn<int>("code");
        QTest::newRow("file left as it was") << u"true"_s << 0;
        QTest::newRow("editor fails after changing") << u"sh -c 'echo >\"$0\"; exit 3'"_s << 1;
    }

    void editThatChangesNothing()
    {
        QFETCH(QString, editor);
        QFETCH(int, code);
        makeCard(m_card, kTitles);
        const auto before = snapshot(m_card);
        const Run r = runCli({u"edit"_s, u"--yes"_s}, m_volumes, m_tmp->path() + u"/prefs"_s, {u"VISUAL="_s + editor});
        QCOMPARE(r.code, code);
        QVERIFY(snapshot(m_card) == before);
    }

    void wrongUsage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::newRow("no source") << QStringList{u"transfer"_s} << 2;
        QTest::newRow("unknown option") << QStringList{u"transfer"_s, u"--fast"_s, u"x"_s} << 2;
        QTest::newRow("bad order") << QStringList{u"transfer"_s, u"--title-order"_s, u"19"_s, u"x"_s} << 2;
        QTest::newRow("bad bytes") << QStringList{u"transfer"_s, u"--title-bytes"_s, u"20,20"_s, u"x"_s} << 2;
        QTest::newRow("missing space value") << QStringList{u"transfer"_s, u"x"_s, u"--keep-space"_s} << 2;
        QTest::newRow("two folders to check") << QStringList{u"check"_s, u"a"_s, u"b"_s} << 2;
        QTest::newRow("missing source") << QStringList{u"transfer"_s, u"/no/such/folder"_s} << 1;
        QTest::newRow("apply without a file") << QStringList{u"apply"_s, u"--yes"_s} << 2;
        QTest::newRow("list of two folders") << QStringList{u"list"_s, u"a"_s, u"b"_s} << 2;
        QTest::newRow("edit with an unknown option") << QStringList{u"edit"_s, u"--force"_s} << 2;
    }

    void wrongUsage()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        const Run r = run(args);
        QCOMPARE(r.code, code);
        QVERIFY(!r.err.isEmpty());
        QCOMPARE(QDir(m_card).entryList(QDir::Files), QStringList());
    }

    void badOptionValues_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("named");
        const QString keep = u"--keep-space"_s;
        const QString bytes = u"--title-bytes"_s;
        QTest::newRow("a number with a unit") << QStringList{keep, u"999999x"_s} << keep;
        QTest::newRow("a negative number") << QStringList{keep, u"-1"_s} << keep;
        QTest::newRow("an empty number") << QStringList{keep, QString()} << keep;
        QTest::newRow("a number past nine digits") << QStringList{keep, u"1000000000"_s} << keep;
        QTest::newRow("a blank before the number") << QStringList{keep, u" 5"_s} << keep;
        QTest::newRow("全角の数字") << QStringList{keep, u"１２"_s} << keep;
        QTest::newRow("a given value after a good one") << QStringList{keep, u"5"_s, keep, u"5MB"_s} << keep;
        QTest::newRow("one of three bytes is no number") << QStringList{bytes, u"20,10,1x"_s} << bytes;
        QTest::newRow("two bytes of three") << QStringList{bytes, u"20,10"_s} << bytes;
        QTest::newRow("an empty byte count") << QStringList{bytes, u"20,,20"_s} << bytes;
        QTest::newRow("a negative byte count") << QStringList{bytes, u"20,-10,30"_s} << bytes;
        QTest::newRow("a byte count past the title's 40") << QStringList{bytes, u"0,0,41"_s} << bytes;
        QTest::newRow("an order with a line break")
            << QStringList{u"--title-order"_s, u"123\n"_s} << u"--title-order"_s;
        QTest::newRow("an empty destination") << QStringList{u"--to"_s, QString()} << u"--to"_s;
        QTest::newRow("a value for a switch") << QStringList{u"--add=1"_s} << u"--add"_s;
    }
    void badOptionValues()
    {
        // Accepted, each of these would replace the card's songs.
        QFETCH(QStringList, options);
        QFETCH(QString, named);
        QVERIFY(writeFile(m_card + u"/SDS_0000.3G2"_s, "old"));
        const Run r = run(QStringList{u"transfer"_s, u"--replace"_s} + options + QStringList{m_music});
        QCOMPARE(r.code, 2);
        QCOMPARE(r.out, QString());
        QVERIFY2(r.err.startsWith(u"songkite-cli: "_s + named), qPrintable(r.err));
        QVERIFY2(r.err.endsWith(u"\nTry songkite-cli --help\n"_s), qPrintable(r.err));
        QCOMPARE(r.err.count(u'\n'), 2);
        QCOMPARE(QDir(m_card).entryList(QDir::Files), QStringList{u"SDS_0000.3G2"_s});
        QCOMPARE(readFile(m_card + u"/SDS_0000.3G2"_s), QByteArray("old"));
    }

private:
    Run run(const QStringList &args) { return runCli(args, m_volumes, m_tmp->path() + u"/prefs"_s); }

    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_volumes;
    QString m_card;
    QString m_music;
};

QTEST_GUILESS_MAIN(TestCliCard)
#include "test_cli_card.moc"
