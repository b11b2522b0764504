#include "sources/SongListFile.h"

#include "platform/NumberText.h"
#include "platform/PathTools.h"
#include "songlist/MainProperties.h"
#include "songlist/SongListModel.h"
#include "sources/SourceRecord.h"

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
    QStringList pieces = text.split(u'\r');
    pieces.removeLast(); // what follows the last carriage return
    for (const QString &piece : std::as_const(pieces)) {
        QStringList fields = piece.split(u'\t');
        if (fields.size() == kFields)
            out.append(std::move(fields));
    }
    return out;
}

bool saveMusicList(const QString &listFolder, const QString &name, const QList<SongRow> &rows)
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

readListData::readListData(SongListModel *songs, MainProperties &props, SourceRecord *sources, QString listFolder,
                           QObject *parent)
    : coop::Thread(parent), m_songs(songs), m_props(props), m_sources(sources), m_listFolder(std::move(listFolder))
{
}

void readListData::dataTmpList(const QString &text)
{
    dlist = DataList();
    for (const QStringList &f : SongListFile::records(text)) {
        if (f[0].isEmpty())
            continue;
        dlist.addRow(f[0]);
        dlist.setLastRow(1, f[1]);
        dlist.setLastRow(2, f[3]);
        dlist.setLastRow(3, f[6]);
        dlist.setLastRow(4, f[24]);
        dlist.setLastRow(5, SongListFile::kDefaultSource);
        dlist.setLastRow(6, f[2]);
    }
}

coop::Task<> readListData::run()
{
    QFile file(m_listFolder + u'/' + (fileName.isEmpty() ? SongListFile::kDefaultList : fileName));
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        co_return;
    const QString text = QString::fromUtf8(file.readAll());
    file.close();
    fileRead = true;
    dataTmpList(text);
    co_await coop::yield();
    if (m_sources)
        m_sources->appendSource(SongListFile::kDefaultSource);

    bool missing = false;
    int d = 1;
    QList<SongRow> batch;
    auto flush = [this, &batch] {
        if (m_songs)
            m_songs->appendRows(batch);
        batch.clear();
    };
    for (int i = 0; i < dlist.CountRows(); ++i) {
        if (cancelled && cancelled())
            break;
        const FileItem item = pathTools::getItemSub(dlist.getCell(i, 4));
        const bool exists = !item.isNull() && item.exists();
        SongRow row;
        row.cells[SongRow::Number] = QString::number(d) + u' ';
        row.cells[SongRow::Title] = dlist.getCell(i, 0);
        row.cells[SongRow::Artist] = u' ' + dlist.getCell(i, 1);
        row.cells[SongRow::Album] = u' ' + dlist.getCell(i, 2);
        row.cells[SongRow::Size] = SongSize::formatWholeKB(std::llround(NumberText::readsAs(dlist.getCell(i, 3))));
        row.cells[SongRow::Path] = dlist.getCell(i, 4);
        row.cells[SongRow::Source] = SongListFile::kDefaultSource;
        row.checked = dlist.getCell(i, 6) == u"1"_s && exists;
        missing = missing || !exists;
        batch.append(row);
        ++d;
        // Rows reach the list in batches: one insertion per turn, not one per row.
        if (batch.size() >= 256) {
            flush();
            co_await coop::yield();
        }
    }
    flush();
    m_props.fileCounter = d;
    if (missing)
        emit missingFiles();
}
