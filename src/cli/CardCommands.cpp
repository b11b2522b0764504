// The card editor from the command line: the card listing as text, and an edited listing
// applied to the card with the same rewrite the window runs.

#include "cli/CliCommands.h"

#include "core/cardedit/CardListing.h"
#include "core/cardedit/CardRewrite.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QSet>
#include <QTemporaryFile>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

/// Exit status of a listing that names songs the card does not have.
constexpr int kBadListing = 2;

FileItem folderToEdit(const std::optional<QString> &given)
{
    return given ? FileItem(*given) : preferredCardFolder();
}

/// Reads the card as it is listed; false (with a message) when it cannot be read whole.
bool readCardOrComplain(const FileItem &folder, const std::optional<QString> &given, CardContents &contents)
{
    if (folder.isNull())
        return false; // preferredCardFolder() said why
    if (!folder.isFolder()) {
        cliErr() << "songkite-cli: cannot read the card folder " << given.value_or(folder.posixPath()) << '\n';
        cliErr().flush();
        return false;
    }
    contents = CardListing::readCard(folder);
    if (!contents.complete) {
        cliErr() << "songkite-cli: cannot read the management file " << contents.unreadable << '\n';
        cliErr().flush();
        return false;
    }
    return true;
}

QString listingText(const QList<CardSong> &songs)
{
    QString text;
    text.reserve(songs.size() * 64);
    for (qsizetype i = 0; i < songs.size(); ++i) {
        const CardSong &song = songs.at(i);
        text += QString::number(i + 1) + u'\t' + escapedCell(song.fileName) + u'\t' + escapedCell(song.title) + u'\t'
            + song.modified.toString(u"yyyy-MM-dd HH:mm"_s) + u'\t' + QString::number(song.bytes) + u'\n';
    }
    return text;
}

/// The inverse of escapedCell; a backslash before any other character stays as written.
QString unescapedCell(QStringView cell)
{
    QString text;
    text.reserve(cell.size());
    for (qsizetype i = 0; i < cell.size(); ++i) {
        const QChar c = cell[i];
        if (c != u'\\' || i + 1 == cell.size()) {
            text += c;
            continue;
        }
        switch (cell[i + 1].unicode()) {
        case u'\\': text += u'\\'; break;
        case u't': text += u'\t'; break;
        case u'n': text += u'\n'; break;
        case u'r': text += u'\r'; break;
        default: text += c; continue;
        }
        ++i;
    }
    return text;
}

/// The rows an edited listing asks for: its lines in order, kept, then every listed song
/// it leaves out, deleted. Nothing (with a message) when a line is not a listed song once.
std::optional<QList<CardEditRow>> rowsOfListing(const QString &text, const QStringList &listed)
{
    const QSet<QString> onCard(listed.cbegin(), listed.cend());
    QSet<QString> given;
    QList<CardEditRow> rows;
    const QStringList lines = text.split(u'\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QStringView line = lines.at(n);
        if (line.endsWith(u'\r'))
            line.chop(1); // written back with CR LF by some editors
        if (line.trimmed().isEmpty())
            continue;
        const QList<QStringView> fields = line.split(u'\t');
        const QString where = u"songkite-cli: line "_s + QString::number(n + 1) + u": "_s;
        if (fields.size() < 3) {
            cliErr() << where << "expected position, song file name and title, TAB-separated\n";
            return std::nullopt;
        }
        const QString name = unescapedCell(fields.at(1).trimmed());
        if (!onCard.contains(name)) {
            cliErr() << where << name << " is not on the card\n";
            return std::nullopt;
        }
        if (given.contains(name)) {
            cliErr() << where << name << " is given twice\n";
            return std::nullopt;
        }
        given.insert(name);
        rows.append({name, unescapedCell(fields.at(2)), true});
    }
    for (const QString &name : listed) {
        if (!given.contains(name))
            rows.append({name, QString(), false});
    }
    return rows;
}

/// Deleting needs --yes, or a "y" typed at the terminal.
bool deletionAllowed(int deletions, bool yes)
{
    if (deletions == 0 || yes)
        return true;
    if (!isatty(STDIN_FILENO)) {
        cliErr() << "songkite-cli: deleting " << deletions
                 << " song(s) needs --yes when standard input is not a terminal; nothing changed\n";
        cliErr().flush();
        return false;
    }
    cliErr() << "Delete " << deletions << " song(s) from the card? [y/N] ";
    cliErr().flush();
    QTextStream in(stdin);
    const QString answer = in.readLine().trimmed().toLower();
    if (answer == u"y"_s || answer == u"yes"_s)
        return true;
    cliErr() << "songkite-cli: nothing changed\n";
    cliErr().flush();
    return false;
}

int rewrite(const FileItem &folder, const QStringList &listed, const QString &text, bool yes)
{
    const std::optional<QList<CardEditRow>> rows = rowsOfListing(text, listed);
    if (!rows) {
        cliErr() << "songkite-cli: nothing changed\n";
        cliErr().flush();
        return kBadListing;
    }
    const int deletions = int(std::count_if(rows->cbegin(), rows->cend(), [](const CardEditRow &r) { return !r.keep; }));
    if (!deletionAllowed(deletions, yes))
        return 1;

    CardRewrite job;
    job.setFolder(folder);
    job.setListing(folder, listed);
    job.setRows(*rows);
    QEventLoop loop;
    QObject::connect(&job, &coop::Thread::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();

    using Ending = CardRewriteResult::Ending;
    const CardRewriteResult &result = job.result();
    switch (result.ending) {
    case Ending::Completed:
        if (result.failedDeletions.isEmpty())
            return 0;
        cliErr() << "songkite-cli: could not delete " << result.failedDeletions.join(u", "_s)
                 << "; their titles were rewritten\n";
        break;
    case Ending::CardChanged:
        cliErr() << "songkite-cli: the card changed since it was listed";
        if (!result.stoppedAt.isEmpty())
            cliErr() << " (" << result.stoppedAt << " is gone)";
        cliErr() << "; nothing changed\n";
        break;
    case Ending::RowsNotListed:
        cliErr() << "songkite-cli: " << result.stoppedAt << " is not on the card; nothing changed\n";
        cliErr().flush();
        return kBadListing;
    case Ending::MgrUnwritable:
        cliErr() << "songkite-cli: cannot write the management file " << result.stoppedAt << '\n';
        break;
    case Ending::Stopped:
        cliErr() << "songkite-cli: stopped; nothing changed\n";
        break;
    }
    cliErr().flush();
    return 1;
}

/// The editor the user asked for, as a shell would run it.
int runEditor(const QString &path)
{
    QString editor = qEnvironmentVariable("VISUAL");
    if (editor.trimmed().isEmpty())
        editor = qEnvironmentVariable("EDITOR");
    if (editor.trimmed().isEmpty())
        editor = u"vi"_s;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    // Through the shell, so "code --wait" and the like work as they do for git.
    process.start(u"/bin/sh"_s, {u"-c"_s, editor + u" \"$1\""_s, u"sh"_s, path});
    if (!process.waitForStarted(-1) || !process.waitForFinished(-1))
        return -1;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

} // namespace

int listCommand(const ListArguments &args)
{
    const FileItem folder = folderToEdit(args.folder);
    CardContents contents;
    if (!readCardOrComplain(folder, args.folder, contents))
        return 1;
    const QByteArray text = listingText(contents.songs).toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    std::fflush(stdout);
    return 0;
}

int applyCommand(const ApplyArguments &args)
{
    QFile file(args.file);
    if (!file.open(QIODevice::ReadOnly)) {
        cliErr() << "songkite-cli: cannot read " << args.file << '\n';
        cliErr().flush();
        return 1;
    }
    const QString text = QString::fromUtf8(file.readAll());
    const FileItem folder = folderToEdit(args.folder);
    CardContents contents;
    if (!readCardOrComplain(folder, args.folder, contents))
        return 1;
    QStringList listed;
    for (const CardSong &song : std::as_const(contents.songs))
        listed.append(song.fileName);
    return rewrite(folder, listed, text, args.yes);
}

int editCommand(const ApplyArguments &args)
{
    const FileItem folder = folderToEdit(args.folder);
    CardContents contents;
    if (!readCardOrComplain(folder, args.folder, contents))
        return 1;
    const QByteArray before = listingText(contents.songs).toUtf8();
    QTemporaryFile file(QDir::tempPath() + u"/songkite-card-XXXXXX.tsv"_s);
    if (!file.open() || file.write(before) != before.size() || !file.flush()) {
        cliErr() << "songkite-cli: cannot write a temporary file\n";
        cliErr().flush();
        return 1;
    }
    file.close();
    const int status = runEditor(file.fileName());
    if (status != 0) {
        cliErr() << "songkite-cli: the editor did not end well; nothing changed\n";
        cliErr().flush();
        return 1;
    }
    QFile edited(file.fileName());
    if (!edited.open(QIODevice::ReadOnly)) {
        cliErr() << "songkite-cli: cannot read the edited listing back; nothing changed\n";
        cliErr().flush();
        return 1;
    }
    const QByteArray after = edited.readAll();
    if (after == before)
        return 0;
    QStringList listed;
    for (const CardSong &song : std::as_const(contents.songs))
        listed.append(song.fileName);
    return rewrite(folder, listed, QString::fromUtf8(after), args.yes);
}
