#include "core/songlist/CheckCommands.h"

#include "core/prefs/Preferences.h"
#include "core/songlist/SessionState.h"
#include "core/songlist/Renumbering.h"
#include "core/songlist/SongListModel.h"

#include <algorithm>
#include <numeric>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

/// Rows as a bitmap over the list, for a walk that asks row by row.
std::vector<bool> rowSet(const QList<int> &rows, int count)
{
    std::vector<bool> set(std::max(count, 0), false);
    for (int r : rows)
        if (r >= 0 && r < count)
            set[r] = true;
    return set;
}

QString grouped(qint64 n)
{
    QString digits = QString::number(n);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, u',');
    return digits;
}

/// Counts a command in for as long as its frame lives.
class Scope final {
public:
    explicit Scope(int &counter) : m_counter(counter) { ++m_counter; }
    ~Scope() { --m_counter; }
    Scope(const Scope &) = delete;
    Scope &operator=(const Scope &) = delete;

private:
    int &m_counter;
};

} // namespace

struct CheckCommands::Job {
    enum Kind {
        SelectAll, ReleaseAll, CheckSelRows, ReleaseSelRows, CheckSelFolder, ReleaseSelFolder,
        CheckSelExRows, ReleaseSelExRows, RemoveRows, Recount, Shuffle, RandomUncheck
    };
    Kind kind;
    QList<int> rows;
    QString source;
    int n = 0;
};

/// Runs the waiting commands one after the other, each to its end.
class CheckCommands::Runner final : public coop::Thread {
public:
    explicit Runner(CheckCommands *owner) : m_owner(owner) {}
    QList<Job> queue;

protected:
    coop::Task<> run() override
    {
        while (!queue.isEmpty()) {
            Job job = queue.takeFirst();
            co_await m_owner->perform(std::move(job));
        }
    }

private:
    CheckCommands *m_owner;
};

CheckCommands::CheckCommands(SongListModel *songs, Renumbering *renumber, SessionState &props, QObject *parent)
    : QObject(parent), m_songs(songs), m_renumber(renumber), m_props(props),
      m_random(QRandomGenerator::global()->generate()), m_runner(std::make_unique<Runner>(this))
{
    roomToFill = [] { return qint64(0); };
    pressNumberHeading = [this] {
        m_songs->sort(0, Qt::DescendingOrder);
        if (m_renumber) {
            m_renumber->waitTicks = 5;
            m_renumber->start();
        }
    };
    connect(m_songs, &SongListModel::checkClicked, this, &CheckCommands::onCheckClicked);
    connect(m_runner.get(), &coop::Thread::finished, this, [this] {
        // A command chosen from inside the last one's final step still needs its turn.
        if (!m_runner->queue.isEmpty())
            m_runner->start();
        else
            emit idle();
    });
}

CheckCommands::~CheckCommands() = default;

QString CheckCommands::statusText(int count, qint64 sizeKB, int keepFreeMB)
{
    // Hundredths of a megabyte of 1000 KB, rounded half away from zero.
    const qint64 magnitude = sizeKB < 0 ? -sizeKB : sizeKB;
    const qint64 hundredths = (magnitude + 5) / 10;
    QString mb = grouped(hundredths / 100) + u'.' + u"%1"_s.arg(hundredths % 100, 2, 10, QLatin1Char('0'));
    if (sizeKB < 0 && hundredths > 0)
        mb.prepend(u'-');
    QString text = u"選曲  "_s + QString::number(count) + u" 曲、 "_s + mb + u" MB"_s;
    if (keepFreeMB > 0)
        text += u'*';
    return text;
}

QString CheckCommands::countingText() { return u"-- 曲、 -- MB"_s; }

void CheckCommands::writeStatus()
{
    m_status = statusText(m_props.checkedCount, m_props.checkedSizeKB, preference::keepFreeMB);
    emit statusChanged(m_status);
}

qint64 CheckCommands::sizeOf(int row) const { return m_songs->row(row).sizeKB(); }

bool CheckCommands::isBusy() const { return m_runner->isRunning() || !m_runner->queue.isEmpty(); }

void CheckCommands::enqueue(Job job)
{
    m_runner->queue.append(std::move(job));
    if (!m_runner->isRunning())
        m_runner->start();
}

void CheckCommands::checkAllRows() { enqueue({Job::SelectAll, {}, {}, 0}); }
void CheckCommands::uncheckAllRows() { enqueue({Job::ReleaseAll, {}, {}, 0}); }
void CheckCommands::checkSelectedRows(const QList<int> &selected) { enqueue({Job::CheckSelRows, selected, {}, 0}); }
void CheckCommands::uncheckSelectedRows(const QList<int> &selected) { enqueue({Job::ReleaseSelRows, selected, {}, 0}); }
void CheckCommands::checkSourceRows(const QString &source) { enqueue({Job::CheckSelFolder, {}, source, 0}); }
void CheckCommands::uncheckSourceRows(const QString &source) { enqueue({Job::ReleaseSelFolder, {}, source, 0}); }
void CheckCommands::checkRowsOutsideSource(const QString &source) { enqueue({Job::CheckSelExRows, {}, source, 0}); }
void CheckCommands::uncheckRowsOutsideSource(const QString &source) { enqueue({Job::ReleaseSelExRows, {}, source, 0}); }
void CheckCommands::recountTotals() { enqueue({Job::Recount, {}, {}, 0}); }
void CheckCommands::shuffleList() { enqueue({Job::Shuffle, {}, {}, 0}); }
void CheckCommands::randomUncheck(int n) { enqueue({Job::RandomUncheck, {}, {}, n}); }

void CheckCommands::removeSelectedRows(const QList<int> &selected)
{
    if (selected.isEmpty())
        return;
    enqueue({Job::RemoveRows, selected, {}, 0});
}

void CheckCommands::clearList()
{
    bool shuffleDropped = false;
    for (const Job &j : std::as_const(m_runner->queue))
        shuffleDropped |= j.kind == Job::Shuffle;
    shuffleDropped |= m_runner->isRunning() && m_shuffles > 0;
    const bool wasBusy = isBusy();
    // A walk left half way would write totals of rows that are gone.
    m_runner->queue.clear();
    m_runner->stop();
    m_clickedMeanwhile = false;

    m_songs->clear();
    m_props.nextFileNumber = 1;
    m_props.checkedCount = 0;
    m_props.checkedSizeKB = 0;
    m_status.clear();
    emit statusChanged(m_status);
    emit transferEnabledChanged(false);
    if (shuffleDropped)
        emit shuffleFinished();
    if (wasBusy)
        emit idle();
}

void CheckCommands::onCheckClicked(int row)
{
    if (row < 0 || row >= m_songs->rowCount())
        return;
    const qint64 size = sizeOf(row);
    if (m_songs->isChecked(row)) {
        m_props.checkedCount += 1;
        m_props.checkedSizeKB += size;
    } else {
        m_props.checkedCount -= 1;
        m_props.checkedSizeKB -= size;
    }
    if (m_active > 0)
        m_clickedMeanwhile = true;
    writeStatus();
}

coop::Task<> CheckCommands::walkChecks(std::function<bool(int, bool)> wanted)
{
    for (int r = 0; r < m_songs->rowCount(); r += kRowsPerStep) {
        m_songs->updateChecks(r, r + kRowsPerStep - 1, wanted);
        co_await coop::yield();
    }
}

coop::Task<> CheckCommands::settleClicks()
{
    if (m_active == 1 && m_clickedMeanwhile) {
        m_clickedMeanwhile = false;
        co_await recount(true);
    }
}

coop::Task<> CheckCommands::perform(Job job)
{
    const Scope active(m_active);
    int count = 0;
    qint64 size = 0;
    const int rows = m_songs->rowCount();
    const std::vector<bool> selected = rowSet(job.rows, rows);
    auto isSelected = [&selected](int r) { return r < int(selected.size()) && selected[r]; };
    auto ofSource = [this, &job](int r) { return m_songs->row(r).cells[SongRow::Source] == job.source; };
    // Each walk counts the rows it leaves checked, or for the releases the checked rows it
    // unchecks, which come off the totals.
    auto tally = [this, &count, &size](int r, bool checked) {
        if (checked) {
            ++count;
            size += sizeOf(r);
        }
        return checked;
    };
    std::function<bool(int, bool)> wanted;
    bool subtract = false;
    switch (job.kind) {
    case Job::SelectAll: wanted = [&](int r, bool) { return tally(r, true); }; break;
    case Job::ReleaseAll: wanted = [](int, bool) { return false; }; break;
    case Job::CheckSelRows: wanted = [&](int r, bool was) { return tally(r, was || isSelected(r)); }; break;
    case Job::CheckSelFolder: wanted = [&](int r, bool) { return tally(r, ofSource(r)); }; break;
    case Job::CheckSelExRows: wanted = [&](int r, bool) { return tally(r, !ofSource(r)); }; break;
    case Job::ReleaseSelExRows: wanted = [&](int r, bool) { return tally(r, ofSource(r)); }; break;
    case Job::ReleaseSelRows:
        subtract = true;
        wanted = [&](int r, bool was) {
            if (!isSelected(r))
                return was;
            tally(r, was);
            return false;
        };
        break;
    case Job::ReleaseSelFolder:
        subtract = true;
        wanted = [&](int r, bool was) {
            if (!ofSource(r))
                return was;
            tally(r, was);
            return false;
        };
        break;
    case Job::RemoveRows: co_await removeRows(std::move(job.rows)); break;
    case Job::Recount: co_await recount(false); break;
    case Job::Shuffle: co_await shuffleListTask(); break;
    case Job::RandomUncheck: co_await randomUncheckTask(job.n); break;
    }
    if (wanted) {
        co_await walkChecks(wanted);
        if (subtract) {
            m_props.checkedCount -= count;
            m_props.checkedSizeKB -= size;
        } else {
            m_props.checkedCount = count;
            m_props.checkedSizeKB = size;
        }
        writeStatus();
    }
    co_await settleClicks();
}

coop::Task<> CheckCommands::recount(bool quiet)
{
    if (!quiet) {
        m_status = countingText();
        emit statusChanged(m_status);
    }
    int count = 0;
    qint64 size = 0;
    for (int r = 0; r < m_songs->rowCount(); ++r) {
        if (m_songs->isChecked(r)) {
            ++count;
            size += sizeOf(r);
        }
        if (r % kRowsPerStep == kRowsPerStep - 1)
            co_await coop::yield();
    }
    m_props.checkedCount = count;
    m_props.checkedSizeKB = size;
    writeStatus();
    if (!quiet) {
        emit transferEnabledChanged(count > 0);
        emit recountFinished();
    }
}

coop::Task<> CheckCommands::recountTotalsTask()
{
    const Scope active(m_active);
    co_await recount(false);
    co_await settleClicks();
}

coop::Task<> CheckCommands::removeRows(QList<int> selected)
{
    m_songs->removeRowsAt(std::move(selected));
    co_await coop::yield();
    if (m_renumber)
        m_renumber->start();
    co_await recount(false);
}

coop::Task<> CheckCommands::shuffleOrder()
{
    // Every row gets a distinct number from 1 to N, uniformly at random. Drawing among the
    // numbers still free keeps this linear where redrawing used ones would not.
    const int n = m_songs->rowCount();
    std::vector<int> numbers(n);
    std::iota(numbers.begin(), numbers.end(), 1);
    for (int i = n - 1; i > 0; --i)
        std::swap(numbers[i], numbers[m_random.bounded(i + 1)]);
    for (int r = 0; r < n; r += kRowsPerStep) {
        m_songs->updateCells(SongRow::Number, r, std::min(r + kRowsPerStep, n) - 1, [&numbers](int row) {
            return row < int(numbers.size()) ? QString::number(numbers[row]) + u' ' : QString();
        });
        co_await coop::yield();
    }
    pressNumberHeading();
    emit shuffled();
}

coop::Task<> CheckCommands::shuffleListTask()
{
    const Scope active(m_active);
    {
        const Scope shuffling(m_shuffles);
        co_await shuffleOrder();
        const qint64 room = roomToFill ? roomToFill() : 0;
        if (room >= 1)
            co_await fillRoom(room);
        co_await settleClicks();
    }
    emit shuffleFinished();
}

coop::Task<> CheckCommands::fillRoom(qint64 room)
{
    const Scope active(m_active);
    qint64 total = 0;
    int walked = 0;
    int accepted = 0;
    qint64 acceptedSize = 0;
    std::function<bool(int, bool)> wanted = [&](int r, bool) {
        total += sizeOf(r);
        ++walked;
        if (total < room) {
            accepted = walked;
            acceptedSize = total;
            return true;
        }
        return false;
    };
    co_await walkChecks(wanted);
    m_props.checkedCount = accepted;
    m_props.checkedSizeKB = acceptedSize;
    writeStatus();
    co_await settleClicks();
}

coop::Task<> CheckCommands::randomUncheckTask(int n)
{
    const Scope active(m_active);
    // n distinct rows drawn uniformly: a partial shuffle of the row indices, so the draws
    // stay linear even when nearly every row is to go.
    const int rows = m_songs->rowCount();
    n = std::clamp(n, 0, rows);
    std::vector<int> index(rows);
    std::iota(index.begin(), index.end(), 0);
    std::vector<bool> unchecked(rows, false);
    for (int i = 0; i < n; ++i) {
        const int j = i + int(m_random.bounded(rows - i));
        std::swap(index[i], index[j]);
        unchecked[index[i]] = true;
    }
    std::function<bool(int, bool)> wanted = [&unchecked](int r, bool) {
        return r >= int(unchecked.size()) || !unchecked[r];
    };
    co_await walkChecks(wanted);
    co_await recount(false);
    co_await settleClicks();
}
