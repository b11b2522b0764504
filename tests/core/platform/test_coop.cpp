#include "core/platform/Coop.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

// Counts to a limit, yielding after each step; records the event-loop turns it saw.
class Counter final : public coop::Thread {
public:
    int limit = 0;
    int count = 0;
    int sleepTicks = 0;
    bool *destroyedFlag = nullptr;

protected:
    coop::Task<> run() override
    {
        count = 0;
        struct Guard {
            bool *flag;
            ~Guard() { if (flag) *flag = true; }
        } guard{destroyedFlag};
        if (sleepTicks > 0)
            co_await coop::sleepTicks(sleepTicks);
        for (int i = 0; i < limit; ++i) {
            ++count;
            co_await coop::yield();
        }
    }
};

// Busy for a fixed time per step, so every yield should give way.
class Slow final : public coop::Thread {
public:
    int steps = 0;
    int done = 0;

protected:
    coop::Task<> run() override
    {
        for (int i = 0; i < steps; ++i) {
            QElapsedTimer t;
            t.start();
            while (t.elapsed() < 6) {}
            ++done;
            co_await coop::yield();
        }
    }
};

coop::Task<int> twice(int v)
{
    co_await coop::yield();
    co_return v * 2;
}

class Nested final : public coop::Thread {
public:
    int result = 0;

protected:
    coop::Task<> run() override
    {
        int a = co_await twice(5);
        int b = co_await twice(a);
        result = b;
    }
};

} // namespace

class TestCoop : public QObject {
    Q_OBJECT
private slots:
    void fastLoopRunsInOneSlice();
    void slowStepsGiveWayEachTime();
    void nestedTasksReturnValues();
    void sleepWaitsTheTicks();
    void restartWhileRunningBeginsAgain();
    void destroyingRunningThreadFreesFrameAndDropsResume();
    void stopEndsWithoutFinished();
};

void TestCoop::fastLoopRunsInOneSlice()
{
    // A thousand cheap steps take far less than one slice: the thread never suspends.
    Counter c;
    c.limit = 1000;
    QSignalSpy finished(&c, &coop::Thread::finished);
    c.start();
    QVERIFY(c.isRunning());
    QCOMPARE(c.count, 0); // scheduled, not yet begun
    QCoreApplication::processEvents();
    // One turn of the event loop ran the whole thread.
    QCOMPARE(c.count, 1000);
    QCOMPARE(finished.count(), 1);
    QVERIFY(!c.isRunning());
}

void TestCoop::slowStepsGiveWayEachTime()
{
    Slow s;
    s.steps = 3;
    s.start();
    QCoreApplication::processEvents();
    // Each step outlasts the slice, so one turn runs only the first one.
    QCOMPARE(s.done, 1);
    QVERIFY(s.isRunning());
    QTRY_COMPARE_WITH_TIMEOUT(s.done, 3, 2000);
    QTRY_VERIFY(!s.isRunning());
}

void TestCoop::nestedTasksReturnValues()
{
    Nested n;
    n.start();
    QTRY_COMPARE(n.result, 20);
}

void TestCoop::sleepWaitsTheTicks()
{
    Counter c;
    c.limit = 1;
    c.sleepTicks = 6; // 100 ms
    QElapsedTimer t;
    t.start();
    QSignalSpy finished(&c, &coop::Thread::finished);
    c.start();
    QCOMPARE(c.count, 0);
    QVERIFY(finished.wait(2000));
    QVERIFY2(t.elapsed() >= 95, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(c.count, 1);
}

void TestCoop::restartWhileRunningBeginsAgain()
{
    bool destroyed = false;
    Counter c;
    c.limit = 5;
    c.sleepTicks = 3;
    c.destroyedFlag = &destroyed;
    QSignalSpy finished(&c, &coop::Thread::finished);
    c.start();
    QTRY_VERIFY(c.isRunning() && c.count == 0 && !destroyed);
    QCoreApplication::processEvents(); // now asleep inside run()
    c.start(); // the first run's frame goes, with its locals
    QVERIFY(destroyed);
    QVERIFY(finished.wait(2000));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(c.count, 5);
}

void TestCoop::destroyingRunningThreadFreesFrameAndDropsResume()
{
    bool destroyed = false;
    auto c = std::make_unique<Counter>();
    c->limit = 5;
    c->sleepTicks = 1;
    c->destroyedFlag = &destroyed;
    c->start();
    QCoreApplication::processEvents(); // asleep inside run()
    QVERIFY(c->isRunning());
    c.reset();
    QVERIFY(destroyed);
    // The pending resumption must be dropped, not run against freed memory.
    QTest::qWait(60);
}

void TestCoop::stopEndsWithoutFinished()
{
    bool destroyed = false;
    Counter c;
    c.limit = 5;
    c.sleepTicks = 2;
    c.destroyedFlag = &destroyed;
    QSignalSpy finished(&c, &coop::Thread::finished);
    c.start();
    QCoreApplication::processEvents(); // asleep inside run()
    c.stop();
    QVERIFY(destroyed);
    QVERIFY(!c.isRunning());
    QTest::qWait(80);
    QCOMPARE(finished.count(), 0);
    QCOMPARE(c.count, 0);
}

QTEST_MAIN(TestCoop)
#include "test_coop.moc"
