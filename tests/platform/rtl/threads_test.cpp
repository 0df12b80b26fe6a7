#include "platform/rtl/threads.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <vector>

namespace {

// Pumps the UI thread's event loop until Done or a few seconds pass.
template <class F>
bool PumpUntil(F Done) {
    QElapsedTimer t;
    t.start();
    while (!Done()) {
        if (t.elapsed() > 5000) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

class TWorker : public TThread {
    SDELKA_CLASS(TWorker, TThread)
protected:
    explicit TWorker(bool Suspended, std::function<void(TWorker*)> Body) : TThread(Suspended), FBody(std::move(Body)) {}
    ~TWorker() override {
        if (DestroyedFlag) *DestroyedFlag = true;
    }

public:
    using TThread::SetReturnValue;
    std::atomic<bool>* DestroyedFlag = nullptr;

protected:
    void Execute() override { FBody(this); }

private:
    std::function<void(TWorker*)> FBody;
};

}  // namespace

TEST(Threads, SynchronizeRunsOnTheUiThreadWhileTheLoopIsPumped) {
    ASSERT_NE(QCoreApplication::instance(), nullptr);
    std::vector<int> order;
    std::vector<bool> onUi;
    bool terminatedOnUi = false;
    auto* w = New<TWorker>(true, [&](TWorker* self) {
        for (int i = 0; i < 3; ++i)
            self->Synchronize([&, i] {
                order.push_back(i);
                onUi.push_back(TThread::IsMainThread());
            });
        self->Queue([&] { order.push_back(99); });
        self->SetReturnValue(42);
    });
    w->OnTerminate = [&](TObject* Sender) {
        terminatedOnUi = TThread::IsMainThread() && Sender == w;
    };
    EXPECT_TRUE(w->Suspended());
    w->Start();
    EXPECT_THROW(w->Start(), EThread);
    ASSERT_TRUE(PumpUntil([&] { return w->Finished(); }));
    EXPECT_EQ(w->WaitFor(), 42);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 99}));
    EXPECT_EQ(onUi, (std::vector<bool>{true, true, true}));
    EXPECT_TRUE(terminatedOnUi);
    EXPECT_FALSE(w->FatalException());
    w->Free();
}

TEST(Threads, WaitForOnTheUiThreadServesSynchronizeWithoutDeadlock) {
    int calls = 0;
    auto* w = New<TWorker>(false, [&](TWorker* self) {
        for (int i = 0; i < 5; ++i) self->Synchronize([&] { ++calls; });
        self->SetReturnValue(7);
    });
    EXPECT_EQ(w->WaitFor(), 7);  // no event loop pumped here
    EXPECT_EQ(calls, 5);
    w->Free();
}

TEST(Threads, ExceptionsTravelBackAndEndExecute) {
    bool caught = false;
    auto* w = New<TWorker>(false, [&](TWorker* self) {
        try {
            self->Synchronize([] { throw EConvertError("on the UI thread"); });
        } catch (const EConvertError& e) {
            caught = e.Message() == "on the UI thread";
        }
        throw EAbort("worker ends");
    });
    w->WaitFor();
    EXPECT_TRUE(caught);
    ASSERT_TRUE(w->FatalException());
    EXPECT_THROW(std::rethrow_exception(w->FatalException()), EAbort);
    w->Free();
}

TEST(Threads, TerminateFreeOnTerminateAndDestroyingARunningThread) {
    // A loop that polls Terminated / CheckTerminated ends when told.
    std::atomic<int> rounds{0};
    auto* w = New<TWorker>(false, [&](TWorker*) {
        while (!TThread::CheckTerminated()) {
            ++rounds;
            TThread::Sleep(1);
        }
    });
    // Wait until the loop runs (a loaded machine may start the thread late).
    for (int i = 0; i < 5000 && rounds.load() == 0; ++i) TThread::Sleep(1);
    w->Terminate();
    EXPECT_TRUE(w->Terminated());
    w->WaitFor();
    EXPECT_GT(rounds.load(), 0);
    w->Free();

    // Freeing a running thread terminates it and waits.
    auto* running = New<TWorker>(false, [](TWorker* self) {
        while (!self->Terminated()) TThread::Sleep(1);
    });
    running->Free();

    // A thread that frees itself after OnTerminate.
    std::atomic<bool> destroyed{false};
    bool told = false;
    auto* f = New<TWorker>(true, [](TWorker*) {});
    f->DestroyedFlag = &destroyed;
    f->SetFreeOnTerminate(true);
    f->OnTerminate = [&](TObject*) { told = true; };
    f->Start();
    ASSERT_TRUE(PumpUntil([&] { return destroyed.load(); }));
    EXPECT_TRUE(told);
    EXPECT_FALSE(TThread::CheckTerminated());  // not a worker
}

TEST(Threads, CriticalSectionIsReentrantAndExcludes) {
    TCriticalSection cs;
    cs.Enter();
    EXPECT_TRUE(cs.TryEnter());  // the same thread again
    cs.Leave();
    cs.Leave();

    int counter = 0;
    std::vector<TWorker*> workers;
    for (int t = 0; t < 4; ++t)
        workers.push_back(New<TWorker>(false, [&](TWorker*) {
            for (int i = 0; i < 2000; ++i) {
                cs.Acquire();
                cs.Enter();
                counter = counter + 1;
                cs.Leave();
                cs.Release();
            }
        }));
    for (auto* w : workers) {
        w->WaitFor();
        w->Free();
    }
    EXPECT_EQ(counter, 8000);
}

TEST(Threads, EventsAndAtomicCounters) {
    TSimpleEvent manual;
    EXPECT_EQ(manual.WaitFor(10), wrTimeout);
    auto* w = New<TWorker>(false, [&](TWorker*) {
        TThread::Sleep(10);
        manual.SetEvent();
    });
    EXPECT_EQ(manual.WaitFor(5000), wrSignaled);
    EXPECT_EQ(manual.WaitFor(0), wrSignaled);  // stays signalled
    manual.ResetEvent();
    EXPECT_EQ(manual.WaitFor(0), wrTimeout);
    w->WaitFor();
    w->Free();

    TSimpleEvent automatic(false, true);
    EXPECT_EQ(automatic.WaitFor(0), wrSignaled);
    EXPECT_EQ(automatic.WaitFor(0), wrTimeout);  // one waiter passed and it reset

    Integer n = 0;
    std::vector<TWorker*> workers;
    for (int t = 0; t < 4; ++t)
        workers.push_back(New<TWorker>(false, [&](TWorker*) {
            for (int i = 0; i < 10000; ++i) InterlockedIncrement(n);
        }));
    for (auto* w2 : workers) {
        w2->WaitFor();
        w2->Free();
    }
    EXPECT_EQ(n, 40000);
    EXPECT_EQ(InterlockedDecrement(n), 39999);
    EXPECT_EQ(InterlockedExchange(n, 5), 39999);
    EXPECT_EQ(InterlockedCompareExchange(n, 9, 4), 5);  // no match: unchanged
    EXPECT_EQ(InterlockedCompareExchange(n, 9, 5), 5);
    EXPECT_EQ(n, 9);
    EXPECT_EQ(InterlockedExchangeAdd(n, 3), 9);
    EXPECT_EQ(n, 12);
}
