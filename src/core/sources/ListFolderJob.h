#pragma once

#include "core/platform/Coop.h"
#include "core/platform/FileItem.h"

#include <QPointer>
#include <QString>

#include <functional>

class SongListModel;
class SourceRecord;

/// The list-folder job. Mode 1 picks up automatic song lists: export lists renamed to
/// ".atxt" (or ".stxt": shuffled first) that were put in the list folder. They replace the
/// song list, are deleted, and their songs are sent to the card at once.
class ListFolderJob final : public coop::Thread {
    Q_OBJECT
public:
    ListFolderJob(SongListModel *songs, SourceRecord *sources, QString listFolder, QObject *parent = nullptr);

    int mode = 1;
    /// Number that the next row an export list adds gets in cell 0.
    int nextFileNumber = 1;

    /// What the job needs of the main window; unset hooks are skipped.
    struct Hooks {
        std::function<void()> emptySongList;     ///< empty the list, its totals and the sources
        std::function<void(bool)> showProgress;  ///< the list progress window
        std::function<void(bool)> runTimer;      ///< the main window's repeating timer
        std::function<void(int)> setFileCounter; ///< the main window's nextFileNumber
        std::function<coop::Task<>()> recountTotals;
        std::function<void()> showCapacity;
        std::function<coop::Task<>()> shuffleList;
        std::function<void()> runTransfer;
        std::function<void()> enableTransferButton;
    } hooks;

    /// Adds the songs of an export list (Mac Japanese or with a byte-order mark); deletes the
    /// file first in mode 1. `extLength` characters end the name as the user does not see it.
    coop::Task<> loadExportList(FileItem file, QString name, int extLength);

protected:
    coop::Task<> run() override;

private:
    coop::Task<> autoLists();

    QPointer<SongListModel> m_songs;
    QPointer<SourceRecord> m_sources;
    QString m_listFolder;
};
