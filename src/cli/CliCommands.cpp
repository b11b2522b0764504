// The commands of songkite-cli: the song list as the app builds it, the app's transfer, a
// consistency check of the card and the volume table.

#include "cli/CliCommands.h"

#include "core/card/CardCheck.h"
#include "core/destination/CardFolder.h"
#include "core/destination/Destination.h"
#include "core/library/LibraryBridge.h"
#include "core/platform/AppPaths.h"
#include "core/platform/FileItem.h"
#include "core/platform/VolumeTable.h"
#include "core/prefs/Preferences.h"
#include "core/songlist/CheckCommands.h"
#include "core/songlist/Renumbering.h"
#include "core/songlist/SessionState.h"
#include "core/songlist/SongListModel.h"
#include "core/sources/FolderScan.h"
#include "core/sources/ListFolderJob.h"
#include "core/sources/SongListFile.h"
#include "core/sources/SourceRecord.h"
#include "core/transfer/TransferJob.h"
#include "core/transfer/TransferSetup.h"

#include <QEventLoop>
#include <QTextStream>

#include <cstdio>
#include <cstring>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

/// The preferences as the app reads them at start-up, its card folder defaults filled in;
/// whether the add box was on.
bool readPreferences()
{
    const preference::Placement place = preference::readPreferences(AppPaths::prefsFile(), QSize(1 << 20, 1 << 20));
    CardFolder::fillPreferenceDefaults();
    return place.addChecked;
}

/// Fills `list` from music folders as the app's scan does; 0, or 1 for a missing source.
bool isSongList(const FileItem &item)
{
    const QString name = item.name();
    return !item.isFolder()
        && (name.endsWith(u".txt"_s, Qt::CaseInsensitive) || name.endsWith(u".list"_s, Qt::CaseInsensitive)
            || name == SongListFile::kDefaultList);
}

/// Reads one song-list file as the song-list dialog's "開く" does.
void readSongList(const FileItem &file, SongListModel &list, SessionState &props, SourceRecord &record)
{
    ListFolderJob job(&list, &record, nullptr, props, file.parent().posixPath(), ListFolderJob::Mode::ReadChosenLists);
    job.setChosenFiles({file.name()});
    QEventLoop loop;
    QObject::connect(&job, &coop::Thread::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
}

int scanSources(const QStringList &sources, SongListModel &list)
{
    QList<FileItem> items;
    bool missing = false;
    for (const QString &source : sources) {
        const FileItem item(source);
        if (!item.exists()) {
            cliErr() << "songkite-cli: no such source: " << source << '\n';
            missing = true;
        } else if (!item.isFolder() && !isSongList(item)) {
            cliErr() << "songkite-cli: not a music folder or song list: " << source << '\n';
            missing = true;
        }
        items.append(item);
    }
    if (missing)
        return 1;

    // One state for every source, so that rows are numbered on as they come.
    SessionState props;
    SourceRecord record;
    FolderScan scan(&list, &props, &record);
    for (const FileItem &item : std::as_const(items)) {
        if (!item.isFolder()) {
            readSongList(item, list, props, record);
            continue;
        }
        QEventLoop loop;
        QObject::connect(&scan, &FolderScan::busyChanged, &loop, [&loop](bool busy) {
            if (!busy)
                loop.quit();
        });
        scan.scanMusicFolder(item);
        if (scan.isBusy())
            loop.exec();
    }
    return 0;
}

void drawProgress(int handled, int maximum)
{
    const int width = 30;
    const int filled = maximum > 0 ? std::min(width, handled * width / maximum) : 0;
    cliOut() << '\r' << '[' << QString(filled, u'#') << QString(width - filled, u' ') << "] "
             << TransferJob::counterText(handled, maximum);
    cliOut().flush();
}

} // namespace

QString escapedCell(const QString &cell)
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

FileItem preferredCardFolder()
{
    readPreferences();
    const FileItem card = FileItem::fromColonPath(CardFolder::colonPath());
    if (card.isNull()) {
        cliErr() << "songkite-cli: no card volume \"" << CardFolder::volumeName() << "\"\n";
        cliErr().flush();
    }
    return card;
}

QTextStream &cliOut()
{
    static QTextStream s(stdout);
    return s;
}

QTextStream &cliErr()
{
    static QTextStream s(stderr);
    return s;
}

int songsCommand(const SongsArguments &args)
{
    SongListModel list;
    if (const int code = scanSources(args.sources, list))
        return code;

    QString text;
    for (const SongRow &row : list.rows()) {
        for (const QString &cell : row.cells)
            text += escapedCell(cell) + u'\t';
        text += row.checked ? u"1\n"_s : u"0\n"_s;
        if (text.size() > 1 << 16) {
            cliOut() << text;
            text.clear();
        }
    }
    cliOut() << text;
    cliOut().flush();
    if (args.saveAs && !SongListFile::saveSongList(AppPaths::listFolder(), *args.saveAs + u".list"_s, list.rows())) {
        cliErr() << "songkite-cli: cannot write the song list " << *args.saveAs << ".list\n";
        cliErr().flush();
        return 1;
    }
    return 0;
}

int transferCommand(const TransferArguments &args)
{
    const bool addChecked = readPreferences();
    const bool add = args.add.value_or(addChecked);
    const FileItem folder = args.destination.isEmpty() ? FileItem::fromColonPath(CardFolder::colonPath())
                                                       : FileItem(args.destination);
    if (folder.isNull() || !folder.exists() || !folder.isFolder()) {
        cliErr() << "songkite-cli: no such destination folder: "
                 << (args.destination.isEmpty() ? CardFolder::colonPath() : args.destination) << '\n';
        cliErr().flush();
        return 1;
    }

    SongListModel list;
    if (const int code = scanSources(args.sources, list))
        return code;

    TransferOptions options = TransferSetup::fromPreferences(
        add ? TransferOptions::Mode::Add : TransferOptions::Mode::Replace, folder, args.overrides);

    SessionState props;
    props.destinationFolder = folder;
    Renumbering renumber(&list);
    CheckCommands checks(&list, &renumber, props);
    Destination destination(&props);
    if (args.shuffle) {
        checks.roomToFill = [&destination, &options] { return destination.shuffleRoom(options.keepFreeMB); };
        checks.pressNumberHeading = [&list, &renumber] {
            list.sort(0, Qt::DescendingOrder);
            renumber.start();
        };
        QEventLoop loop;
        QObject::connect(&checks, &CheckCommands::idle, &loop, &QEventLoop::quit);
        checks.shuffleList();
        if (checks.isBusy())
            loop.exec();
    }
    int checked = 0;
    for (int r = 0; r < list.rowCount(); ++r)
        checked += list.isChecked(r);
    // As the window does: an empty list never reaches the card, so a replace cannot
    // leave it emptied and an add has nothing to do.
    if (checked == 0) {
        cliErr() << "songkite-cli: no songs to transfer; the card is left as it is\n";
        cliErr().flush();
        return 1;
    }
    options.progressMaximum = checked;

    TransferJob thread;
    thread.setOptions(std::move(options));
    thread.setSongList(&list);
    const bool terminal = isatty(STDOUT_FILENO);
    if (terminal)
        QObject::connect(&thread, &TransferJob::progressChanged, &thread, drawProgress);
    TransferReport report;
    QEventLoop loop;
    QObject::connect(&thread, &TransferJob::transferEnded, &loop, [&report](const TransferReport &r) { report = r; });
    QObject::connect(&thread, &coop::Thread::finished, &loop, &QEventLoop::quit);
    if (!thread.start())
        return 1;
    loop.exec();
    if (terminal)
        cliOut() << '\n';
    cliOut() << (report.message.isEmpty() ? report.countText() : report.message) << '\n';
    cliOut().flush();
    if (report.ending == TransferReport::Ending::Failed) {
        cliErr() << "songkite-cli: the transfer failed: " << QString::fromLocal8Bit(std::strerror(report.systemError))
                 << (report.failedFile.isEmpty() ? QString() : u" ("_s + report.failedFile + u')') << '\n';
        cliErr().flush();
    }
    const bool wentThrough = report.ending == TransferReport::Ending::Completed
        || report.ending == TransferReport::Ending::UserStopped;
    return wentThrough ? 0 : 1;
}

int checkCommand(const CheckArguments &args)
{
    QString folder;
    if (!args.folder) {
        const FileItem card = preferredCardFolder();
        if (card.isNull())
            return 1;
        folder = card.posixPath();
    } else {
        folder = *args.folder;
    }
    const QStringList findings = CardFormat::checkCardFolder(folder);
    for (const QString &line : findings)
        cliOut() << line << '\n';
    cliOut().flush();
    return findings.isEmpty() ? 0 : 1;
}

int volumesCommand()
{
    const QList<Volume> all = VolumeTable::instance().volumes();
    for (const Volume &v : all) {
        cliOut() << v.name << '\t' << v.mountPoint << '\t'
                 << (v.freeBytes < 0 ? QString() : LibraryBridge::megabytes(v.freeBytes)) << '\t'
                 << (v.capacityBytes < 0 ? QString() : LibraryBridge::megabytes(v.capacityBytes)) << '\t'
                 << (v.ejectable ? "true" : "false") << '\n';
    }
    cliOut().flush();
    return 0;
}
