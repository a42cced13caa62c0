#pragma once
// Sits between a connection and TInetHTTP's receive loops, for one answer at
// a time: hands out the header up to and including its blank line (and no
// byte further, so a Head leaves the body unread on the connection), then
// the body, and says where the answer ends.
//
// Unframed (HTTP/1.0 with "Connection: close"), the body runs to the close
// of the connection, byte for byte as it arrives. Framed (keep-alive), the
// body ends after Content-Length bytes or with the last chunk of a chunked
// body, which is handed out decoded; nothing past that end is read, so the
// connection can carry the next request.
//
// Replay hands the header out once more, for a Get that takes the body of
// the answer a Head has opened. One owner thread; no locks.
#include "inet/InetHTTPResponseHeader.h"

#include <cstdint>
#include <string>
#include <string_view>

class TInetSocketStream;

class TInetHTTPReader {
public:
    // A new answer follows on the connection.
    void Begin(bool framed);
    // The header already handed out comes once more, then the body goes on.
    void Replay();

    // The next bytes of the answer into `out`: 0 at its end, and when the
    // connection ends, times out or is released first.
    int Read(TInetSocketStream& stream, char* out, int count);
    // Read answers without waiting for the connection.
    bool Buffered() const;
    // Bytes read from the connection by someone else (a probe), to be
    // handed out before the connection is read again.
    void Feed(const char* bytes, size_t count);
    // The bytes read past what was handed out, given up (a proxy's CONNECT
    // answer is followed by the tunnel's first bytes).
    std::string TakeRest();

    bool HeaderDone() const { return phase_ != kHeader; }
    // Moves the reader's parse of the header into `into` when the header
    // part of the answer's text is `part` (what SetHeader would make of it);
    // false, and `into` untouched, otherwise.
    bool TakeHeader(std::string_view part, TInetHTTPResponseHeader& into);
    // The connection ended before the first byte of the answer.
    bool GotNothing() const { return gotNothing_; }
    // Body bytes handed out so far (decoded); the announced length or -1.
    int64_t BodyRead() const { return bodyRead_; }
    int64_t Length() const { return length_; }
    // The body arrived whole as far as its framing tells (an answer that
    // runs to the close with no length is always whole).
    bool Whole() const;
    // As Whole, for what is already buffered: the rest of the body would not
    // be needed from the connection.
    bool WholeSoFar() const;
    // The answer ended by its framing with nothing read past it, and its
    // header lets the connection stay open.
    bool Reusable() const;

private:
    enum TPhase { kHeader, kBody, kEnded };
    enum TFraming { kToClose, kLength, kChunked, kNoBody };
    enum TChunkState { kSizeLine, kData, kDataEnd, kTrailer };

    void StartBody();
    size_t Available() const { return in_.size() - inPos_; }
    // Reads more of the connection into in_; the byte count or 0.
    int Fill(TInetSocketStream& stream, int count);
    // Hands out up to `count` body bytes, from in_ or the connection.
    int Take(TInetSocketStream& stream, char* out, int count);
    int ReadChunked(TInetSocketStream& stream, char* out, int count);
    // A whole line (without its line end) from in_; false when none yet.
    bool TakeLine(std::string& line);

    bool framed_ = false;
    TPhase phase_ = kHeader;
    TFraming framing_ = kToClose;
    TChunkState chunk_ = kSizeLine;
    std::string header_;      // the header bytes handed out, blank line included
    TInetHTTPResponseHeader parsed_; // header_ parsed, until taken
    std::string replay_;
    size_t replayPos_ = 0;
    std::string in_;          // read from the connection, not handed out yet
    size_t inPos_ = 0;
    int64_t length_ = -1;
    int64_t bodyRead_ = 0;
    int64_t chunkLeft_ = 0;
    bool keepOpen_ = false;   // the header allows another request
    bool gotNothing_ = false;
    bool broken_ = false;     // the framing could not be followed
};
