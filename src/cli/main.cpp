// songkite-cli: the program's core from the command line, without windows.

#include "cli/CliArguments.h"
#include "cli/CliCommands.h"

#include <QCoreApplication>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace {

const QString kHelp = uR"(Usage: songkite-cli COMMAND [ARGUMENTS]

Commands:
  songs SOURCE...   Builds the song list from each SOURCE, in order: a music folder,
                    scanned as the app scans it, or a song-list file read as the app's
                    "開く" reads it (an exported ".txt" list, a ".list" or the
                    "musiclist.default" own list). Prints one line per row, in list order:
                    number, title, artist, album, size, colon path, source and the check
                    mark (1 or 0), TAB-separated. A TAB, line break or backslash inside a
                    cell is written as \t, \n, \r or \\. A missing source is an error.
                      --save-list NAME       also write the list as the own list NAME.list
                                             in the list folder (no ":", "/" or "\")
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
                    Exit 0 when the run went through, 1 when it stopped on an error or
                    no song was checked (the card is then left as it is).
  check [FOLDER]    Reads every management file and song file of a card folder (default:
                    the card folder) and prints each inconsistency on its own line.
                    Exit 0 when there is none, 1 otherwise.
  list [FOLDER]     Prints the songs of a card folder (default: the card folder) in the
                    card's order, one line per song: position from 1, song file name,
                    title, modification time (YYYY-MM-DD HH:MM) and size in bytes,
                    TAB-separated, cells escaped as "songs" escapes them. Exit 1 when the
                    folder or a management file cannot be read.
  apply [--yes] FILE [FOLDER]
                    Applies an edited listing FILE (as "list" prints it) to the card
                    folder: a song whose line is gone is deleted, a changed title is
                    written, and the order of the lines becomes the card's order. Lines
                    are matched by song file name; the other columns but the title are
                    ignored. A name that is not on the card, or is given twice, is an
                    error (exit 2) and changes nothing. Deleting asks y/N when standard
                    input is a terminal; without a terminal it needs --yes and is refused
                    otherwise (exit 1, nothing changed).
  edit [--yes] [FOLDER]
                    Opens the listing in $VISUAL or $EDITOR (default vi) and, when the
                    editor exits with status 0 and the listing changed, applies it as
                    "apply" does.
  volumes           Prints one line per volume: name, mount point, free MB, capacity MB
                    (1 MB = 1,000,000 bytes) and "true" or "false" for ejectable,
                    TAB-separated.
  --help            Prints this text.
  --version         Prints the version.

Exit status: 0 on success, 1 on an error (message on standard error), 2 on bad usage.
)"_s;

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"songkite-cli"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(SONGKITE_VERSION));
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();

    if (args.isEmpty()) {
        cliErr() << kHelp;
        return 2;
    }
    const QString command = args.takeFirst();
    if (command == u"--help"_s || command == u"-h"_s || command == u"help"_s) {
        cliOut() << kHelp;
        cliOut().flush();
        return 0;
    }
    if (command == u"--version"_s) {
        cliOut() << QCoreApplication::applicationVersion() << '\n';
        cliOut().flush();
        return 0;
    }
    try {
        if (command == u"songs"_s)
            return songsCommand(parseSongsArguments(args));
        if (command == u"transfer"_s)
            return transferCommand(parseTransferArguments(args));
        if (command == u"check"_s)
            return checkCommand(parseCheckArguments(args));
        if (command == u"list"_s)
            return listCommand(parseListArguments(args));
        if (command == u"apply"_s)
            return applyCommand(parseApplyArguments(args));
        if (command == u"edit"_s)
            return editCommand(parseEditArguments(args));
        if (command == u"volumes"_s) {
            parseVolumesArguments(args);
            return volumesCommand();
        }
        throw UsageError{u"unknown command: "_s + command};
    } catch (const UsageError &error) {
        cliErr() << "songkite-cli: " << error.message << "\nTry songkite-cli --help\n";
        cliErr().flush();
        return 2;
    }
}
