#include "platform/rtl/threads.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <chrono>
#include <deque>
#include <memory>

namespace {

const std::thread::id FirstThread = std::this_thread::get_id();
thread_local TThread* CurrentTThread = nullptr;

struct SyncCall {
    TThreadMethod Method;
    bool Blocking = false;
    bool Done = false;
    std::exception_ptr Error;
};

struct SyncQueue {
    std::mutex Lock;
    std::condition_variable Changed;  // a call was queued, a call was done, a thread finished
    std::deque<std::shared_ptr<SyncCall>> Calls;
};

SyncQueue& Sync() {
    static SyncQueue q;
    return q;
}

void WakeMainThread() {
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, [] { CheckSynchronize(); }, Qt::QueuedConnection);
}

void RunQueued(const TThreadMethod& m) {
    try {
        m();
    } catch (...) {
        if (TThread::QueueExceptionHandler) TThread::QueueExceptionHandler(std::current_exception());
    }
}

}  // namespace

std::function<void(std::exception_ptr)> TThread::QueueExceptionHandler;

bool TThread::IsMainThread() {
    if (QCoreApplication* app = QCoreApplication::instance()) return QThread::currentThread() == app->thread();
    return std::this_thread::get_id() == FirstThread;
}

bool CheckSynchronize(Integer Timeout) {
    if (!TThread::IsMainThread()) throw EThread(QStringLiteral("CheckSynchronize called from a thread that is not the main one"));
    auto& q = Sync();
    std::deque<std::shared_ptr<SyncCall>> calls;
    {
        std::unique_lock l(q.Lock);
        if (q.Calls.empty() && Timeout > 0)
            q.Changed.wait_for(l, std::chrono::milliseconds(Timeout), [&] { return !q.Calls.empty(); });
        calls.swap(q.Calls);
    }
    for (auto& c : calls) {
        if (c->Blocking) {
            try {
                c->Method();
            } catch (...) {
                c->Error = std::current_exception();
            }
            std::lock_guard l(q.Lock);
            c->Done = true;
            q.Changed.notify_all();
        } else {
            RunQueued(c->Method);
        }
    }
    return !calls.empty();
}

// ---- TThread -----------------------------------------------------------------------------------

TThread::TThread(bool CreateSuspended) : FCreateSuspended(CreateSuspended) {}

void TThread::AfterConstruction() {
    TObject::AfterConstruction();
    if (!FCreateSuspended) Start();
}

void TThread::BeforeDestruction() {
    if (FStarted && FThread.joinable() && FThread.get_id() != std::this_thread::get_id()) {
        Terminate();
        WaitFor();
    }
}

TThread::~TThread() {
    if (FThread.joinable()) {
        if (FThread.get_id() == std::this_thread::get_id()) FThread.detach();  // freeing itself
        else {
            FTerminated = true;
            FThread.join();
        }
    }
}

void TThread::Start() {
    if (FStarted) throw EThread(QStringLiteral("Cannot call Start on a running or finished thread"));
    FStarted = true;
    FThread = std::thread([this] { Run(); });
    FThreadID = FThread.get_id();
}

void TThread::Run() {
    CurrentTThread = this;
    try {
        Execute();
    } catch (...) {
        FFatalException = std::current_exception();
    }
    try {
        DoTerminate();
    } catch (...) {
        if (!FFatalException) FFatalException = std::current_exception();
    }
    bool freeSelf = FFreeOnTerminate;
    {
        std::lock_guard l(Sync().Lock);
        FFinished = true;
        Sync().Changed.notify_all();
    }
    CurrentTThread = nullptr;
    if (freeSelf) {
        FThread.detach();
        Free();
    }
}

void TThread::DoTerminate() {
    if (OnTerminate) Synchronize([this] { OnTerminate(this); });
}

void TThread::Terminate() {
    FTerminated = true;
    TerminatedSet();
}

Integer TThread::WaitFor() {
    if (FFreeOnTerminate) throw EThread(QStringLiteral("Cannot wait for a thread that frees itself"));
    if (std::this_thread::get_id() == FThreadID) throw EThread(QStringLiteral("A thread cannot wait for itself"));
    if (!FStarted) throw EThread(QStringLiteral("Cannot wait for a thread that was not started"));
    if (IsMainThread()) {
        auto& q = Sync();
        for (;;) {
            CheckSynchronize();
            std::unique_lock l(q.Lock);
            if (FFinished) break;
            q.Changed.wait_for(l, std::chrono::milliseconds(50), [&] { return FFinished.load() || !q.Calls.empty(); });
            if (FFinished && q.Calls.empty()) break;
        }
        CheckSynchronize();
    }
    if (FThread.joinable()) FThread.join();
    return FReturnValue.load();
}

void TThread::Synchronize(const TThreadMethod& Method) { Synchronize(this, Method); }

void TThread::Synchronize(TThread* /*AThread*/, const TThreadMethod& Method) {
    if (IsMainThread()) {
        Method();
        return;
    }
    auto call = std::make_shared<SyncCall>();
    call->Method = Method;
    call->Blocking = true;
    auto& q = Sync();
    {
        std::lock_guard l(q.Lock);
        q.Calls.push_back(call);
        q.Changed.notify_all();
    }
    WakeMainThread();
    {
        std::unique_lock l(q.Lock);
        q.Changed.wait(l, [&] { return call->Done; });
    }
    if (call->Error) std::rethrow_exception(call->Error);
}

void TThread::Queue(const TThreadMethod& Method) { Queue(this, Method); }

void TThread::Queue(TThread* /*AThread*/, const TThreadMethod& Method) {
    if (IsMainThread()) {
        RunQueued(Method);
        return;
    }
    auto call = std::make_shared<SyncCall>();
    call->Method = Method;
    auto& q = Sync();
    {
        std::lock_guard l(q.Lock);
        q.Calls.push_back(call);
        q.Changed.notify_all();
    }
    WakeMainThread();
}

bool TThread::CheckTerminated() { return CurrentTThread && CurrentTThread->Terminated(); }
TThread* TThread::CurrentThread() { return CurrentTThread; }
void TThread::Sleep(Integer Milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds)); }

// ---- TSimpleEvent ------------------------------------------------------------------------------

void TSimpleEvent::SetEvent() {
    std::lock_guard l(FLock);
    FSignaled = true;
    if (FManualReset) FCond.notify_all();
    else FCond.notify_one();
}

void TSimpleEvent::ResetEvent() {
    std::lock_guard l(FLock);
    FSignaled = false;
}

TWaitResult TSimpleEvent::WaitFor(LongWord Timeout) {
    std::unique_lock l(FLock);
    auto ready = [&] { return FSignaled; };
    if (Timeout == INFINITE) FCond.wait(l, ready);
    else if (!FCond.wait_for(l, std::chrono::milliseconds(Timeout), ready)) return wrTimeout;
    if (!FManualReset) FSignaled = false;
    return wrSignaled;
}

// ---- atomic counters ---------------------------------------------------------------------------

Integer InterlockedIncrement(Integer& Addend) { return std::atomic_ref<Integer>(Addend).fetch_add(1) + 1; }
Integer InterlockedDecrement(Integer& Addend) { return std::atomic_ref<Integer>(Addend).fetch_sub(1) - 1; }
Integer InterlockedExchange(Integer& Target, Integer Value) { return std::atomic_ref<Integer>(Target).exchange(Value); }
Integer InterlockedExchangeAdd(Integer& Addend, Integer Value) { return std::atomic_ref<Integer>(Addend).fetch_add(Value); }
Integer InterlockedCompareExchange(Integer& Destination, Integer Exchange, Integer Comparand) {
    std::atomic_ref<Integer>(Destination).compare_exchange_strong(Comparand, Exchange);
    return Comparand;
}
Int64 InterlockedIncrement(Int64& Addend) { return std::atomic_ref<Int64>(Addend).fetch_add(1) + 1; }
Int64 InterlockedDecrement(Int64& Addend) { return std::atomic_ref<Int64>(Addend).fetch_sub(1) - 1; }
