#pragma once

// Cooperative threads: C++20 coroutines resumed by the Qt event loop on the GUI thread.
// Only one runs at a time and each gives way at its yield points, so threads may touch
// models and windows directly without locks.
//
//   class Worker final : public coop::Thread {
//       coop::Task<> run() override { for (...) { step(); co_await coop::yield(); } }
//   };
//
// Note: GCC 12 miscompiles a co_await and a capturing lambda in one expression; build
// the lambda in its own statement first.

#include <QElapsedTimer>
#include <QObject>

#include <coroutine>
#include <exception>
#include <optional>
#include <utility>

namespace coop {

class Thread;

namespace detail {

struct PromiseBase {
    std::coroutine_handle<> continuation;
    std::exception_ptr error;

    std::suspend_always initial_suspend() noexcept { return {}; }
    struct FinalAwaiter {
        bool await_ready() noexcept { return false; }
        template <typename P>
        std::coroutine_handle<> await_suspend(std::coroutine_handle<P> h) noexcept
        {
            auto next = h.promise().continuation;
            return next ? next : std::noop_coroutine();
        }
        void await_resume() noexcept {}
    };
    FinalAwaiter final_suspend() noexcept { return {}; }
    void unhandled_exception() noexcept { error = std::current_exception(); }
};

template <typename T>
struct Promise : PromiseBase {
    std::optional<T> value;
    template <typename U>
    void return_value(U &&v) { value.emplace(std::forward<U>(v)); }
};

template <>
struct Promise<void> : PromiseBase {
    void return_void() noexcept {}
};

} // namespace detail

/// A lazily started coroutine. Awaiting it runs it to its end (through its own yields)
/// and gives its result; a thread's run() returns one. Owns its frame.
template <typename T = void>
class [[nodiscard]] Task final {
public:
    struct promise_type : detail::Promise<T> {
        Task get_return_object() { return Task(std::coroutine_handle<promise_type>::from_promise(*this)); }
    };
    using Handle = std::coroutine_handle<promise_type>;

    Task() = default;
    explicit Task(Handle h) : m_handle(h) {}
    Task(Task &&o) noexcept : m_handle(std::exchange(o.m_handle, {})) {}
    Task &operator=(Task &&o) noexcept
    {
        if (this != &o) {
            reset();
            m_handle = std::exchange(o.m_handle, {});
        }
        return *this;
    }
    Task(const Task &) = delete;
    Task &operator=(const Task &) = delete;
    ~Task() { reset(); }

    bool valid() const { return bool(m_handle); }
    bool done() const { return !m_handle || m_handle.done(); }
    Handle handle() const { return m_handle; }

    // Awaiting a task: start it, come back here when it ends.
    bool await_ready() const noexcept { return !m_handle || m_handle.done(); }
    std::coroutine_handle<> await_suspend(std::coroutine_handle<> awaiting) noexcept
    {
        m_handle.promise().continuation = awaiting;
        return m_handle;
    }
    T await_resume()
    {
        if (m_handle && m_handle.promise().error)
            std::rethrow_exception(m_handle.promise().error);
        if constexpr (!std::is_void_v<T>)
            return std::move(*m_handle.promise().value);
    }

private:
    void reset()
    {
        if (m_handle)
            m_handle.destroy();
        m_handle = {};
    }
    Handle m_handle;
};

/// Base of every cooperative thread. start() schedules run() to begin on the next turn of
/// the event loop (isRunning() is true from then on); starting a running thread throws its
/// current run away and begins again. Destroying the object destroys the coroutine frame and drops any pending
/// resumption, so a closed window never resumes freed memory.
class Thread : public QObject {
    Q_OBJECT
public:
    explicit Thread(QObject *parent = nullptr);
    ~Thread() override;

    /// Schedules run() from its beginning; restarts a running thread.
    void start();
    /// Ends a running thread at its current suspension point, without finished().
    void stop();
    bool isRunning() const { return m_task.valid() && !m_task.done(); }

    /// Every long job stops the same way: requestStop() raises the job's own flag, which
    /// its run() reads at the points where stopping leaves nothing half done. The flag
    /// holds until the next start().
    void requestStop();
    bool stopRequested() const { return m_stopRequested; }

    /// The thread whose coroutine is executing right now, or nullptr.
    static Thread *current();

    /// Time slice after which a yield really gives way to the event loop.
    static constexpr int kSliceMs = 5;

signals:
    /// Emitted when run() has returned (or ended with an exception).
    void finished();
    /// requestStop() was called: jobs that must stop with this one listen here.
    void stopRequestReceived();

protected:
    virtual Task<> run() = 0;

private:
    friend struct YieldAwaiter;
    friend struct SleepAwaiter;
    void suspendAt(std::coroutine_handle<> h, int delayMs);
    void resumeNow(quint64 generation);
    void begin();
    void afterStep();

    Task<> m_task;
    std::coroutine_handle<> m_resumePoint;
    QElapsedTimer m_slice;
    quint64 m_generation = 0;
    bool m_executing = false;
    bool m_restartPending = false;
    bool m_stopPending = false;
    bool m_stopRequested = false;
};

struct YieldAwaiter {
    bool await_ready() const noexcept;
    void await_suspend(std::coroutine_handle<> h) const;
    void await_resume() const noexcept {}
};

struct SleepAwaiter {
    int ticks;
    bool await_ready() const noexcept { return ticks <= 0; }
    void await_suspend(std::coroutine_handle<> h) const;
    void await_resume() const noexcept {}
};

/// A yield point: gives way to the event loop when the thread has run for kSliceMs since
/// it was last resumed, otherwise goes on at once.
inline YieldAwaiter yield() { return {}; }

/// Waits n ticks of 1/60 s while the event loop runs.
inline SleepAwaiter sleepTicks(int n) { return {n}; }

/// Milliseconds of n ticks of 1/60 s, rounded up.
constexpr int ticksToMs(int n) { return n <= 0 ? 0 : (n * 1000 + 59) / 60; }

} // namespace coop
