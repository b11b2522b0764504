#pragma once

#include "core/platform/Coop.h"

#include <QPointer>

class SongListModel;

/// Keeps cell 0 of the song list numbered "1 ", "2 ", ... down the list. The first 51 rows
/// (the visible part) are numbered at once, then after `waitTicks` ticks every row is.
/// Starting it while it runs begins the numbering again, so the list always ends right.
class Renumbering final : public coop::Thread {
    Q_OBJECT
public:
    explicit Renumbering(SongListModel *list, QObject *parent = nullptr);

    /// Ticks (1/60 s) to wait between the first and the second pass.
    int waitTicks = 0;

    /// Rows numbered at once before the wait.
    static constexpr int kFirstRows = 51;

protected:
    coop::Task<> run() override;

private:
    QPointer<SongListModel> m_list;
};
