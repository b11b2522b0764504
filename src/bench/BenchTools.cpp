#include "bench/BenchTools.h"

#include <QCoreApplication>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>

namespace bench {

GapMeter::GapMeter(QObject *parent) : QObject(parent), m_tick(new QTimer(this))
{
    // A zero timer fires once on every turn of the loop.
    m_tick->setInterval(0);
    connect(m_tick, &QTimer::timeout, this, &GapMeter::turn);
    m_clock.start();
}

void GapMeter::start()
{
    m_longestNs = 0;
    m_lastNs = m_clock.nsecsElapsed();
    m_tick->start();
}

void GapMeter::stop()
{
    turn();
    m_tick->stop();
}

void GapMeter::turn()
{
    const qint64 now = m_clock.nsecsElapsed();
    m_longestNs = std::max(m_longestNs, now - m_lastNs);
    m_lastNs = now;
}

bool runUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return true;
}

double peakRssMB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0; // kilobytes on Linux
}

void printLine(const QString &name, double totalMs, double gapMs)
{
    std::printf("%s\t%.1f\t%.1f\n", name.toUtf8().constData(), totalMs, gapMs);
    std::fflush(stdout);
}

} // namespace bench
