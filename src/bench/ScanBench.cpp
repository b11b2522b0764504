// `songkite-bench scan DIR`: the main window, offscreen, scans DIR as a chosen music folder;
// the time until the rows are in and recounted, and the longest the window went unserved.

#include "gui/main/MenuBar.h"
#include "bench/BenchTools.h"
#include "core/platform/FileItem.h"
#include "core/platform/Prompts.h"
#include "core/prefs/Preferences.h"
#include "core/songlist/CheckCommands.h"
#include "core/songlist/SongListModel.h"
#include "gui/main/MainWindow.h"
#include "core/sources/FolderScan.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <memory>

namespace bench {

int runScan(const QStringList &args)
{
    const QFileInfo dir(args.value(0));
    if (args.size() != 1 || !dir.isDir()) {
        std::fprintf(stderr, "usage: songkite-bench scan DIR\n");
        return 2;
    }
    preference::resetToInitial();
    Prompts::install(std::make_unique<ScriptedPrompts>());

    // Rows carry colon paths: a folder on no volume is reached through one made for it.
    FileItem folder(dir.absoluteFilePath());
    if (folder.colonPath().isEmpty()) {
        const QString link = qEnvironmentVariable("SONGKITE_VOLUMES") + QStringLiteral("/Bench");
        QFile::link(dir.absoluteFilePath(), link);
        folder = FileItem(link);
    }

    MenuBar bar;
    MainWindow w(&bar, nullptr);
    w.setContentGeometry(QRect(40, 40, 700, 520));
    w.show();
    runUntil([] { return false; }, 100);

    auto idle = [&w] { return !w.folderScan()->isBusy() && !w.checkCommands()->isBusy(); };
    GapMeter gaps;
    QElapsedTimer t;
    gaps.start();
    t.start();
    w.scanMusicFolder(folder);
    const bool finished = runUntil(idle, 600000);
    const double ms = t.nsecsElapsed() / 1e6;
    gaps.stop();
    std::printf("scan%s\t%.1f\t%.1f\t%d\n", finished ? "" : " (timed out)", ms, gaps.longestGapMs(),
                w.songList()->rowCount());
    return finished ? 0 : 1;
}

} // namespace bench
