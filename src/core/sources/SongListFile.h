#pragma once

// The program's own song lists: one record of 25 TAB-separated fields per row, each ending
// in a carriage return. The default list is read at start-up and written on command.

#include "core/platform/Coop.h"
#include "core/songlist/DataList.h"
#include "core/songlist/SongRow.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

class SongListModel;
class SourceRecord;
struct SessionState;

namespace SongListFile {

inline constexpr int kFields = 25;
inline const QString kDefaultList = QStringLiteral("musiclist.default");
/// The source name of rows from the default list.
inline const QString kDefaultSource = QStringLiteral("曲リスト");

/// A row as an own-list record (with its closing carriage return).
QString ownRecord(const SongRow &row);
/// The records of a list's text that have exactly 25 fields; what follows the last
/// carriage return is not a record.
QList<QStringList> records(const QString &text);
/// The pieces of a list's text that can be records: every one before the last carriage
/// return, fields not yet split.
QStringList pieces(const QString &text);

/// Writes the rows as an own list `name` (the default list when empty) in `listFolder`, all
/// or nothing; no rows deletes the file. False when the file could not be written.
bool saveSongList(const QString &listFolder, const QString &name, const QList<SongRow> &rows);

} // namespace SongListFile

/// Loads an own list (the default list when `fileName` is empty) into the song list at
/// start-up. Rows whose song file is missing come in unchecked, and `missingFiles` tells.
/// requestStop() ends the loading between rows; the rows read so far stay.
class DefaultListLoader final : public coop::Thread {
    Q_OBJECT
public:
    DefaultListLoader(SongListModel *songs, SessionState &props, SourceRecord *sources, QString listFolder,
                      QString fileName = QString(), QObject *parent = nullptr);

    /// The list file was found and read.
    bool listRead() const { return m_listRead; }

signals:
    /// At least one listed song file was not found; its row was unchecked.
    void missingFiles();
    /// Rows are about to come in (true) or are all in (false): the window hides the song
    /// list meanwhile, so it is not redrawn for every batch.
    void rowsArriving(bool arriving);

protected:
    coop::Task<> run() override;

private:
    coop::Task<DataList> collectRows(QString text);

    QPointer<SongListModel> m_songs;
    SessionState &m_props;
    QPointer<SourceRecord> m_sources;
    QString m_listFolder;
    QString m_fileName;
    bool m_listRead = false;
};
