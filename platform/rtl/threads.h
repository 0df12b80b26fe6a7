// Threads and synchronisation: TThread with Synchronize/Queue onto the UI thread, a re-entrant
// critical section, a waitable event object and atomic counters.
//
// Calls handed to the UI thread go through one queue of this runtime: a worker posts the call
// and wakes the UI thread through Qt's event loop (a queued call on the application object,
// which then runs CheckSynchronize). A UI thread that waits for a worker in TThread::WaitFor
// runs the queued calls while it waits, so a worker blocked in Synchronize cannot deadlock it.
// Without an application object the calls run only when the UI thread calls CheckSynchronize.
// The UI thread is the thread that runs the application object, or the process's first thread.
//
// The framework's waitable event is named TEvent; here that name is the delegate type of
// events.h, so the waitable event is TSimpleEvent (manual or automatic reset).
#pragma once

#include "platform/rtl/classes.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

SDELKA_EXCEPTION(EThread, Exception)

using TThreadMethod = std::function<void()>;
using TThreadID = std::thread::id;

class TThread : public TObject {
    SDELKA_CLASS(TThread, TObject)
protected:
    // A thread created running starts in AfterConstruction (so Execute sees the whole object).
    explicit TThread(bool CreateSuspended = false);
    ~TThread() override;

public:
    void AfterConstruction() override;
    // Terminates and waits for a thread that still runs (not one that frees itself).
    void BeforeDestruction() override;

    // Starts a thread created suspended; EThread "Cannot call Start on a running or finished
    // thread" otherwise.
    void Start();
    void Terminate();
    bool Terminated() const { return FTerminated.load(); }
    // Waits for Execute to end (running queued UI calls when called on the UI thread) and
    // answers ReturnValue. EThread when the thread frees itself or waits for itself.
    Integer WaitFor();
    bool Finished() const { return FFinished.load(); }
    bool Started() const { return FStarted; }
    bool Suspended() const { return !FStarted; }
    bool FreeOnTerminate() const { return FFreeOnTerminate; }
    void SetFreeOnTerminate(bool Value) { FFreeOnTerminate = Value; }
    TThreadID ThreadID() const { return FThreadID; }
    Integer ReturnValue() const { return FReturnValue.load(); }
    // The exception that ended Execute, if any.
    std::exception_ptr FatalException() const { return FFatalException; }

    // Runs Method on the UI thread and waits for it; directly when already there. An exception
    // raised by Method is raised again in the calling thread.
    void Synchronize(const TThreadMethod& Method);
    static void Synchronize(TThread* AThread, const TThreadMethod& Method);
    // Runs Method on the UI thread later without waiting (directly when already there). An
    // exception it raises goes to QueueExceptionHandler (by default it is dropped).
    void Queue(const TThreadMethod& Method);
    static void Queue(TThread* AThread, const TThreadMethod& Method);
    static std::function<void(std::exception_ptr)> QueueExceptionHandler;

    // True when the calling thread is a TThread whose Terminate was called.
    static bool CheckTerminated();
    static TThread* CurrentThread();  // nullptr outside TThread workers
    static bool IsMainThread();
    static void Sleep(Integer Milliseconds);

    // Called on the UI thread after Execute has ended.
    TNotifyEvent OnTerminate;

protected:
    virtual void Execute() = 0;
    // Calls OnTerminate through Synchronize.
    virtual void DoTerminate();
    virtual void TerminatedSet() {}
    void SetReturnValue(Integer Value) { FReturnValue.store(Value); }

private:
    void Run();

    std::thread FThread;
    TThreadID FThreadID;
    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FFinished{false};
    std::atomic<Integer> FReturnValue{0};
    bool FCreateSuspended;
    bool FStarted = false;
    bool FFreeOnTerminate = false;
    std::exception_ptr FFatalException;
};

// Runs the calls that workers queued for the UI thread; waits up to Timeout milliseconds for one
// when none is pending. Answers whether any ran. Only the UI thread runs them.
bool CheckSynchronize(Integer Timeout = 0);

// A re-entrant lock.
class TCriticalSection : public TObject {
    SDELKA_CLASS(TCriticalSection, TObject)
public:
    TCriticalSection() = default;
    void Enter() { FLock.lock(); }
    void Leave() { FLock.unlock(); }
    void Acquire() { Enter(); }
    void Release() { Leave(); }
    bool TryEnter() { return FLock.try_lock(); }

private:
    std::recursive_mutex FLock;
};

enum TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError, wrIOCompletion };
constexpr LongWord INFINITE = 0xFFFFFFFFu;

// A waitable event: manual reset (stays signalled until ResetEvent) or automatic (one waiter
// passes and the event resets).
class TSimpleEvent : public TObject {
    SDELKA_CLASS(TSimpleEvent, TObject)
public:
    explicit TSimpleEvent(bool ManualReset = true, bool InitialState = false)
        : FManualReset(ManualReset), FSignaled(InitialState) {}
    void SetEvent();
    void ResetEvent();
    TWaitResult WaitFor(LongWord Timeout = INFINITE);

private:
    std::mutex FLock;
    std::condition_variable FCond;
    bool FManualReset;
    bool FSignaled;
};

// Atomic counters: the new value (Increment/Decrement), the previous value (Exchange,
// CompareExchange, ExchangeAdd).
Integer InterlockedIncrement(Integer& Addend);
Integer InterlockedDecrement(Integer& Addend);
Integer InterlockedExchange(Integer& Target, Integer Value);
Integer InterlockedExchangeAdd(Integer& Addend, Integer Value);
Integer InterlockedCompareExchange(Integer& Destination, Integer Exchange, Integer Comparand);
Int64 InterlockedIncrement(Int64& Addend);
Int64 InterlockedDecrement(Int64& Addend);
