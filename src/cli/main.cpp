// songkite-cli: the program's core from the command line, without windows.

#include "core/platform/FileItem.h"
#include "core/platform/VolumeTable.h"
#include "core/library/LibraryBridge.h"
#include "core/songlist/SessionState.h"
#include "core/songlist/SongListModel.h"
#include "core/sources/FolderScan.h"
#include "core/sources/SourceRecord.h"
#include "cli/CliCommands.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTextStream>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

const QString kHelp = uR"(Usage: songkite-cli COMMAND [ARGUMENTS]

Commands:
  songs SOURCE...   Builds the song list from each SOURCE (a music folder, scanned as the
                    app scans it) and prints one line per row, in list order: number,
                    title, artist, album, size, colon path, source and the check mark
                    (1 or 0), TAB-separated. A TAB, line break or backslash inside a cell
                    is written as \t, \n, \r or \\. A missing source is an error.
  transfer [OPTIONS] SOURCE...
                    Builds the song list as "songs" does and sends the checked songs to
                    the card folder with the app's transfer, then prints the result text
                    ("N曲転送しました " or the stop text). Options not given come from the
                    preferences file:
                      --to FOLDER            destination folder (default: the card folder)
                      --add | --replace      add to the card, or delete its songs and
                                             management files first
                      --shuffle              random order, filling the card's room
                      --keep-space MB        megabytes to leave free
                      --title-order DIGITS   positions of title, artist and album
                      --title-bytes T,A,B    bytes for title, artist and album
                      --patch-bitrate | --no-patch-bitrate
                    Exit 0 when the run went through, 1 when it stopped on an error.
  check [FOLDER]    Reads every management file and song file of a card folder (default:
                    the card folder) and prints each inconsistency on its own line.
                    Exit 0 when there is none, 1 otherwise.
  volumes           Prints one line per volume: name, mount point, free MB, capacity MB
                    (1 MB = 1,000,000 bytes) and "true" or "false" for ejectable,
                    TAB-separated.
  --help            Prints this text.
  --version         Prints the version.

Exit status: 0 on success, 1 on an error (message on standard error), 2 on bad usage.
)"_s;

QTextStream &out()
{
    static QTextStream s(stdout);
    return s;
}

QTextStream &err()
{
    static QTextStream s(stderr);
    return s;
}

// Keeps one row on one line whatever a file name holds.
QString escaped(const QString &cell)
{
    QString text;
    text.reserve(cell.size());
    for (const QChar c : cell) {
        switch (c.unicode()) {
        case u'\\': text += u"\\\\"_s; break;
        case u'\t': text += u"\\t"_s; break;
        case u'\n': text += u"\\n"_s; break;
        case u'\r': text += u"\\r"_s; break;
        default: text += c;
        }
    }
    return text;
}

} // namespace

int scanSources(const QStringList &sources, SongListModel &list)
{
    if (sources.isEmpty()) {
        err() << "songkite-cli: at least one SOURCE is needed\n";
        return 2;
    }
    QList<FileItem> folders;
    bool missing = false;
    for (const QString &source : sources) {
        const FileItem item(source);
        if (!item.exists()) {
            err() << "songkite-cli: no such source: " << source << '\n';
            missing = true;
        } else if (!item.isFolder()) {
            err() << "songkite-cli: not a music folder: " << source << '\n';
            missing = true;
        }
        folders.append(item);
    }
    if (missing)
        return 1;

    SessionState props;
    SourceRecord record;
    FolderScan scan(&list, &props, &record);
    QEventLoop loop;
    QObject::connect(&scan, &FolderScan::busyChanged, &loop, [&loop](bool busy) {
        if (!busy)
            loop.quit();
    });
    for (const FileItem &folder : std::as_const(folders))
        scan.scanMusicFolder(folder);
    if (scan.isBusy())
        loop.exec();
    return 0;
}

QTextStream &cliOut() { return out(); }
QTextStream &cliErr() { return err(); }

namespace {

int songs(const QStringList &sources)
{
    SongListModel list;
    if (const int code = scanSources(sources, list))
        return code;

    QString text;
    for (const SongRow &row : list.rows()) {
        for (const QString &cell : row.cells)
            text += escaped(cell) + u'\t';
        text += row.checked ? u"1\n"_s : u"0\n"_s;
        if (text.size() > 1 << 16) {
            out() << text;
            text.clear();
        }
    }
    out() << text;
    out().flush();
    return 0;
}

int volumes()
{
    const QList<Volume> all = VolumeTable::instance().volumes();
    for (const Volume &v : all) {
        out() << v.name << '\t' << v.mountPoint << '\t'
              << (v.freeBytes < 0 ? QString() : LibraryBridge::megabytes(v.freeBytes)) << '\t'
              << (v.capacityBytes < 0 ? QString() : LibraryBridge::megabytes(v.capacityBytes)) << '\t'
              << (v.ejectable ? "true" : "false") << '\n';
    }
    out().flush();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"songkite-cli"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(SONGKITE_VERSION));
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();

    if (args.isEmpty()) {
        err() << kHelp;
        return 2;
    }
    const QString command = args.takeFirst();
    if (command == u"--help"_s || command == u"-h"_s || command == u"help"_s) {
        out() << kHelp;
        out().flush();
        return 0;
    }
    if (command == u"--version"_s) {
        out() << QCoreApplication::applicationVersion() << '\n';
        out().flush();
        return 0;
    }
    if (command == u"songs"_s)
        return songs(args);
    if (command == u"transfer"_s)
        return transferCommand(args);
    if (command == u"check"_s)
        return checkCommand(args);
    if (command == u"volumes"_s && args.isEmpty())
        return volumes();
    err() << "songkite-cli: unknown command: " << command << "\nTry songkite-cli --help\n";
    return 2;
}
