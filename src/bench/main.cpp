// songkite-bench: runs the program's long operations on generated data and prints how
// long they took. Figures only; nothing here passes or fails.

#include "bench/BenchTools.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace bench {
int runCommands(const QStringList &args);
int runScan(const QStringList &args);
int runStartup(const QStringList &args);
int runRewrite(const QStringList &args);
}

namespace {

const bench::Subcommand kSubcommands[] = {
    {"commands", "N    fill the main window with N rows and time each whole-list command", bench::runCommands},
    {"scan", "DIR  scan DIR into the main window as a chosen music folder", bench::runScan},
    {"startup", "N  open the main window with an N-row default list", bench::runStartup},
    {"rewrite", "N  rewrite a card of N songs in place: new order, titles, one in ten deleted", bench::runRewrite},
};

void usage()
{
    std::fprintf(stderr, "usage: songkite-bench SUBCOMMAND ARGS...\n");
    for (const bench::Subcommand &s : kSubcommands)
        std::fprintf(stderr, "  %s %s\n", s.name, s.usage);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The windows read and create their folders: keep them away from the user's own.
    QTemporaryDir scratch;
    for (const char *name : {"SONGKITE_PREFS_DIR", "SONGKITE_HOME", "SONGKITE_VOLUMES"}) {
        if (qEnvironmentVariableIsEmpty(name)) {
            const QString dir = scratch.path() + QLatin1Char('/') + QLatin1String(name);
            QDir().mkpath(dir);
            qputenv(name, dir.toUtf8());
        }
    }
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        usage();
        return 2;
    }
    for (const bench::Subcommand &s : kSubcommands)
        if (args.first() == QLatin1String(s.name))
            return s.run(args.mid(1));
    usage();
    return 2;
}
