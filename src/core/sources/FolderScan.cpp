#include "core/sources/FolderScan.h"

#include "core/card/TitleRules.h"
#include "core/platform/ColonPath.h"
#include "core/platform/FileTypes.h"
#include "core/platform/Prompts.h"
#include "core/platform/VolumeTable.h"
#include "core/prefs/RecentFolders.h"
#include "core/songlist/SessionState.h"
#include "core/songlist/SongListModel.h"
#include "core/sources/SourceRecord.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

// Rows reach the model in batches: one insertion per batch keeps a long scan fast.
constexpr qsizetype kBatch = 256;

QString colonNameOf(const QByteArray &posixPath)
{
    return ColonPath::nameFromDisk(QByteArrayView(posixPath).sliced(posixPath.lastIndexOf('/') + 1));
}

} // namespace

FolderScan::FolderScan(SongListModel *songs, SessionState *props, SourceRecord *record, QObject *parent)
    : coop::Thread(parent), m_songs(songs), m_props(props), m_record(record)
{
}

QString FolderScan::titleOf(const QString &fileName)
{
    QString title = CardFormat::stripTrackPrefix(fileName);
    title.chop(4);
    return title;
}

void FolderScan::chooseMusicFolder()
{
    if (m_record)
        m_record->hide();
    const QString chosen = Prompts::instance().chooseFolder(u"曲フォルダの選択"_s, u"選択"_s, chooserStartFolder());
    if (chosen.isEmpty())
        return;
    emit songListNeeded();
    scanMusicFolder(FileItem(chosen));
}

QString FolderScan::chooserStartFolder()
{
    return RecentFolders::firstExistingFolder({RecentFolders::musicFolder(),
                                               QStandardPaths::writableLocation(QStandardPaths::MusicLocation),
                                               QDir::homePath()});
}

void FolderScan::scanMusicFolder(const FileItem &folder)
{
    if (folder.isNull()) {
        if (m_record)
            m_record->hide();
        emit hiddenColumnsReset();
        return;
    }
    RecentFolders::rememberMusicFolder(folder.posixPath());
    enqueue({{Job::Kind::Folder, folder}});
}

void FolderScan::drop(const QList<FileItem> &items, bool cardListing)
{
    if (cardListing || items.isEmpty())
        return;
    QList<Job> jobs;
    for (const FileItem &item : items) {
        const bool folder = item.isFolder();
        const QString type = FileTypes::dropType(item.name(), folder);
        if (type == FileTypes::kFolder) {
            jobs.append({Job::Kind::Folder, item});
            RecentFolders::rememberMusicFolder(item.posixPath());
        }
        else if (type == FileTypes::kSong && item.exists())
            jobs.append({Job::Kind::File, item});
    }
    jobs.append({Job::Kind::Recount, {}});
    enqueue(jobs);
}

void FolderScan::enqueue(QList<Job> jobs)
{
    const bool wasBusy = isBusy();
    m_jobs.append(jobs);
    if (!isRunning())
        start();
    if (!wasBusy)
        emit busyChanged(true);
}

coop::Task<> FolderScan::run()
{
    while (!m_jobs.isEmpty()) {
        const Job job = m_jobs.takeFirst();
        switch (job.kind) {
        case Job::Kind::Folder:
            co_await recordAndWalk(job.item);
            break;
        case Job::Kind::File:
            addSongFile(job.item);
            break;
        case Job::Kind::Recount:
            flush();
            emit totalsNeedRecount();
            break;
        }
        co_await coop::yield();
    }
    flush();
    emit busyChanged(false);
}

coop::Task<> FolderScan::recordAndWalk(FileItem folder)
{
    if (m_record) {
        m_record->hide();
        m_record->addSource(folder.colonPath());
    }
    const FileItem parent = folder.parent();
    // Built in its own statement: GCC 12 mishandles temporaries inside a co_await.
    const Place place{folder.colonPath(), folder.name(), parent.isNull() ? QString() : parent.name()};
    co_await scanFolder(folder, place);
    flush();
    emit totalsNeedRecount();
    emit hiddenColumnsReset();
}

coop::Task<> FolderScan::scanFolder(FileItem folder, Place place)
{
    // The listing is read once; entries that come or go meanwhile are not seen.
    const QList<FileItem> entries = folder.entries();
    const VolumeTable &volumes = VolumeTable::instance();
    for (const FileItem &entry : entries) {
        const QByteArray &path = entry.posixBytes();
        struct stat st {};
        if (::lstat(path.constData(), &st) == 0) {
            if (S_ISDIR(st.st_mode)) {
                Place inner{place.colonPath + colonNameOf(path) + u':', colonNameOf(path), place.name};
                // A folder where another volume is mounted starts that volume's paths.
                if (const std::optional<Volume> v = volumes.volumeAt(path)) {
                    inner.colonPath = v->name + u':';
                    inner.name = v->name;
                }
                co_await scanFolder(entry, inner);
            } else {
                // Links to folders are never entered; a link to a song file is a song.
                const bool link = S_ISLNK(st.st_mode);
                if (link && (::stat(path.constData(), &st) != 0 || S_ISDIR(st.st_mode))) {
                    co_await coop::yield();
                    continue;
                }
                const QString name = colonNameOf(path);
                if (S_ISREG(st.st_mode) && FileTypes::matches(FileTypes::kSong, name))
                    addRow(name, place, qint64(st.st_size));
            }
        }
        if (m_pending.size() >= kBatch)
            flush();
        co_await coop::yield();
    }
}

void FolderScan::addSongFile(const FileItem &file)
{
    const FileItem folder = file.parent();
    const FileItem above = folder.isNull() ? FileItem() : folder.parent();
    const QString folderColon = folder.isNull() ? QString() : folder.colonPath();
    Place place{folderColon, folder.isNull() ? QString() : folder.name(), above.isNull() ? QString() : above.name()};
    addRow(file.name(), place, file.size());
    flush();
}

void FolderScan::addRow(const QString &name, const Place &place, qint64 bytes)
{
    const QString number = QString::number(m_props->nextFileNumber) + u' ';
    const QString colon = place.colonPath.isEmpty() ? QString() : place.colonPath + name;
    m_pending.append(SongRow::make(number, titleOf(name), place.parentName, place.name, bytes, colon,
                                   m_record ? m_record->label() : QString()));
    ++m_props->nextFileNumber;
}

void FolderScan::flush()
{
    if (m_pending.isEmpty())
        return;
    if (m_songs)
        m_songs->appendRows(m_pending);
    m_pending.clear();
}
