#include "core/sources/ListFolderJob.h"

#include "core/platform/NumberText.h"
#include "core/platform/TextCodec.h"
#include "core/songlist/SongListModel.h"
#include "core/sources/SongListFile.h"
#include "core/sources/SourceRecord.h"

#include <QFile>

#include <cmath>

using namespace Qt::StringLiterals;

ListFolderJob::ListFolderJob(SongListModel *songs, SourceRecord *sources, QString listFolder, QObject *parent)
    : coop::Thread(parent), m_songs(songs), m_sources(sources), m_listFolder(std::move(listFolder))
{
}

coop::Task<> ListFolderJob::run()
{
    if (mode == 1 && FileItem(m_listFolder).isFolder())
        co_await autoLists();
    if (hooks.enableTransferButton)
        hooks.enableTransferButton();
}

coop::Task<> ListFolderJob::autoLists()
{
    const FileItem folder(m_listFolder);
    const int n = folder.count();
    int b = 1;
    int loaded = 0;
    bool shuffle = false;
    for (int k = 0; k < n; ++k) {
        const FileItem entry = folder.entry(b);
        const QString name = entry.name();
        const bool atxt = name.endsWith(u".atxt"_s, Qt::CaseInsensitive);
        const bool stxt = name.endsWith(u".stxt"_s, Qt::CaseInsensitive);
        if (!entry.isNull() && !entry.isFolder() && (atxt || stxt)) {
            if (loaded == 0) {
                if (hooks.emptySongList)
                    hooks.emptySongList();
                nextFileNumber = 1;
            }
            if (hooks.showProgress)
                hooks.showProgress(true);
            if (hooks.runTimer)
                hooks.runTimer(false);
            co_await loadExportList(entry, name, 5); // deletes the file: the next entry moves up
            ++loaded;
            shuffle = shuffle || stxt;
            // A list that could not be deleted would be found again at place b forever.
            if (entry.exists())
                ++b;
        } else {
            ++b;
        }
        co_await coop::yield();
    }
    if (hooks.showProgress)
        hooks.showProgress(false);
    if (loaded == 0)
        co_return;
    if (hooks.recountTotals)
        co_await hooks.recountTotals();
    if (hooks.showCapacity)
        hooks.showCapacity();
    if (shuffle && hooks.shuffleList)
        co_await hooks.shuffleList();
    if (hooks.runTransfer)
        hooks.runTransfer();
    if (hooks.runTimer)
        hooks.runTimer(true);
}

coop::Task<> ListFolderJob::loadExportList(FileItem file, QString name, int extLength)
{
    QFile f(file.posixPath());
    if (!file.isNull() && f.open(QIODevice::ReadOnly)) {
        const QString text = TextCodec::decodeExportedList(f.readAll());
        f.close();
        if (mode == 1)
            file.remove();
        const QString source = name.left(name.size() - extLength);
        const int base = m_songs ? m_songs->rowCount() : 0;
        QStringList pieces = text.split(u'\r');
        pieces.removeLast(); // what follows the last carriage return is no record
        QList<SongRow> batch;
        for (int i = 1; i <= pieces.size(); ++i) {
            const QStringList f = pieces[i - 1].split(u'\t');
            if (f.size() != SongListFile::kFields)
                continue;
            const FileItem song = FileItem::fromColonPath(f[24]);
            if (song.isNull() || !song.exists() || song.isFolder()
                || !song.name().endsWith(u".m4a"_s, Qt::CaseInsensitive))
                continue;
            SongRow row;
            row.cells[SongRow::Number] = QString::number(base + i);
            row.cells[SongRow::Title] = f[0];
            row.cells[SongRow::Artist] = u' ' + f[1];
            row.cells[SongRow::Album] = u' ' + f[3];
            row.cells[SongRow::Size] = SongSize::formatWholeKB(std::llround(NumberText::readsAs(f[6]) / 1000.0));
            row.cells[SongRow::Path] = f[24];
            row.cells[SongRow::Source] = source;
            row.checked = true;
            batch.append(row);
            ++nextFileNumber;
            if (stopRequested())
                break;
            if (batch.size() >= 256 && m_songs) {
                m_songs->appendRows(batch);
                batch.clear();
                co_await coop::yield();
            }
        }
        if (m_songs)
            m_songs->appendRows(batch);
        if (m_sources)
            m_sources->addSource(source);
    }
    if (hooks.setFileCounter)
        hooks.setFileCounter(nextFileNumber);
}
