#pragma once
// The program's string table: user messages by number (1 to 61) and
// captions (1000 to 1035), as CP932 text. An id that is not used, or that is
// outside those ranges, gives an empty string. Thread-safe; the reference
// stays valid for the life of the program.
#include <string>

class TStringTable {
public:
    static const std::string& Get(int id);
};
