#include "inet/InetSocketStream.h"

#include "platform/Transport.h"

TInetSocketStream::TInetSocketStream(TTransport* socket, int timeoutMs)
    : socket_(socket), timeoutMs_(timeoutMs) {}

int TInetSocketStream::Read(void* buffer, int count) {
    if (!socket_ || count <= 0) return 0;
    switch (socket_->WaitReadable(timeoutMs_, &waitEvent_)) {
    case rrReadable: {
        ssize_t n = socket_->Recv(buffer, static_cast<size_t>(count));
        return n > 0 ? static_cast<int>(n) : 0;
    }
    case rrWoken:
        // Released before data came: nothing was read. The event is made
        // ready for the next read, as after every read.
        waitEvent_.ResetEvent();
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
    return socket_ && socket_->WaitReadable(timeoutMs, &waitEvent_) == rrReadable;
}

void TInetSocketStream::Release() { waitEvent_.SetEvent(); }
