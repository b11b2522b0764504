#include "core/sources/ListFolderJob.h"

#include "core/platform/TextCodec.h"
#include "core/songlist/CheckCommands.h"
#include "core/songlist/SessionState.h"
#include "core/songlist/SongListModel.h"
#include "core/sources/ListRecords.h"
#include "core/sources/SongListFile.h"
#include "core/sources/SourceRecord.h"

#include <QFile>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

/// Rows reach the list in batches: one insertion per turn, not one per row.
constexpr int kBatch = 256;

std::optional<QByteArray> readWhole(const FileItem &file)
{
    if (file.isNull() || file.isFolder())
        return std::nullopt;
    QFile f(file.posixPath());
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

bool hasExtension(const QString &name, QStringView extension)
{
    return name.size() > extension.size() && name.endsWith(extension, Qt::CaseInsensitive);
}

} // namespace

ListFolderJob::ListFolderJob(SongListModel *songs, SourceRecord *sources, CheckCommands *checks, SessionState &props,
                             QString listFolder, Mode mode, QObject *parent)
    : coop::Thread(parent), m_songs(songs), m_sources(sources), m_checks(checks), m_props(props),
      m_listFolder(std::move(listFolder)), m_mode(mode)
{
}

coop::Task<> ListFolderJob::run()
{
    if (!FileItem(m_listFolder).isFolder())
        co_return;
    switch (m_mode) {
    case Mode::PickUpAutomaticLists:
        co_await pickUpAutomaticLists();
        break;
    case Mode::ReadEveryExportList:
        co_await readEveryExportList();
        break;
    case Mode::ReadChosenLists:
        co_await readChosenLists();
        break;
    }
}

QString ListFolderJob::stampOf(const FileItem &file)
{
    if (!file.exists())
        return u"-"_s;
    return QString::number(file.size()) + u'/' + QString::number(file.modificationTime().toMSecsSinceEpoch());
}

coop::Task<> ListFolderJob::pickUpAutomaticLists()
{
    const FileItem folder(m_listFolder);
    const int n = folder.count();
    int place = 1;
    int listsRead = 0;
    bool shuffle = false;
    for (int k = 0; k < n; ++k) {
        const FileItem entry = folder.entry(place);
        const QString name = entry.name();
        const bool atxt = hasExtension(name, u".atxt");
        const bool stxt = hasExtension(name, u".stxt");
        if (entry.isNull() || entry.isFolder() || !(atxt || stxt)) {
            ++place;
            co_await coop::yield();
            continue;
        }
        // The running transfer reads the song list as it goes: the list waits for the
        // next pick-up rather than change the songs under it.
        if (listsRead == 0 && m_transfer && m_transfer->isRunning())
            co_return;
        const QString stamp = stampOf(entry);
        if (m_leftAlone.value(name) == stamp) {
            ++place;
            co_await coop::yield();
            continue;
        }
        m_leftAlone.remove(name);
        const std::optional<QByteArray> bytes = readWhole(entry);
        if (!bytes) {
            // Nothing is emptied for a list that gives nothing; said once, not every tick.
            m_leftAlone.insert(name, stamp);
            emit listUnreadable(name);
            ++place;
            co_await coop::yield();
            continue;
        }
        if (listsRead == 0) {
            emit songListShouldEmpty();
            m_props.nextFileNumber = 1;
            emit listLoading(true);
            emit pickUpsAllowed(false);
        }
        // Deleted before its songs go anywhere, so it is sent once.
        if (entry.remove() != 0) {
            // A list that stays would be picked up again at every tick.
            m_leftAlone.insert(name, stamp);
            ++place;
        }
        co_await addExportRows(TextCodec::decodeExportedList(*bytes), name.left(name.size() - 5));
        ++listsRead;
        shuffle = shuffle || stxt;
        co_await coop::yield();
    }
    if (listsRead == 0)
        co_return;
    emit listLoading(false);
    if (m_checks)
        co_await m_checks->recountTotalsTask();
    emit loaded();
    if (shuffle && m_checks)
        co_await m_checks->shuffleListTask();
    emit transferRequested();
    emit pickUpsAllowed(true);
}

coop::Task<> ListFolderJob::readEveryExportList()
{
    emit listLoading(true);
    const FileItem folder(m_listFolder);
    const int n = folder.count();
    for (int i = 1; i <= n; ++i) {
        const FileItem entry = folder.entry(i);
        const QString name = entry.name();
        if (!entry.isNull() && !entry.isFolder() && hasExtension(name, u".txt"))
            co_await loadExportList(entry, name, 4);
        co_await coop::yield();
    }
    co_await finishReading();
}

coop::Task<> ListFolderJob::readChosenLists()
{
    emit listLoading(true);
    const FileItem folder(m_listFolder);
    for (const QString &name : std::as_const(m_chosen)) {
        const FileItem file = folder.child(name);
        if (hasExtension(name, u".txt"))
            co_await loadExportList(file, name, 4);
        else if (hasExtension(name, u".list"))
            co_await loadOwnList(file, name, 5);
        else if (name == SongListFile::kDefaultList)
            co_await loadOwnList(file, name, int(name.size() - name.indexOf(u'.')));
        co_await coop::yield();
    }
    co_await finishReading();
}

coop::Task<> ListFolderJob::finishReading()
{
    if (m_checks)
        co_await m_checks->recountTotalsTask();
    emit loaded();
    emit listLoading(false);
}

coop::Task<> ListFolderJob::loadExportList(FileItem file, QString name, int extLength)
{
    if (const std::optional<QByteArray> bytes = readWhole(file))
        co_await addExportRows(TextCodec::decodeExportedList(*bytes), name.left(name.size() - extLength));
}

coop::Task<> ListFolderJob::addExportRows(QString text, QString source)
{
    const RowMaker exportRow = &ListRecords::exportRow;
    const int added = co_await addRows(SongListFile::pieces(text), exportRow, source);
    m_props.nextFileNumber += added;
}

coop::Task<> ListFolderJob::loadOwnList(FileItem file, QString name, int extLength)
{
    if (file.isNull() || !file.exists())
        co_return;
    const std::optional<QByteArray> bytes = readWhole(file);
    if (!bytes)
        co_return;
    const RowMaker ownRow = &ListRecords::ownRow;
    const int added = co_await addRows(SongListFile::pieces(QString::fromUtf8(*bytes)), ownRow, name.left(name.size() - extLength));
    // An own list numbers what comes after it from its own rows, as the default list does.
    m_props.nextFileNumber = added + 1;
}

coop::Task<int> ListFolderJob::addRows(QStringList pieces, RowMaker rowOf, QString source)
{
    // Rows are numbered by their record's place, so a skipped record leaves its gap.
    const int base = m_songs ? m_songs->rowCount() : 0;
    int added = 0;
    QList<SongRow> batch;
    for (int i = 1; i <= pieces.size(); ++i) {
        std::optional<SongRow> row = rowOf(pieces[i - 1].split(u'\t'), base + i, source);
        if (!row)
            continue;
        batch.append(std::move(*row));
        ++added;
        if (stopRequested())
            break;
        if (batch.size() >= kBatch && m_songs) {
            m_songs->appendRows(batch);
            batch.clear();
            co_await coop::yield();
        }
    }
    if (m_songs)
        m_songs->appendRows(batch);
    if (m_sources)
        m_sources->addSource(source);
    co_return added;
}
