#include "core/card/BitratePatch.h"
#include "core/transfer/TransferJob.h"
#include "core/transfer/TransferCard.h"
#include "core/platform/NumberText.h"
#include "core/platform/ColonPathResolver.h"
#include "core/platform/VolumeTable.h"

#include <cerrno>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 kMegabyte = 1024 * 1024;

QString volumeNameOf(const FileItem &item)
{
    const QString colon = item.colonPath();
    return colon.left(colon.indexOf(u':'));
}

} // namespace

void TransferJob::setCopyFunction(CopyFunction copy)
{
    if (!copy)
        copy = [](const FileItem &source, const FileItem &destination) {
            bool atSource = false;
            const int err = source.copyTo(destination, &atSource);
            return CopyStatus(err, atSource);
        };
    m_copy = std::move(copy);
}

void TransferJob::setFlushFunction(FlushFunction flush)
{
    if (!flush)
        flush = [](const FileItem &folder) { return folder.syncFileSystem(); };
    m_flush = std::move(flush);
}

void TransferJob::setSourceResolver(SourceResolver resolver)
{
    if (!resolver)
        resolver = [](const QString &colonPath) { return ColonPathResolver::resolve(colonPath); };
    m_resolve = std::move(resolver);
}

QString TransferJob::volumeFreeSpace(const QString &volumeName)
{
    const std::optional<Volume> volume = VolumeTable::instance().volume(volumeName);
    if (!volume || volume->freeBytes < 0)
        return {};
    return QString::number(volume->freeBytes / kMegabyte);
}

QDateTime TransferJob::earliestSongTime(const FileItem &folder)
{
    const QDateTime now = QDateTime::currentDateTime();
    QDateTime earliest = now.addMSecs(-now.time().msec());
    const QList<FileItem> items = folder.entries();
    for (const FileItem &item : items) {
        if (!item.name().endsWith(u".3G2"_s))
            continue;
        const QDateTime time = item.modificationTime();
        if (time.isValid() && time < earliest)
            earliest = time;
    }
    return earliest;
}

coop::Task<TransferJob::CopyResult> TransferJob::copySong(FileItem source, FileItem destination)
{
    if (m_run.keepFreeMB > 0) {
        const qint64 freeMB = NumberText::readsAsInteger(m_run.freeSpace(volumeNameOf(destination)));
        const qint64 songMB = source.size() / kMegabyte;
        // Added rather than subtracted: a script may answer the smallest 64-bit number.
        if (freeMB < songMB + m_run.keepFreeMB)
            co_return CopyResult::NoRoom;
        co_await coop::yield();
    }

    // The song reaches its own name only whole, patched and dated: a failure at any step
    // leaves the card as it was before this song.
    const FileItem scratch = FileItem::fromPosixBytes(destination.posixBytes() + ".tmp");
    if (scratch.exists() && ((scratch.isFolder() && !scratch.isAlias()) || scratch.remove() != 0)) {
        failOnCard(EEXIST, scratch);
        co_return CopyResult::Broken;
    }
    const CopyStatus copied = m_copy(source, scratch);
    const int err = copied.error;
    m_errorCode = err;
    if (err != 0) {
        m_systemError = err;
        if (scratch.exists())
            scratch.remove();
        // A song that cannot be read is skipped; a card that cannot be written fails every
        // song after it too, and a run that reported them skipped would hide that.
        if (err != kErrCopyStop && !copied.atSource) {
            failOnCard(err, destination);
            co_return CopyResult::Broken;
        }
        co_return CopyResult::CopyFailed;
    }

    const CardFormat::PatchResult patch = CardFormat::patchBitrate(scratch.posixPath(), m_run.patchBitrate ? 1 : 0);
    int stepError = 0;
    if (patch == CardFormat::PatchResult::CannotOpen || patch == CardFormat::PatchResult::WriteFailed)
        stepError = EIO;
    const QDateTime date = m_lastSongTime.addSecs(-60);
    if (stepError == 0)
        stepError = scratch.setModificationTime(date);
    if (stepError == 0)
        stepError = CardFormat::renameNoReplace(scratch, destination);
    if (stepError != 0) {
        scratch.remove();
        failOnCard(stepError, destination);
        co_return CopyResult::Broken;
    }
    m_lastSongTime = date;
    co_await coop::yield();
    co_return CopyResult::Copied;
}
