#include "inet/InetSocketStream.h"

#include "platform/Transport.h"

TInetSocketStream::TInetSocketStream(TTransport* socket, int timeoutMs)
    : socket_(socket), timeoutMs_(timeoutMs), ownEvent_(std::in_place, true, false),
      waitEvent_(&*ownEvent_) {}

TInetSocketStream::TInetSocketStream(TTransport* socket, int timeoutMs, TEvent& wake)
    : socket_(socket), timeoutMs_(timeoutMs), waitEvent_(&wake) {
    // A Release of an earlier stream that no read took is not ours.
    waitEvent_->ResetEvent();
}

int TInetSocketStream::Read(void* buffer, int count) {
    if (!socket_ || count <= 0) return 0;
    // While data streams in, it is usually there already (the transport
    // reads the socket in large blocks and hands them out in our pieces):
    // take it with one call and wait only when nothing has arrived. A
    // Release still wins over data that is there as well.
    if (released_.load(std::memory_order_acquire)) {
        released_.store(false, std::memory_order_relaxed);
        waitEvent_->ResetEvent();
        return 0;
    }
    ssize_t ready = socket_->Recv(buffer, static_cast<size_t>(count));
    if (ready != TTransport::kRecvNothingYet) return ready > 0 ? static_cast<int>(ready) : 0;
    switch (socket_->WaitReadable(timeoutMs_, waitEvent_)) {
    case rrReadable: {
        ssize_t n = socket_->Recv(buffer, static_cast<size_t>(count));
        return n > 0 ? static_cast<int>(n) : 0;
    }
    case rrWoken:
        // Released before data came: nothing was read. The event is made
        // ready for the next read, as after every read.
        released_.store(false, std::memory_order_relaxed);
        waitEvent_->ResetEvent();
        return 0;
    default:
        return 0;
    }
}

int TInetSocketStream::Write(const void* buffer, int count) {
    if (!socket_ || count <= 0) return 0;
    size_t sent = socket_->Send(buffer, static_cast<size_t>(count), timeoutMs_);
    return sent == static_cast<size_t>(count) ? count : 0;
}

bool TInetSocketStream::WaitForData(int timeoutMs) {
    return socket_ && socket_->WaitReadable(timeoutMs, waitEvent_) == rrReadable;
}

void TInetSocketStream::Release() {
    released_.store(true, std::memory_order_release);
    waitEvent_->SetEvent();
}
