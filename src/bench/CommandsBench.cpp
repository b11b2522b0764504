// `songkite-bench commands N`: the main window, offscreen, with N rows; every whole-list
// command, the recount and the shuffle, one after the other.

#include "app/MenuBar1.h"
#include "bench/BenchTools.h"
#include "platform/Prompts.h"
#include "prefs/Preferences.h"
#include "songlist/CheckCommands.h"
#include "songlist/ReIndexNum.h"
#include "songlist/SongListModel.h"
#include "songlist/SongListView.h"
#include "songlist/Window1.h"

#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QLabel>

#include <cstdio>
#include <memory>

using namespace Qt::StringLiterals;

namespace bench {

namespace {

QList<SongRow> makeRows(int n, int sources)
{
    const QStringList titles{u"夜空のムコウ"_s, u"チェリー"_s, u"Automatic"_s, u"島唄"_s, u"ロビンソン"_s,
                             u"涙そうそう"_s, u"First Love"_s, u"さくら（独唱）"_s};
    QList<SongRow> rows;
    rows.reserve(n);
    for (int i = 0; i < n; ++i) {
        // Sources in blocks, as folder scans add them.
        const QString source = u"Linux:Music:アーティスト %1:"_s.arg(i * sources / n + 1);
        rows << SongRow::make(QString::number(i + 1), titles[i % titles.size()] + u' ' + QString::number(i),
                              u"アーティスト %1"_s.arg(i % 97), u"アルバム %1"_s.arg(i % 331),
                              2000000 + qint64(i % 7001) * 1000, source + u"%1.m4a"_s.arg(i), source);
    }
    return rows;
}

} // namespace

int runCommands(const QStringList &args)
{
    bool ok = false;
    const int n = args.value(0).toInt(&ok);
    if (!ok || n < 1) {
        std::fprintf(stderr, "usage: songkite-bench commands N\n");
        return 2;
    }
    preference::resetToInitial();
    auto *scripted = new ScriptedPrompts;
    Prompts::install(std::unique_ptr<Prompts>(scripted));

    MenuBar1 bar;
    Window1 w(&bar, nullptr);
    w.setContentGeometry(QRect(40, 40, 700, 520));
    w.show();
    SongListModel *songs = w.songList();
    CheckCommands *commands = w.checkCommands();
    songs->appendRows(makeRows(n, 4));
    w.sourceLabel()->setText(songs->cell(0, SongRow::Source));
    runUntil([] { return false; }, 100);

    qint64 totalKB = 0;
    for (const SongRow &r : songs->rows())
        totalKB += r.sizeKB();
    // Half the list fits the room, so the fill walks every row and changes many.
    commands->roomToFill = [totalKB] { return totalKB / 2; };

    auto selectFirstHalf = [&] {
        const QItemSelection half(songs->index(0, 0), songs->index(songs->rowCount() / 2 - 1, SongRow::kCells - 1));
        w.listBox()->selectionModel()->select(half, QItemSelectionModel::ClearAndSelect);
    };
    auto quiet = [&] { return !commands->isBusy() && !w.reIndexNum1()->isRunning(); };

    GapMeter gaps;
    auto measure = [&](const QString &name, const std::function<void()> &start) {
        QElapsedTimer t;
        gaps.start();
        t.start();
        start();
        const bool finished = runUntil(quiet, 60000);
        const double ms = t.nsecsElapsed() / 1e6;
        gaps.stop();
        printLine(finished ? name : name + u" (timed out)"_s, ms, gaps.longestGapMs());
    };
    auto command = [&](const QString &id) { return [&w, id] { w.handleCommand(id); }; };

    measure(u"releaseAllRows"_s, command(u"releaseAllRows"_s));
    measure(u"selectAllRows"_s, command(u"selectAllRows"_s));
    selectFirstHalf();
    measure(u"releaseSelRows"_s, command(u"releaseSelRows"_s));
    measure(u"checkSelRows"_s, command(u"checkSelRows"_s));
    measure(u"checkSelFolder"_s, command(u"checkSelFolder"_s));
    measure(u"releaseSelFolder"_s, command(u"releaseSelFolder"_s));
    measure(u"checkSelExRows"_s, command(u"checkSelExRows"_s));
    measure(u"releaseSelExRows"_s, command(u"releaseSelExRows"_s));
    measure(u"releaseAllSelect"_s, command(u"releaseAllSelect"_s));
    measure(u"countEnableFile"_s, [&w] { w.countEnableFile(); });
    measure(u"randomsort"_s, [&w] { w.listShuffle(); });
    measure(u"randomDelete"_s, [commands, n] { commands->randomUncheck(n / 5); });
    selectFirstHalf();
    measure(u"selRemoveRows"_s, command(u"selRemoveRows"_s));
    scripted->answers = {Prompts::Answer::Ok};
    measure(u"EditClear"_s, command(u"EditClear"_s));

    std::printf("rss\t%.1f\n", peakRssMB());
    return 0;
}

} // namespace bench
