// `songkite-bench rewrite N`: a card of N songs rewritten in place as the card update does:
// every row retitled and redated in a new order, one song in ten deleted.

#include "bench/BenchTools.h"
#include "core/card/CardLayout.h"
#include "core/cardedit/CardListing.h"
#include "core/cardedit/CardRewrite.h"
#include "core/platform/TextCodec.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace bench {

namespace {

bool writeCard(const QString &card, int n)
{
    if (!QDir().mkpath(card))
        return false;
    for (int m = 0; m * 100 < n; ++m) {
        QByteArray mgr = CardFormat::newMgrFile(m);
        for (int s = 0; s < 100 && m * 100 + s < n; ++s) {
            const int number = m * 100 + s;
            mgr.replace(CardFormat::slotOffset(s), CardFormat::kSlotSize,
                        CardFormat::usedSlot(number, ShiftJis::encode(u"曲 %1"_s.arg(number))));
            QFile song(card + u'/' + *CardFormat::songFileName(number));
            if (!song.open(QIODevice::WriteOnly) || song.write("song") != 4)
                return false;
        }
        QFile file(card + u'/' + *CardFormat::mgrFileName(m));
        if (!file.open(QIODevice::WriteOnly) || file.write(mgr) != mgr.size())
            return false;
    }
    return true;
}

} // namespace

int runRewrite(const QStringList &args)
{
    bool ok = false;
    const int n = args.value(0).toInt(&ok);
    if (!ok || n < 1 || n > CardFormat::kMaxSongNumber + 1) {
        std::fprintf(stderr, "usage: songkite-bench rewrite N   (N from 1 to 10000)\n");
        return 2;
    }
    QTemporaryDir scratch;
    const QString card = scratch.path() + u"/D_SD"_s;
    if (!scratch.isValid() || !writeCard(card, n)) {
        std::fprintf(stderr, "songkite-bench: cannot write the card\n");
        return 1;
    }
    const FileItem folder(card);
    const CardContents listed = CardListing::readCard(folder);
    QStringList names;
    QList<CardEditRow> rows;
    for (const CardSong &song : listed.songs)
        names.append(song.fileName);
    // The listing turned upside down, each title changed, every tenth song deleted.
    for (qsizetype i = names.size() - 1; i >= 0; --i)
        rows.append({names.at(i), u"新しい曲 %1"_s.arg(i), i % 10 != 0});

    CardRewrite job;
    job.setFolder(folder);
    job.setListing(folder, names);
    job.setRows(rows);
    GapMeter gaps;
    QElapsedTimer clock;
    gaps.start();
    clock.start();
    job.start();
    const bool ended = runUntil([&job] { return !job.isRunning(); }, 120000);
    const double ms = clock.nsecsElapsed() / 1e6;
    gaps.stop();
    if (!ended || job.result().ending != CardRewriteResult::Ending::Completed) {
        std::fprintf(stderr, "songkite-bench: the rewrite did not complete\n");
        return 1;
    }
    std::printf("rewrite\t%.1f\t%.1f\t%d\n", ms, gaps.longestGapMs(), int(rows.size()));
    std::fflush(stdout);
    return 0;
}

} // namespace bench
