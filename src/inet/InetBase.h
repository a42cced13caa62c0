#pragma once
// The transport under every page load and download: one blocking connection
// at a time, a request sent in chunks, and the answer received into memory
// or straight into a file, with one time-out for every wait and a Cancel that
// another thread may call to break the transfer off at once.
//
// Threads: every operation runs on the thread that owns the object (the
// page load thread), and OnReceiveData fires there, inside the read loop.
// Cancel (and CancelWrite) may come from any thread. ErrorCode may be read
// from any thread. A Cancel must not overlap the object's destruction: the
// owner of the pointer that other threads cancel through guards it.
//
// ErrorCode: 0 none, 1 cancelled, 2 connection not opened, 3 timed out,
// 4 file error. Apart from Cancel (which always records 1) an error is only
// recorded when none is recorded yet. A Cancel stays in force: once
// ErrorCode is 1, Open, SendData and ReceiveData refuse to start, so a
// Cancel that arrives between two requests is not lost.
#include "inet/InetMemoryStream.h"
#include "platform/Event.h"
#include "platform/Transport.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

class TInetSocketStream;

// Every read from and write to the connection moves at most this many bytes.
constexpr int kInetChunkSize = 1024;

// The target file of a file receive, written through a buffer so that the
// 1 KiB socket reads do not each become a system call. Flush before relying
// on the file's size; Close flushes.
class TInetFileWriter {
public:
    static constexpr size_t kBufferSize = 64 * 1024;

    TInetFileWriter() = default;
    ~TInetFileWriter();
    TInetFileWriter(const TInetFileWriter&) = delete;
    TInetFileWriter& operator=(const TInetFileWriter&) = delete;

    // Windows-form path. With `append` the file must exist and is written at
    // its end; otherwise an existing file is deleted and a new one created.
    bool Open(std::string_view winPath, bool append);
    // Takes over a descriptor open for writing where the data goes.
    void Adopt(int fd);
    bool IsOpen() const { return fd_ >= 0; }
    // False once a write to the file has failed.
    bool Write(const char* data, size_t count);
    bool Flush();
    // Flushes and closes; false when either fails. Idempotent.
    bool Close();

private:
    int fd_ = -1;
    std::vector<char> buffer_;
};

class TInetBase {
public:
    using TReceiveDataEvent = std::function<void(TInetBase* sender, int count)>;

    // Without a transport, a TCP one that can take TLS on is made.
    explicit TInetBase(std::unique_ptr<TTransport> socket = nullptr);
    virtual ~TInetBase();
    TInetBase(const TInetBase&) = delete;
    TInetBase& operator=(const TInetBase&) = delete;

    std::string Host;
    int Port = 0;
    int Timeout = 30; // seconds, for the first data of an answer and each read and write
    TReceiveDataEvent OnReceiveData;

    // The raw bytes (status line, header, body) of the last receive to
    // memory, and their count.
    TInetMemoryStream ReceiveBuffer;
    int64_t ReceiveLength = 0;

    bool ReceiveToFile = false;
    std::string TargetFile; // Windows-form path
    bool Append = false;
    // Owner thread: a descriptor of TargetFile, open for writing at its end
    // (`size` bytes), that the next file receive writes through instead of
    // opening the file again. Taken over: the receive closes it, and so does
    // DropTargetDescriptor (the end of every request) when none came.
    void SetTargetDescriptor(int fd, int64_t size);
    void DropTargetDescriptor();
    std::atomic<bool> WriteCancelled{false};
    std::atomic<int> ErrorCode{0};

    // Closes any previous connection and connects to Host:Port, blocking
    // (name lookup and connect, no time limit of their own; Cancel breaks it
    // off). On success ErrorCode becomes 0; on failure it becomes 2 unless an
    // error is recorded. Answers whether the connection is open.
    bool Open();
    // On a connection Open just made: TLS with the server named `serverName`
    // (see TTlsTransport), bounded by Timeout and broken off by Cancel as a
    // read is. A failed handshake or certificate records 2 (the transport
    // says why), a time-out 3. Answers whether TLS is up.
    bool StartTls(const std::string& serverName);
    // On the owning thread: shut down and release the connection. From any
    // other thread: break it off (this is what ends a connect in progress);
    // the owner releases it at its next Open, Close or destruction.
    void Close();

    bool SendText(const std::string& text);
    // Writes in chunks; ErrorCode 3 when a chunk is not taken within
    // Timeout. True when every byte went out and no Cancel came.
    bool SendData(const char* bytes, size_t count);

    // -1 when ErrorCode is not 0 or the connection is not open; otherwise the
    // bytes read from the connection (header included), 0 when nothing came
    // within Timeout (ErrorCode 3). A read that times out after the first data
    // ends the answer quietly with what arrived.
    int64_t ReceiveData();
    int64_t ReceiveDataForMemory();
    int64_t ReceiveDataForFile();

    // ReceiveBuffer up to its first zero byte.
    std::string GetText() const;
    void ReleaseReceiveBuffer();

    // Any thread: records ErrorCode 1, ends a waiting read at once and breaks
    // the connection (or the connect in progress) off, as Close does from a
    // thread other than the owner, even when called on the owner.
    void Cancel();
    // Stops the file writer at its next chunk; stays set for the life of the
    // object.
    virtual void CancelWrite();

    TTransport* GetSocket() const { return socket_.get(); }

protected:
    // The chunk loop of the file receive: answers the bytes read from the
    // connection. Leaves the file flushed.
    virtual int64_t WriteFile(TInetFileWriter& file, TInetSocketStream& stream);
    // Called for every chunk before it is written: true writes it from byte
    // `skip` on, false writes nothing of it.
    virtual bool DoFileWrite(const char* chunk, int count, int& skip);
    // Called after every chunk received to memory with all bytes received so
    // far (the chunk is the last `count` of them); false stops reading.
    virtual bool ReadCheck(std::string_view received, int count, TInetSocketStream& stream);
    // Lets a subclass read the answer itself; true means the memory receive
    // reads nothing.
    virtual bool OwnerRead(TInetSocketStream& stream);
    // Both receives wait and read through these: a subclass that holds
    // bytes of the answer already, or knows where the answer ends, answers
    // for the connection. Here they are the stream's WaitForData and Read.
    virtual bool WaitAnswer(TInetSocketStream& stream, int timeoutMs);
    virtual int ReadAnswer(TInetSocketStream& stream, char* buffer, int count);

    // Owner thread, between transfers: hands the connection out (to keep it
    // for a later request) and puts `next`, or a fresh transport, in its
    // place.
    std::unique_ptr<TTransport> SwapSocket(std::unique_ptr<TTransport> next);

    // TargetFile's size as SetTargetDescriptor gave it while that descriptor
    // waits; -1 otherwise.
    int64_t TargetDescriptorSize() const { return targetFd_ >= 0 ? targetSize_ : -1; }

    // Notifications of the connection's steps, on the owning thread; they do
    // nothing here. A blocking connection raises no read or write
    // notifications, so SocketRead and SocketWrite are never called.
    virtual void SocketConnect() {}
    virtual void SocketConnecting() {}
    virtual void SocketDisconnect() {}
    virtual void SocketError() {}
    virtual void SocketLookup() {}
    virtual void SocketRead() {}
    virtual void SocketWrite() {}

    // Records `code` unless an error is recorded already.
    void SetErrorOnce(int code);

private:
    class TStreamScope;
    friend class TStreamScope;

    std::unique_ptr<TTransport> socket_;
    // The thread that last opened the connection; only it releases it.
    std::atomic<std::thread::id> owner_{};
    // Guards currentStream_ between the transfer that creates and destroys
    // the stream and a Cancel that releases it, and socket_ between
    // SwapSocket and a Cancel or Close from another thread.
    std::mutex streamMutex_;
    TInetSocketStream* currentStream_ = nullptr;
    int targetFd_ = -1;
    int64_t targetSize_ = 0;
    // The wake event every stream of this object waits with, one at a time.
    TEvent streamEvent_{true, false};
};
