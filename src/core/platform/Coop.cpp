#include "core/platform/Coop.h"

#include <QPointer>
#include <QTimer>
#include <QtGlobal>

namespace coop {

namespace {
Thread *s_current = nullptr;
}

Thread::Thread(QObject *parent) : QObject(parent) {}

Thread::~Thread()
{
    // Pending resumptions are single-shots with this object as receiver: Qt drops them.
    m_resumePoint = {};
    m_task = Task<>();
}

Thread *Thread::current() { return s_current; }

void Thread::start()
{
    m_stopRequested = false;
    if (m_executing) {
        // Destroying the frame that is running now is not possible: restart when it
        // next gives way.
        m_restartPending = true;
        m_stopPending = false;
        return;
    }
    begin();
}

void Thread::requestStop()
{
    m_stopRequested = true;
    emit stopRequestReceived();
}

void Thread::stop()
{
    if (m_executing) {
        m_stopPending = true;
        m_restartPending = false;
        return;
    }
    ++m_generation;
    m_resumePoint = {};
    m_task = Task<>();
}

void Thread::begin()
{
    ++m_generation;
    m_resumePoint = {};
    m_task = Task<>(); // frees the previous run, if any
    m_task = run();
    // Like a thread that is scheduled, the body begins on the next turn of the event loop:
    // the code that started it finishes its own work first.
    m_resumePoint = m_task.handle();
    const quint64 gen = m_generation;
    QTimer::singleShot(0, this, [this, gen] { resumeNow(gen); });
}

void Thread::suspendAt(std::coroutine_handle<> h, int delayMs)
{
    m_resumePoint = h;
    const quint64 gen = m_generation;
    QTimer::singleShot(delayMs, this, [this, gen] { resumeNow(gen); });
}

void Thread::resumeNow(quint64 generation)
{
    if (generation != m_generation || !m_resumePoint || m_task.done())
        return;
    auto h = std::exchange(m_resumePoint, {});
    Thread *outer = s_current;
    s_current = this;
    m_executing = true;
    m_slice.start();
    QPointer<Thread> alive(this);
    h.resume();
    if (!alive) {
        // The object was deleted from inside its own run(); nothing of it may be touched.
        s_current = outer;
        return;
    }
    m_executing = false;
    s_current = outer;
    afterStep();
}

void Thread::afterStep()
{
    if (m_restartPending) {
        m_restartPending = false;
        begin();
        return;
    }
    if (m_stopPending) {
        m_stopPending = false;
        stop();
        return;
    }
    if (m_task.valid() && m_task.done()) {
        m_task = Task<>();
        emit finished();
    }
}

bool YieldAwaiter::await_ready() const noexcept
{
    Thread *t = Thread::current();
    if (!t)
        return true;
    if (t->m_restartPending || t->m_stopPending)
        return false; // give way so the restart or stop can take effect
    return !t->m_slice.isValid() || t->m_slice.elapsed() < Thread::kSliceMs;
}

void YieldAwaiter::await_suspend(std::coroutine_handle<> h) const
{
    Thread::current()->suspendAt(h, 0);
}

void SleepAwaiter::await_suspend(std::coroutine_handle<> h) const
{
    Thread *t = Thread::current();
    Q_ASSERT(t);
    t->suspendAt(h, ticksToMs(ticks));
}

} // namespace coop
