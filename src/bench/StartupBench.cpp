// `songkite-bench startup N`: the main window opens with an N-row default list, read by the
// real loader; the time until the rows are shown and counted, and the longest the window
// went unserved on the way.

#include "bench/BenchTools.h"
#include "core/platform/AppPaths.h"
#include "core/platform/Prompts.h"
#include "core/prefs/Preferences.h"
#include "core/songlist/CheckCommands.h"
#include "core/songlist/SongListModel.h"
#include "core/sources/SongListFile.h"
#include "gui/main/MainWindow.h"
#include "gui/main/MenuBar.h"
#include "gui/songlist/SongListView.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressBar>

#include <cstdio>
#include <memory>

namespace bench {

namespace {

/// N song files on a volume of their own and the default list that names them, every
/// tenth row unchecked.
bool writeDefaultList(int rows)
{
    const QString volume = qEnvironmentVariable("SONGKITE_VOLUMES") + QStringLiteral("/Bench");
    QList<SongRow> list;
    list.reserve(rows);
    for (int i = 0; i < rows; ++i) {
        const QString folder = QStringLiteral("Artist %1/Album %2").arg(i / 500).arg(i / 20);
        const QString name = QStringLiteral("%1 曲 %2.m4a").arg(i % 20 + 1, 2, 10, QLatin1Char('0')).arg(i);
        if (i % 20 == 0 && !QDir().mkpath(volume + QLatin1Char('/') + folder))
            return false;
        QFile f(volume + QLatin1Char('/') + folder + QLatin1Char('/') + name);
        if (!f.open(QIODevice::WriteOnly))
            return false;
        SongRow row = SongRow::make(QString::number(i + 1), QStringLiteral("曲 %1").arg(i), QStringLiteral("Artist %1").arg(i / 500),
                                    QStringLiteral("Album %1").arg(i / 20), 4000000 + i,
                                    QStringLiteral("Bench:") + QString(folder).replace(QLatin1Char('/'), QLatin1Char(':'))
                                        + QLatin1Char(':') + name,
                                    QStringLiteral("曲リスト"));
        row.checked = i % 10 != 0;
        list.append(row);
    }
    return SongListFile::saveSongList(AppPaths::listFolder(), QString(), list);
}

} // namespace

int runStartup(const QStringList &args)
{
    bool ok = false;
    const int rows = args.value(0).toInt(&ok);
    if (args.size() != 1 || !ok || rows < 0) {
        std::fprintf(stderr, "usage: songkite-bench startup N\n");
        return 2;
    }
    preference::resetToInitial();
    Prompts::install(std::make_unique<ScriptedPrompts>());
    if (!writeDefaultList(rows)) {
        std::fprintf(stderr, "songkite-bench: cannot write the default list\n");
        return 1;
    }

    MenuBar bar;
    GapMeter gaps;
    QElapsedTimer t;
    gaps.start();
    t.start();
    MainWindow w(&bar, nullptr);
    w.setContentGeometry(QRect(40, 40, 700, 520));
    w.show();
    auto shownAndCounted = [&w, rows] {
        return w.songList()->rowCount() == rows && w.busyIndicator()->isHidden() && !w.checkCommands()->isBusy()
            && w.songListView()->isVisible();
    };
    const bool finished = runUntil(shownAndCounted, 600000);
    const double ms = t.nsecsElapsed() / 1e6;
    gaps.stop();
    std::printf("startup%s\t%.1f\t%.1f\t%d\n", finished ? "" : " (timed out)", ms, gaps.longestGapMs(),
                w.songList()->rowCount());
    std::printf("peak RSS\t%.1f MB\n", peakRssMB());
    return finished ? 0 : 1;
}

} // namespace bench
