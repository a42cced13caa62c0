#pragma once
// Manual-reset and auto-reset events, as the worker threads and the socket
// waits use them. An event that is polled is backed by an eventfd, so a
// socket wait can poll() the socket and the event together (see Handle()).
//
// Names are shared within this process only: two TEvent objects created with
// the same non-empty name are the same event, and the second creation keeps
// the reset mode and state of the first (its own arguments are ignored).
// The shared event lives while any TEvent of that name lives.
//
// Every member is thread-safe. A manual-reset event stays signalled until
// ResetEvent and releases every waiter; an auto-reset event releases exactly
// one waiter per signal, and signalling it twice with nobody waiting leaves a
// single signal.
#include <memory>
#include <string>
#include <vector>

enum TWaitResult { wrSignaled, wrTimeout, wrError };

class TEvent {
public:
    // Waits without end.
    static constexpr int kInfinite = -1;

    explicit TEvent(bool manualReset = true, bool initialState = false,
                    const std::string& name = std::string());
    ~TEvent();
    TEvent(const TEvent&) = delete;
    TEvent& operator=(const TEvent&) = delete;

    void SetEvent();
    void ResetEvent();

    // Waits up to `milliseconds` (kInfinite: no limit, 0: just a test).
    // An auto-reset event is reset by the wait that it releases. wrError when
    // a wait that has to block gets no descriptor (none left).
    TWaitResult WaitFor(int milliseconds);

    // Waits until any of `events` is signalled; `index` receives the position
    // of the one that released the wait (the first signalled one in list
    // order). Only that event is consumed when it is auto-reset.
    static TWaitResult WaitForAny(const std::vector<TEvent*>& events, int milliseconds,
                                  int& index);

    // The eventfd behind the event, made (or taken over from a destroyed
    // event) at the first call: readable while the event is signalled. For
    // poll() only; never read from it or close it, nor poll it once the
    // event is gone. -1 when no descriptor could be made.
    int Handle() const;
    // Whether the event is signalled now; takes nothing.
    bool Signalled() const;
    bool ManualReset() const;
    const std::string& Name() const;

    struct TCore; // the shared state; internal to Event.cpp
    // Resets the event and answers whether it was signalled.
    bool TakeSignal();

private:
    std::shared_ptr<TCore> core_;
};
