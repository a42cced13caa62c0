#pragma once
// The short text of a byte count shown in the download lists:
//   n < 1 KiB        "%d B"     (n)
//   n < 1 MiB        "%d KB"    (n / 1024 rounded up: 1025 bytes are "2 KB")
//   n < 1 GiB        "%.2f MB"  (n / 1048576)
//   otherwise        "%.2f GB"  (n / 1073741824)
// The count is 64-bit, so files of 4 GiB and more show their real size.
// Callers decide what an unknown size shows; this never sees one.
// Stateless; any thread.
#include <cstdint>
#include <string>

class TSizeText {
public:
    static std::string Get(uint64_t bytes);
};
