#pragma once
// The socket stream a transfer reads and writes through: every wait is
// bounded by the stream's time-out and can be ended at once from another
// thread with Release (which sets WaitEvent, watched by every read wait).
//
// The stream borrows the transport; the transfer that creates it owns both
// and destroys the stream first. Read, Write and WaitForData run on the
// transfer's thread; Release may come from any thread.
#include "platform/Event.h"

#include <atomic>
#include <optional>

class TTransport;

class TInetSocketStream {
public:
    TInetSocketStream(TTransport* socket, int timeoutMs);
    // With a wake event of the creator's, which outlives the stream and is
    // reset here: a connection's successive streams then share one event
    // instead of making (and closing) a descriptor each.
    TInetSocketStream(TTransport* socket, int timeoutMs, TEvent& wake);
    TInetSocketStream(const TInetSocketStream&) = delete;
    TInetSocketStream& operator=(const TInetSocketStream&) = delete;

    // Waits up to the stream time-out for data, then reads up to `count`
    // bytes. 0 on time-out, on Release, at the end of the stream and on error;
    // never raises.
    int Read(void* buffer, int count);
    // Writes all `count` bytes within the stream time-out: `count`, or 0 when
    // they could not all be written in time (or the transport broke off).
    int Write(const void* buffer, int count);
    // True when data (or the end of the stream) is there to read within
    // `timeoutMs`; false on time-out, Release or error.
    bool WaitForData(int timeoutMs);
    // Any thread: sets WaitEvent, so a waiting Read returns 0 at once.
    void Release();

    TTransport* Socket() const { return socket_; }
    TEvent& WaitEvent() { return *waitEvent_; }
    int TimeOut() const { return timeoutMs_; }

private:
    TTransport* socket_;
    int timeoutMs_;
    // Unnamed: nothing outside this stream needs to find it. Made only
    // when the creator lends none.
    std::optional<TEvent> ownEvent_;
    TEvent* waitEvent_;
    // Mirrors WaitEvent for the read that does not wait.
    std::atomic<bool> released_{false};
};
