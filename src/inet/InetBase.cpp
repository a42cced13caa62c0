#include "inet/InetBase.h"

#include "inet/InetSocketStream.h"
#include "platform/FileOps.h"
#include "platform/TlsTransport.h"
#include "platform/Thread.h"
#include "platform/WinPath.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

// ---- TInetFileWriter

TInetFileWriter::~TInetFileWriter() { Close(); }

bool TInetFileWriter::Open(std::string_view winPath, bool append) {
    Close();
    std::string native = TWinPath::ToNative(winPath);
    if (native.empty()) return false;
    if (append) {
        fd_ = ::open(native.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd_ >= 0 && ::lseek(fd_, 0, SEEK_END) < 0) {
            ::close(fd_);
            fd_ = -1;
        }
    } else {
        if (TFileOps::FileExists(winPath)) TFileOps::DeleteFile(winPath);
        fd_ = ::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    }
    if (fd_ < 0) return false;
    buffer_.clear();
    buffer_.reserve(kBufferSize);
    return true;
}

void TInetFileWriter::Adopt(int fd) {
    Close();
    fd_ = fd;
    buffer_.clear();
    buffer_.reserve(kBufferSize);
}

bool TInetFileWriter::Write(const char* data, size_t count) {
    if (fd_ < 0) return false;
    if (buffer_.size() + count > kBufferSize && !Flush()) return false;
    if (count >= kBufferSize) {
        buffer_.insert(buffer_.end(), data, data + count);
        return Flush();
    }
    buffer_.insert(buffer_.end(), data, data + count);
    return true;
}

bool TInetFileWriter::Flush() {
    if (fd_ < 0) return false;
    const char* p = buffer_.data();
    size_t left = buffer_.size();
    while (left > 0) {
        ssize_t n = ::write(fd_, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false; // the unwritten rest stays; the receive ends with error 4
        p += n;
        left -= static_cast<size_t>(n);
    }
    buffer_.clear();
    return true;
}

bool TInetFileWriter::Close() {
    if (fd_ < 0) return true;
    bool ok = Flush();
    if (::close(fd_) != 0) ok = false;
    fd_ = -1;
    buffer_.clear();
    return ok;
}

// ---- TInetBase

// The stream of the send or receive in progress: made CurrentStream while it
// lives, so that Cancel can release it, and withdrawn under the same lock
// before it is destroyed, so that Cancel never touches a destroyed stream.
class TInetBase::TStreamScope {
public:
    TStreamScope(TInetBase& owner, int timeoutMs)
        : owner_(owner), stream_(owner.socket_.get(), timeoutMs, owner.streamEvent_) {
        std::lock_guard lock(owner_.streamMutex_);
        owner_.currentStream_ = &stream_;
    }
    ~TStreamScope() {
        std::lock_guard lock(owner_.streamMutex_);
        owner_.currentStream_ = nullptr;
    }
    TInetSocketStream& Stream() { return stream_; }

private:
    TInetBase& owner_;
    TInetSocketStream stream_;
};

TInetBase::TInetBase(std::unique_ptr<TTransport> socket) : socket_(std::move(socket)) {
    if (!socket_) socket_ = std::make_unique<TTlsTransport>();
}

TInetBase::~TInetBase() {
    // Whoever destroys the object is the last user of the connection.
    socket_->Close();
    DropTargetDescriptor();
}

void TInetBase::SetTargetDescriptor(int fd, int64_t size) {
    DropTargetDescriptor();
    targetFd_ = fd;
    targetSize_ = size;
}

void TInetBase::DropTargetDescriptor() {
    if (targetFd_ >= 0) ::close(targetFd_);
    targetFd_ = -1;
}

void TInetBase::SetErrorOnce(int code) {
    int none = 0;
    ErrorCode.compare_exchange_strong(none, code);
}

bool TInetBase::Open() {
    owner_ = std::this_thread::get_id();
    Close();
    // A Cancel recorded before this point would otherwise be lost with the
    // connection Close just released.
    if (ErrorCode == 1) return false;
    SocketLookup();
    SocketConnecting();
    TConnectResult result = socket_->Connect(Host, Port, nullptr);
    if (result == crConnected) {
        // ErrorCode becomes 0, unless a Cancel came in meanwhile.
        int seen = ErrorCode;
        while (seen != 1 && !ErrorCode.compare_exchange_weak(seen, 0)) {
        }
        if (seen == 1) {
            socket_->Close();
            return false;
        }
        SocketConnect();
        return true;
    }
    SocketError();
    SetErrorOnce(2);
    return false;
}

bool TInetBase::StartTls(const std::string& serverName) {
    if (ErrorCode != 0 || !socket_->Connected()) return false;
    TConnectResult result = socket_->StartTls(serverName, nullptr, Timeout * 1000);
    if (result == crConnected && ErrorCode == 0) return true;
    if (result == crCancelled) {
        SetErrorOnce(1);
    } else {
        SocketError();
        SetErrorOnce(socket_->LastConnectFailure() == cfTimedOut ? 3 : 2);
    }
    socket_->Close();
    return false;
}

void TInetBase::Close() {
    if (std::this_thread::get_id() != owner_.load()) {
        std::lock_guard lock(streamMutex_);
        socket_->Shutdown();
        return;
    }
    bool wasConnected = socket_->Connected();
    socket_->Close();
    if (wasConnected) SocketDisconnect();
}

bool TInetBase::SendText(const std::string& text) { return SendData(text.data(), text.size()); }

bool TInetBase::SendData(const char* bytes, size_t count) {
    if (!socket_->Connected() || ErrorCode != 0) return false;
    bool complete = true;
    {
        TStreamScope scope(*this, Timeout * 1000);
        for (size_t offset = 0; offset < count; offset += kInetChunkSize) {
            int n = static_cast<int>(std::min<size_t>(kInetChunkSize, count - offset));
            if (scope.Stream().Write(bytes + offset, n) == 0) {
                SetErrorOnce(3);
                complete = false;
                break;
            }
        }
    }
    return complete && ErrorCode != 1;
}

int64_t TInetBase::ReceiveData() {
    if (ErrorCode != 0) return -1;
    return ReceiveToFile ? ReceiveDataForFile() : ReceiveDataForMemory();
}

int64_t TInetBase::ReceiveDataForMemory() {
    // A new receive clears an earlier error, but never a Cancel.
    int seen = ErrorCode;
    while (seen != 0 && seen != 1 && !ErrorCode.compare_exchange_weak(seen, 0)) {
    }
    if (seen == 1 || !socket_->Connected()) return -1;
    ReleaseReceiveBuffer();

    bool timedOut = false;
    {
        TStreamScope scope(*this, Timeout * 1000);
        TInetSocketStream& stream = scope.Stream();
        if (!WaitAnswer(stream, Timeout * 1000)) {
            timedOut = true;
        } else if (!OwnerRead(stream)) {
            // Each chunk is read straight into the end of the answer; it
            // counts once taken in, after OnReceiveData.
            TInetMemoryStream received;
            for (;;) {
                TThread::CheckPoint();
                char* chunk = received.Extend(kInetChunkSize);
                int n = ReadAnswer(stream, chunk, kInetChunkSize);
                if (n <= 0 || ErrorCode != 0) break;
                if (OnReceiveData) OnReceiveData(this, n);
                received.Commit(static_cast<size_t>(n));
                if (!ReadCheck(received, n, stream)) break;
            }
            ReceiveLength = static_cast<int64_t>(received.size());
            ReceiveBuffer = std::move(received);
        }
    }
    if (timedOut) SetErrorOnce(3);
    return ReceiveLength;
}

int64_t TInetBase::ReceiveDataForFile() {
    int seen = ErrorCode;
    while (seen != 0 && seen != 1 && !ErrorCode.compare_exchange_weak(seen, 0)) {
    }
    if (seen == 1 || !socket_->Connected()) return -1;
    ReleaseReceiveBuffer();

    TInetFileWriter file;
    if (targetFd_ >= 0) {
        file.Adopt(std::exchange(targetFd_, -1));
    } else if (!file.Open(TargetFile, Append)) {
        SetErrorOnce(4);
        return -1;
    }
    int64_t result = 0;
    {
        TStreamScope scope(*this, Timeout * 1000);
        if (WaitAnswer(scope.Stream(), Timeout * 1000))
            result = WriteFile(file, scope.Stream());
        else
            SetErrorOnce(3);
    }
    if (!file.Close()) SetErrorOnce(4);
    return result;
}

int64_t TInetBase::WriteFile(TInetFileWriter& file, TInetSocketStream& stream) {
    int64_t total = 0;
    char chunk[kInetChunkSize];
    for (;;) {
        TThread::CheckPoint();
        int n = ReadAnswer(stream, chunk, kInetChunkSize);
        if (n <= 0 || ErrorCode != 0) break;
        if (WriteCancelled) break;
        int skip = 0;
        if (DoFileWrite(chunk, n, skip)) {
            skip = std::clamp(skip, 0, n);
            if (OnReceiveData) OnReceiveData(this, n - skip);
            if (!file.Write(chunk + skip, static_cast<size_t>(n - skip))) {
                SetErrorOnce(4);
                break;
            }
        }
        total += n;
    }
    if (!file.Flush()) SetErrorOnce(4);
    return total;
}

bool TInetBase::DoFileWrite(const char*, int, int& skip) {
    skip = 0;
    return true;
}

bool TInetBase::ReadCheck(std::string_view, int, TInetSocketStream&) { return true; }

bool TInetBase::OwnerRead(TInetSocketStream&) { return false; }

bool TInetBase::WaitAnswer(TInetSocketStream& stream, int timeoutMs) { return stream.WaitForData(timeoutMs); }

int TInetBase::ReadAnswer(TInetSocketStream& stream, char* buffer, int count) {
    return stream.Read(buffer, count);
}

std::unique_ptr<TTransport> TInetBase::SwapSocket(std::unique_ptr<TTransport> next) {
    if (!next) next = std::make_unique<TTlsTransport>();
    owner_ = std::this_thread::get_id();
    std::lock_guard lock(streamMutex_);
    std::swap(socket_, next);
    return next;
}

std::string TInetBase::GetText() const { return std::string(ReceiveBuffer.c_str()); }

void TInetBase::ReleaseReceiveBuffer() {
    ReceiveBuffer.clear();
    ReceiveLength = 0;
}

void TInetBase::Cancel() {
    ErrorCode = 1;
    std::lock_guard lock(streamMutex_);
    if (currentStream_) currentStream_->Release();
    // Only breaks the connection off, whichever thread calls: the thread that
    // runs the transfer may be polling the socket right now, and only it may
    // release the descriptor (at its next Close, Open or destruction).
    socket_->Shutdown();
}

void TInetBase::CancelWrite() { WriteCancelled = true; }
