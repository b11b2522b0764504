// `songkite-bench commands N`: the main window, offscreen, with N rows; every whole-list
// command, the recount and the shuffle, one after the other.

#include "gui/main/MenuBar.h"
#include "bench/BenchTools.h"
#include "core/platform/Prompts.h"
#include "core/prefs/Preferences.h"
#include "core/songlist/CheckCommands.h"
#include "core/songlist/Renumbering.h"
#include "core/songlist/SongListModel.h"
#include "gui/songlist/SongListView.h"
#include "gui/main/MainWindow.h"

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

    MenuBar bar;
    MainWindow w(&bar, nullptr);
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
        w.songListView()->selectionModel()->select(half, QItemSelectionModel::ClearAndSelect);
    };
    auto quiet = [&] { return !commands->isBusy() && !w.renumbering()->isRunning(); };

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

    measure(u"uncheckAllRows"_s, command(u"uncheckAllRows"_s));
    measure(u"checkAllRows"_s, command(u"checkAllRows"_s));
    selectFirstHalf();
    measure(u"uncheckSelectedRows"_s, command(u"uncheckSelectedRows"_s));
    measure(u"checkSelectedRows"_s, command(u"checkSelectedRows"_s));
    measure(u"checkSourceRows"_s, command(u"checkSourceRows"_s));
    measure(u"uncheckSourceRows"_s, command(u"uncheckSourceRows"_s));
    measure(u"checkRowsOutsideSource"_s, command(u"checkRowsOutsideSource"_s));
    measure(u"uncheckRowsOutsideSource"_s, command(u"uncheckRowsOutsideSource"_s));
    measure(u"deselectAll"_s, command(u"deselectAll"_s));
    measure(u"recountTotals"_s, [&w] { w.recountTotals(); });
    measure(u"startShuffle"_s, [&w] { w.shuffleList(); });
    measure(u"openRandomUncheck"_s, [commands, n] { commands->randomUncheck(n / 5); });
    selectFirstHalf();
    measure(u"removeSelectedRows"_s, command(u"removeSelectedRows"_s));
    scripted->answers = {Prompts::Answer::Ok};
    measure(u"askClearList"_s, command(u"askClearList"_s));

    std::printf("rss\t%.1f\n", peakRssMB());
    return 0;
}

} // namespace bench
