#include "core/sources/SongListFile.h"

#include "core/platform/NumberText.h"
#include "core/platform/ColonPathResolver.h"
#include "core/songlist/SessionState.h"
#include "core/songlist/SongListModel.h"
#include "core/sources/SourceRecord.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <cmath>

using namespace Qt::StringLiterals;

namespace SongListFile {

QString ownRecord(const SongRow &row)
{
    QStringList f(kFields);
    f[0] = row.cells[SongRow::Title];
    f[1] = row.cells[SongRow::Artist].trimmed();
    f[2] = row.checked ? u"1"_s : u"0"_s;
    f[3] = row.cells[SongRow::Album].trimmed();
    QString size = row.cells[SongRow::Size];
    size.remove(u"KB "_s);
    size.remove(u',');
    f[6] = size.trimmed();
    f[24] = row.cells[SongRow::Path];
    // A TAB or carriage return inside a cell would split the record; a blank keeps its
    // fields in place.
    for (QString &field : f) {
        field.replace(u'\t', u' ');
        field.replace(u'\r', u' ');
    }
    return f.join(u'\t') + u'\r';
}

QList<QStringList> records(const QString &text)
{
    QList<QStringList> out;
    for (const QString &piece : pieces(text)) {
        QStringList fields = piece.split(u'\t');
        if (fields.size() == kFields)
            out.append(std::move(fields));
    }
    return out;
}

QStringList pieces(const QString &text)
{
    QStringList all = text.split(u'\r');
    all.removeLast(); // what follows the last carriage return is no record
    return all;
}

bool saveSongList(const QString &listFolder, const QString &name, const QList<SongRow> &rows)
{
    const QString path = listFolder + u'/' + (name.isEmpty() ? kDefaultList : name);
    if (rows.isEmpty()) {
        QFile::remove(path);
        return true;
    }
    QString text;
    for (const SongRow &row : rows)
        text += ownRecord(row);
    QDir().mkpath(listFolder);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write((text + u'\n').toUtf8());
    return file.commit();
}

} // namespace SongListFile

DefaultListLoader::DefaultListLoader(SongListModel *songs, SessionState &props, SourceRecord *sources, QString listFolder,
                                     QString fileName, QObject *parent)
    : coop::Thread(parent), m_songs(songs), m_props(props), m_sources(sources), m_listFolder(std::move(listFolder)),
      m_fileName(std::move(fileName))
{
}

coop::Task<DataList> DefaultListLoader::collectRows(QString text)
{
    DataList collected;
    // A long list is parsed in slices, so the window is served meanwhile.
    const QStringList pieces = SongListFile::pieces(text);
    text.clear();
    for (const QString &piece : pieces) {
        co_await coop::yield();
        const QStringList f = piece.split(u'\t');
        if (f.size() != SongListFile::kFields || f[0].isEmpty())
            continue;
        collected.addRow(f[0]);
        collected.setLastRowCell(1, f[1]);
        collected.setLastRowCell(2, f[3]);
        collected.setLastRowCell(3, f[6]);
        collected.setLastRowCell(4, f[24]);
        collected.setLastRowCell(5, SongListFile::kDefaultSource);
        collected.setLastRowCell(6, f[2]);
    }
    co_return collected;
}

coop::Task<> DefaultListLoader::run()
{
    m_listRead = false;
    QFile file(m_listFolder + u'/' + (m_fileName.isEmpty() ? SongListFile::kDefaultList : m_fileName));
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        co_return;
    const QString text = QString::fromUtf8(file.readAll());
    file.close();
    m_listRead = true;
    const DataList collected = co_await collectRows(text);
    if (m_sources)
        m_sources->appendSource(SongListFile::kDefaultSource);

    emit rowsArriving(true);
    bool missing = false;
    int number = 1;
    QList<SongRow> batch;
    auto flush = [this, &batch] {
        if (m_songs)
            m_songs->appendRows(batch);
        batch.clear();
    };
    for (int i = 0; i < collected.rowCount(); ++i) {
        if (stopRequested())
            break;
        const FileItem item = ColonPathResolver::resolve(collected.cell(i, 4));
        const bool exists = !item.isNull() && item.exists();
        SongRow row;
        row.cells[SongRow::Number] = QString::number(number) + u' ';
        row.cells[SongRow::Title] = collected.cell(i, 0);
        row.cells[SongRow::Artist] = u' ' + collected.cell(i, 1);
        row.cells[SongRow::Album] = u' ' + collected.cell(i, 2);
        row.cells[SongRow::Size] = SongSize::formatWholeKB(SongSize::roundedKB(NumberText::readsAs(collected.cell(i, 3))));
        row.cells[SongRow::Path] = collected.cell(i, 4);
        row.cells[SongRow::Source] = SongListFile::kDefaultSource;
        row.checked = collected.cell(i, 6) == u"1"_s && exists;
        missing = missing || !exists;
        batch.append(row);
        ++number;
        // Rows reach the list in batches: one insertion per turn, not one per row.
        if (batch.size() >= 256) {
            flush();
            co_await coop::yield();
        }
    }
    flush();
    emit rowsArriving(false);
    m_props.nextFileNumber = number;
    if (missing)
        emit missingFiles();
}
