#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>

#include <functional>

class QTimer;

namespace bench {

/// One subcommand of the program: `songkite-bench NAME ARGS...`.
struct Subcommand {
    const char *name;
    const char *usage;
    int (*run)(const QStringList &args);
};

/// Watches the event loop: the longest time between two of its turns while it watches.
class GapMeter final : public QObject {
public:
    explicit GapMeter(QObject *parent = nullptr);
    /// Starts a measurement; the time until the loop's next turn counts as a gap too.
    void start();
    void stop();
    double longestGapMs() const { return m_longestNs / 1e6; }

private:
    void turn();
    QTimer *m_tick;
    QElapsedTimer m_clock;
    qint64 m_lastNs = 0;
    qint64 m_longestNs = 0;
};

/// Lets the event loop run until `done` answers true or `timeoutMs` passed; false on timeout.
bool runUntil(const std::function<bool()> &done, int timeoutMs);

/// Peak resident memory of this process, in MB.
double peakRssMB();

/// "name TAB total ms TAB longest gap ms", figures with one decimal.
void printLine(const QString &name, double totalMs, double gapMs);

} // namespace bench
