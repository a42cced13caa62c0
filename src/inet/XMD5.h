#pragma once
// MD5 digests (RFC 1321) as 32 lower-case hexadecimal digits: the names of
// cache, history and download work files. Every byte of the text counts,
// zero bytes included. Stateless and thread-safe.
#include <string>
#include <string_view>

class TXMD5 {
public:
    static std::string Get(std::string_view text);
};
