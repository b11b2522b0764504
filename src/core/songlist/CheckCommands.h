#pragma once

#include "core/platform/Coop.h"

#include <QList>
#include <QObject>
#include <QRandomGenerator>
#include <QString>

#include <functional>
#include <memory>

class SongListModel;
class Renumbering;
struct SessionState;

/// The commands that check, uncheck, remove and shuffle the song list's rows, and the
/// checked totals with the status line they write. They work on the model alone, so they
/// run the same with or without a window; the window only chooses them and shows what
/// they report.
///
/// The commands walk the rows in short steps with yields in between, so the window stays
/// live on long lists. A command chosen while another runs waits its turn and sees the
/// list as the previous one left it.
class CheckCommands final : public QObject {
    Q_OBJECT
public:
    CheckCommands(SongListModel *songs, Renumbering *renumber, SessionState &props, QObject *parent = nullptr);
    ~CheckCommands() override;

    /// The room a shuffle fills, in KB; below 1 a shuffle only reorders. Default: 0.
    std::function<qint64()> roomToFill;
    /// Sorts the list as a click on its number heading does. Default: a descending sort by
    /// cell 0 and a renumbering after 5 ticks.
    std::function<void()> pressNumberHeading;

    /// "選曲  3 曲、 3.99 MB", with "*" when a space on the card is kept free.
    static QString statusText(int count, qint64 sizeKB, int keepFreeMB);
    /// What the status line shows while a full recount runs.
    static QString countingText();
    QString statusLine() const { return m_status; }
    /// Writes the status line from the totals.
    void writeStatus();

    // The commands. `selected` are the rows selected when the command was chosen, `source`
    // the source label's text then.
    void checkAllRows();
    void uncheckAllRows();
    void checkSelectedRows(const QList<int> &selected);
    void uncheckSelectedRows(const QList<int> &selected);
    void checkSourceRows(const QString &source);
    void uncheckSourceRows(const QString &source);
    void checkRowsOutsideSource(const QString &source);
    void uncheckRowsOutsideSource(const QString &source);
    /// Removes the selected rows, renumbers and recounts; nothing without a selection.
    void removeSelectedRows(const QList<int> &selected);
    /// The full recount of the totals.
    void recountTotals();
    /// Random order, then the fill of the room.
    void shuffleList();
    /// Exactly min(n, rows) rows, drawn at random, end unchecked and all others checked.
    void randomUncheck(int n);
    /// Empties the list and the totals at once; commands waiting or running are dropped.
    void clearList();

    // The same work for a cooperative thread that runs it in its own turn (the list-folder
    // job); not ordered with the commands above.
    coop::Task<> recountTotalsTask();
    coop::Task<> shuffleListTask();
    coop::Task<> randomUncheckTask(int n);
    /// Checks the longest run of rows from the top whose total stays strictly below `room`
    /// KB, unchecks every row after it, and makes that run the totals.
    coop::Task<> fillRoom(qint64 room);

    /// A command waits or runs.
    bool isBusy() const;

    /// Rows walked between two yields.
    static constexpr int kRowsPerStep = 64;

signals:
    void statusChanged(const QString &text);
    /// A recount found checked rows (true) or none (false).
    void transferEnabledChanged(bool enabled);
    /// A full recount ended: no loader needs the busy indicator for it any more.
    void recountFinished();
    /// The shuffle put the rows in their new order: time to scroll to the top.
    void shuffled();
    /// A shuffle ended or was dropped.
    void shuffleFinished();
    /// The last waiting command ended.
    void idle();

private:
    struct Job;
    class Runner;

    void enqueue(Job job);
    coop::Task<> perform(Job job);
    void onCheckClicked(int row);
    /// Walks every row in steps, setting each check box to `wanted(row, wasChecked)`.
    coop::Task<> walkChecks(std::function<bool(int, bool)> wanted);
    coop::Task<> recount(bool quiet);
    coop::Task<> removeRows(QList<int> selected);
    coop::Task<> shuffleOrder();
    /// A click landed while a walk ran, so the walk's totals may miss it: count again.
    coop::Task<> settleClicks();
    qint64 sizeOf(int row) const;

    SongListModel *m_songs;
    Renumbering *m_renumber;
    SessionState &m_props;
    QString m_status;
    QRandomGenerator m_random;
    std::unique_ptr<Runner> m_runner;
    /// Commands under way, counted by scopes in their frames, so a dropped command counts
    /// itself out as its frame goes.
    int m_active = 0;
    bool m_clickedMeanwhile = false;
    int m_shuffles = 0;
};
