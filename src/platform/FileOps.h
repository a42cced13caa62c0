#pragma once
// File operations on Windows-form CP932 paths (see TWinPath). Every
// operation catches its errors and answers with a boolean or an empty value.
#include <string>
#include <string_view>

class TFileOps {
public:
    static bool FileExists(std::string_view winPath);      // an existing regular file
    static bool DirectoryExists(std::string_view winPath); // an existing folder
};
