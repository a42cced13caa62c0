#include "inet/InetHTTPReader.h"

#include "inet/InetHTTPResponseHeader.h"
#include "inet/InetSocketStream.h"
#include "platform/SjisText.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

// A chunk-size line or trailer longer than this is no chunked body.
constexpr size_t kMaxLine = 64 * 1024;

bool ParseLength(const std::string& text, int64_t& value) {
    std::string t = TSjisText::Trim(text);
    if (t.empty() || t.size() > 18) return false;
    int64_t v = 0;
    for (char c : t) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    value = v;
    return true;
}

bool ParseChunkSize(std::string line, int64_t& size) {
    if (size_t semi = line.find(';'); semi != std::string::npos) line.resize(semi);
    line = TSjisText::Trim(line);
    if (line.empty() || line.size() > 15) return false;
    int64_t v = 0;
    for (char c : line) {
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return false;
        v = v * 16 + d;
    }
    size = v;
    return true;
}

} // namespace

void TInetHTTPReader::Begin(bool framed) {
    *this = TInetHTTPReader();
    framed_ = framed;
}

void TInetHTTPReader::Replay() {
    replay_ = header_;
    replayPos_ = 0;
}

bool TInetHTTPReader::Buffered() const {
    return replayPos_ < replay_.size() || Available() > 0 || phase_ == kEnded;
}

std::string TInetHTTPReader::TakeRest() {
    std::string rest = in_.substr(inPos_);
    in_.clear();
    inPos_ = 0;
    return rest;
}

void TInetHTTPReader::Feed(const char* bytes, size_t count) { in_.append(bytes, count); }

int TInetHTTPReader::Fill(TInetSocketStream& stream, int count) {
    if (inPos_ == in_.size()) {
        in_.clear();
        inPos_ = 0;
    } else if (inPos_ > kMaxLine) {
        in_.erase(0, inPos_);
        inPos_ = 0;
    }
    const size_t before = in_.size();
    in_.resize(before + static_cast<size_t>(std::max(count, 1024)));
    int n = stream.Read(in_.data() + before, static_cast<int>(in_.size() - before));
    in_.resize(before + static_cast<size_t>(std::max(n, 0)));
    return n;
}

int TInetHTTPReader::Take(TInetSocketStream& stream, char* out, int count) {
    int n;
    if (Available() > 0) {
        n = static_cast<int>(std::min(Available(), static_cast<size_t>(count)));
        std::memcpy(out, in_.data() + inPos_, static_cast<size_t>(n));
        inPos_ += static_cast<size_t>(n);
    } else {
        n = stream.Read(out, count);
    }
    if (n > 0) bodyRead_ += n;
    return n;
}

bool TInetHTTPReader::TakeLine(std::string& line) {
    size_t nl = in_.find('\n', inPos_);
    if (nl == std::string::npos) {
        if (Available() > kMaxLine) broken_ = true;
        return false;
    }
    line.assign(in_, inPos_, nl - inPos_);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    inPos_ = nl + 1;
    return true;
}

bool TInetHTTPReader::TakeHeader(std::string_view part, TInetHTTPResponseHeader& into) {
    if (!parsed_.ParsedFrom(part)) return false;
    into = std::move(parsed_);
    parsed_.Initialize();
    return true;
}

void TInetHTTPReader::StartBody() {
    phase_ = kBody;
    TInetHTTPResponseHeader& header = parsed_;
    header.SetHeader(header_);
    const int status = header.StatusCode;
    if (!ParseLength(header.Values.Get("content-length"), length_)) length_ = -1;
    const std::string connection = TSjisText::LowerCase(header.Values.Get("connection"));
    const bool http11 = TSjisText::LowerCase(header_.substr(0, 8)) == "http/1.1";
    keepOpen_ = http11 ? connection.find("close") == std::string::npos
                       : connection.find("keep-alive") != std::string::npos;
    framing_ = kToClose;
    if (!framed_) return;
    if ((status >= 100 && status < 200) || status == 204 || status == 304) {
        framing_ = kNoBody;
        // An interim answer is followed by another header; not worth a reuse.
        if (status < 200) keepOpen_ = false;
    } else if (TSjisText::LowerCase(header.Values.Get("transfer-encoding")).find("chunked") != std::string::npos) {
        framing_ = kChunked;
        chunk_ = kSizeLine;
    } else if (length_ >= 0) {
        framing_ = kLength;
    }
    if (framing_ == kNoBody || (framing_ == kLength && length_ == 0)) phase_ = kEnded;
}

int TInetHTTPReader::Read(TInetSocketStream& stream, char* out, int count) {
    if (count <= 0) return 0;
    if (replayPos_ < replay_.size()) {
        size_t n = std::min(replay_.size() - replayPos_, static_cast<size_t>(count));
        std::memcpy(out, replay_.data() + replayPos_, n);
        replayPos_ += n;
        return static_cast<int>(n);
    }
    switch (phase_) {
    case kHeader: {
        if (Available() == 0 && Fill(stream, count) <= 0) {
            if (header_.empty()) gotNothing_ = true;
            return 0;
        }
        // The blank line may have begun in the bytes handed out already.
        const size_t keep = std::min<size_t>(header_.size(), 3);
        std::string probe = header_.substr(header_.size() - keep);
        probe.append(in_, inPos_, std::min(Available(), static_cast<size_t>(count)));
        size_t end = std::string::npos;
        if (size_t crlf = probe.find("\r\n\r\n"); crlf != std::string::npos) end = crlf + 4;
        if (size_t lf = probe.find("\n\n"); lf != std::string::npos && (end == std::string::npos || lf + 2 < end))
            end = lf + 2;
        const size_t take = end == std::string::npos ? probe.size() - keep : end - keep;
        std::memcpy(out, in_.data() + inPos_, take);
        header_.append(in_, inPos_, take);
        inPos_ += take;
        if (end != std::string::npos) StartBody();
        return static_cast<int>(take);
    }
    case kBody:
        break;
    case kEnded:
        return 0;
    }
    switch (framing_) {
    case kToClose:
        return Take(stream, out, count);
    case kLength: {
        const int64_t left = length_ - bodyRead_;
        int n = Take(stream, out, static_cast<int>(std::min<int64_t>(count, left)));
        if (bodyRead_ >= length_) phase_ = kEnded;
        return n;
    }
    case kChunked:
        return ReadChunked(stream, out, count);
    case kNoBody:
        phase_ = kEnded;
        return 0;
    }
    return 0;
}

int TInetHTTPReader::ReadChunked(TInetSocketStream& stream, char* out, int count) {
    std::string line;
    for (;;) {
        if (broken_) return 0;
        if (chunk_ == kData) {
            int n = Take(stream, out, static_cast<int>(std::min<int64_t>(count, chunkLeft_)));
            if (n <= 0) return 0;
            chunkLeft_ -= n;
            if (chunkLeft_ == 0) chunk_ = kDataEnd;
            return n;
        }
        if (!TakeLine(line)) {
            if (broken_ || Fill(stream, count) <= 0) return 0;
            continue;
        }
        switch (chunk_) {
        case kSizeLine:
            if (!ParseChunkSize(line, chunkLeft_)) {
                broken_ = true;
                return 0;
            }
            chunk_ = chunkLeft_ == 0 ? kTrailer : kData;
            break;
        case kDataEnd:
            if (!line.empty()) {
                broken_ = true;
                return 0;
            }
            chunk_ = kSizeLine;
            break;
        case kTrailer:
            if (line.empty()) {
                phase_ = kEnded;
                return 0;
            }
            break;
        case kData:
            break;
        }
    }
}

bool TInetHTTPReader::Whole() const {
    if (phase_ == kHeader) return !framed_;
    switch (framing_) {
    case kToClose:
        return length_ < 0 || bodyRead_ >= length_;
    case kLength:
        return bodyRead_ >= length_;
    case kChunked:
        return phase_ == kEnded;
    case kNoBody:
        return true;
    }
    return true;
}

bool TInetHTTPReader::WholeSoFar() const {
    if (phase_ == kHeader) return false;
    const int64_t have = bodyRead_ + static_cast<int64_t>(Available());
    switch (framing_) {
    case kToClose:
        // Without a length, an answer that brought some body before the
        // close is taken as it stands.
        return length_ < 0 ? have > 0 : have >= length_;
    case kLength:
        return have >= length_;
    case kChunked:
        return phase_ == kEnded;
    case kNoBody:
        return true;
    }
    return true;
}

bool TInetHTTPReader::Reusable() const {
    return framed_ && phase_ == kEnded && framing_ != kToClose && !broken_ && Available() == 0 &&
           keepOpen_ && replayPos_ >= replay_.size();
}
