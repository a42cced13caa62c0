#pragma once
// The request text that TInetHTTP sends: an HTTP/1.0 request with
// "Connection: close" for one address, directly or through a proxy; with
// KeepAlive an HTTP/1.1 request with "Connection: keep-alive" instead.
//
// The fields are set by the caller before a request and read by the HTTP
// worker thread while it builds the text; nothing here is shared between
// requests of different connections.
#include <string>
#include <vector>

class TInetURLEx;

class TInetHTTPRequestHeader {
public:
    // Complete request text for `url`: request line, header lines, the blank
    // line, and for a POST the body (the query with every "&" turned into a
    // line feed, counted by Content-Length, with no line end after it).
    // `absolute` is set when the request goes through a proxy: the request
    // target is then the whole address without credentials and port.
    //
    // A line is never split by what an address or a setting holds: carriage
    // returns and line feeds are dropped from the Host, User-Agent and Referer
    // values and from each ExtraHeaders line (a line that is empty then is not
    // sent, so it cannot end the header early), and every byte below 0x20 in
    // the query of the request target is sent percent-encoded. Texts without
    // such bytes are sent exactly as they are.
    std::string GetHeader(const TInetURLEx& url, bool absolute, bool post) const;

    std::string Referer;                   // no Referer line when empty
    std::string AuthUser;
    std::string AuthPassword;
    std::string UserAgent;                 // the User-Agent line is always sent
    std::vector<std::string> ExtraHeaders; // whole fields ("name: value"), sent last
    bool HeadMethod = true;
    bool ForceAuthorization = false;       // send Authorization even with no credentials
    bool KeepAlive = false;                // HTTP/1.1 asking to keep the connection open
};
