#pragma once
// HTTP/1.0 with "Connection: close" over TInetBase: one request per
// connection, the answer ends when the server closes. With KeepAlive (and a
// Pool to keep connections in) HTTP/1.1 with "Connection: keep-alive"
// instead: bodies framed by Content-Length or chunked (decoded), and a
// connection whose answer was read to its end goes to the Pool for the next
// request to the same place. No automatic redirection.
//
// Threads: one object belongs to one page load thread; Head, Get and every
// accessor run there. Cancel (inherited) may come from any thread.
//
// A Head fetches only the response header: it sends a GET (SetHeadReadType
// answers false) and stops reading once the blank line after the header has
// arrived, leaving the body unread on the open connection. A Get fetches the
// whole answer, into ReceiveBuffer or, with ReceiveToFile, into TargetFile
// with the header kept out of the file. A Get whose request text is the
// Head's takes the body of the answer the Head opened, without a second
// request; only when the server has closed that connection meanwhile with
// the body incomplete is the request sent again (and a body file cut back to
// where it was). DropAnswer closes an opened answer whose body is not
// wanted. When the connection cannot be opened (ErrorCode 2) Head and Get
// return without touching ResponseHeader.
#include "inet/InetBase.h"
#include "inet/InetHTTPReader.h"
#include "inet/InetHTTPRequestHeader.h"
#include "inet/InetHTTPResponseHeader.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class TInetHTTPConnPool;
class TInetURLEx;

class TInetHTTP : public TInetBase {
public:
    explicit TInetHTTP(std::unique_ptr<TTransport> socket = nullptr);
    ~TInetHTTP() override;

    TInetHTTPRequestHeader RequestHeader;
    TInetHTTPResponseHeader ResponseHeader;
    std::string ProxyHost; // requests go through this proxy when not empty
    int ProxyPort = 0;
    // Sent to the proxy with a CONNECT (https through a proxy) when not empty.
    std::string ProxyUser;
    std::string ProxyPassword;
    std::string HeaderText; // header bytes gathered during a file receive
    bool HeaderParsed = false;
    bool StopAtHeader = true;
    // Persistent connections (see above); off without a Pool.
    bool KeepAlive = false;
    std::shared_ptr<TInetHTTPConnPool> Pool;

    // Host becomes the address's host (the proxy's through a proxy) and Port
    // stays as the caller set it (the address's port, or 80; 443 for https),
    // also through a proxy, which is connected to at ProxyPort. An https
    // address goes over TLS, through a proxy inside a CONNECT tunnel to
    // host:Port; it never falls back to plain text. The request header's extra
    // lines are cleared by Head and kept by Get.
    void Head(const std::string& url);
    virtual void Get(const std::string& url, bool post);
    // The method of Head: true sends HEAD, false (here) sends GET.
    virtual bool SetHeadReadType();
    // Closes the connection of an answer a Head opened and nobody read.
    void DropAnswer();

    // The 1-based position in the received text (ReceiveBuffer up to its
    // first zero byte) just after the first "\r\n\r\n", or else after the
    // first "\n\n"; 0 when neither occurs or the body is empty.
    int64_t GetEntityPos() const;
    // The received text from GetEntityPos on; all of it when that is 0.
    std::string GetEntity() const;
    // The body inside ReceiveBuffer, for answers that are not text; null and
    // 0 when GetEntityPos is 0.
    const char* GetBinary() const;
    int64_t GetBinaryLen() const;

protected:
    // Keeps the header out of the file: gathers it in HeaderText, parses it
    // into ResponseHeader once its end has arrived, and writes from the first
    // body byte on. A status of 400 or more stops the file (CancelWrite).
    bool DoFileWrite(const char* chunk, int count, int& skip) override;
    // With StopAtHeader, stops reading once the header's end has arrived
    // ("\r\n\r\n", or a bare "\n\n" from a server that writes no carriage
    // returns).
    bool ReadCheck(std::string_view received, int count, TInetSocketStream& stream) override;
    bool WaitAnswer(TInetSocketStream& stream, int timeoutMs) override;
    int ReadAnswer(TInetSocketStream& stream, char* buffer, int count) override;

private:
    // Sends `request` for `url` and receives the answer (Head and Get steps
    // 3 to 6). False when the connection could not be opened.
    bool Transfer(const TInetURLEx& url, const std::string& request);
    // Asks the proxy (connected) for a tunnel to host:port. False, with
    // ErrorCode set and the reason noted on the transport, when refused.
    bool OpenTunnel(const std::string& host, int port);
    bool AbsoluteTarget(const TInetURLEx& url) const;
    bool UsePool() const { return KeepAlive && Pool != nullptr; }
    // The answer the Head opened can still give its body: the server has
    // not closed the connection before all of it was there.
    bool AnswerStillThere();
    // The connection has ended (the server closed it or it broke).
    bool PeerClosed();
    // After the body: the connection goes to the Pool when it can carry
    // another request, else it is closed.
    void EndAnswer();
    // Clears an error other than a Cancel; false after a Cancel.
    bool ClearError();
    // ResponseHeader.SetHeader(text), without parsing the same header twice:
    // kept when it already holds that header (a Get taking the answer its
    // Head parsed), or taken from the reader, which parsed it on the way.
    void SetResponseHeader(std::string_view text);

    TInetHTTPReader reader_;
    bool pending_ = false;       // a Head left its answer's body on the connection
    std::string pendingRequest_; // the request text of that answer
    std::string connKey_;        // where the connection leads (Pool key)
};
