// The card commands of songkite-cli: the app's transfer and a consistency check.

#include "cli/CliCommands.h"

#include "core/card/CardCheck.h"
#include "core/destination/Destination.h"
#include "core/transfer/TransferJob.h"
#include "core/library/LibraryBridge.h"
#include "core/platform/AppPaths.h"
#include "core/platform/FileItem.h"
#include "core/prefs/Preferences.h"
#include "core/songlist/CheckCommands.h"
#include "core/songlist/SessionState.h"
#include "core/songlist/Renumbering.h"
#include "core/songlist/SongListModel.h"

#include <QEventLoop>
#include <QRegularExpression>
#include <QTextStream>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

/// The preferences as the app would read them at start-up, with its defaults.
bool addModeFromPreferences()
{
    const preference::Placement place = preference::readPreferences(AppPaths::prefsFile(), QSize(1 << 20, 1 << 20));
    if (preference::cardVolumeName.isEmpty())
        preference::cardVolumeName = u"NO NAME"_s;
    if (preference::cardFolderPath.isEmpty())
        preference::cardFolderPath = u":PRIVATE:AU:DF:D_SD:"_s;
    return place.addChecked;
}

FileItem cardFolder() { return FileItem::fromColonPath(preference::cardVolumeName + preference::cardFolderPath); }

int usage(const QString &text)
{
    cliErr() << "songkite-cli: " << text << "\nTry songkite-cli --help\n";
    cliErr().flush();
    return 2;
}

bool isWholeNumber(const QString &text) { return !text.isEmpty() && text.size() <= 9 && text.toInt() >= 0 && text.front().isDigit(); }

void drawProgress(int handled, int maximum)
{
    const int width = 30;
    const int filled = maximum > 0 ? std::min(width, handled * width / maximum) : 0;
    cliOut() << '\r' << '[' << QString(filled, u'#') << QString(width - filled, u' ') << "] "
             << TransferJob::counterText(handled, maximum);
    cliOut().flush();
}

} // namespace

int transferCommand(QStringList args)
{
    bool add = addModeFromPreferences();
    QString to;
    bool shuffle = false;
    QStringList sources;
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        auto value = [&args, &a]() -> std::optional<QString> {
            if (args.isEmpty())
                return std::nullopt;
            Q_UNUSED(a);
            return args.takeFirst();
        };
        if (a == u"--to"_s) {
            const auto v = value();
            if (!v || v->isEmpty())
                return usage(u"--to needs a FOLDER"_s);
            to = *v;
        } else if (a == u"--add"_s) {
            add = true;
        } else if (a == u"--replace"_s) {
            add = false;
        } else if (a == u"--shuffle"_s) {
            shuffle = true;
        } else if (a == u"--keep-space"_s) {
            const auto v = value();
            if (!v || !isWholeNumber(*v))
                return usage(u"--keep-space needs a whole number of MB"_s);
            preference::keepFreeMB = v->toInt();
        } else if (a == u"--title-order"_s) {
            const auto v = value();
            static const QRegularExpression digits(u"^[0-3]{3}$"_s);
            if (!v || !digits.match(*v).hasMatch())
                return usage(u"--title-order needs three digits from 0 to 3"_s);
            preference::titlePartOrder = *v;
        } else if (a == u"--title-bytes"_s) {
            const auto v = value();
            const QStringList parts = v ? v->split(u',') : QStringList();
            if (parts.size() != 3 || !std::all_of(parts.cbegin(), parts.cend(), isWholeNumber))
                return usage(u"--title-bytes needs T,A,B"_s);
            preference::titleNameBytes = parts[0].toInt();
            preference::titleArtistBytes = parts[1].toInt();
            preference::titleAlbumBytes = parts[2].toInt();
        } else if (a == u"--patch-bitrate"_s) {
            preference::bitratePatchMode = 1;
        } else if (a == u"--no-patch-bitrate"_s) {
            preference::bitratePatchMode = 0;
        } else if (a.startsWith(u"--"_s)) {
            return usage(u"unknown option: "_s + a);
        } else {
            sources << a;
        }
    }
    if (sources.isEmpty())
        return usage(u"transfer needs at least one SOURCE"_s);

    const FileItem folder = to.isEmpty() ? cardFolder() : FileItem(to);
    if (folder.isNull() || !folder.exists() || !folder.isFolder()) {
        cliErr() << "songkite-cli: no such destination folder: "
                 << (to.isEmpty() ? preference::cardVolumeName + preference::cardFolderPath : to) << '\n';
        cliErr().flush();
        return 1;
    }

    SongListModel list;
    if (const int code = scanSources(sources, list))
        return code;

    SessionState props;
    props.destinationFolder = folder;
    Renumbering renumber(&list);
    CheckCommands checks(&list, &renumber, props);
    Destination destination(&props);
    if (shuffle) {
        checks.roomToFill = [&destination] { return destination.shuffleRoom(); };
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

    TransferJob thread;
    thread.setFreeSpaceQuery([](const QString &volume) {
        return LibraryBridge::instance().call(u"gFreeSpace"_s, {volume});
    });
    thread.setDestinationFolder(folder);
    thread.setSongList(&list);
    thread.setAddMode(add);
    thread.setClearFirst(!add);
    thread.setProgressMaximum(checked);
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
    const bool wentThrough = report.ending == TransferReport::Ending::Completed
        || report.ending == TransferReport::Ending::UserStopped;
    return wentThrough ? 0 : 1;
}

int checkCommand(QStringList args)
{
    if (args.size() > 1)
        return usage(u"check takes at most one FOLDER"_s);
    QString folder;
    if (args.isEmpty()) {
        addModeFromPreferences();
        const FileItem card = cardFolder();
        if (card.isNull()) {
            cliErr() << "songkite-cli: no card volume \"" << preference::cardVolumeName << "\"\n";
            cliErr().flush();
            return 1;
        }
        folder = card.posixPath();
    } else {
        folder = args.first();
    }
    const QStringList findings = CardFormat::checkCardFolder(folder);
    for (const QString &line : findings)
        cliOut() << line << '\n';
    cliOut().flush();
    return findings.isEmpty() ? 0 : 1;
}
