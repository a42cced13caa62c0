#pragma once
// The user's own data (visited pages, typed addresses) is kept readable by
// the user alone: files 0600, folders 0700, whatever the umask. Windows-form
// paths; every call answers false on failure and never throws.
#include <string_view>

class TQorPrivateFile {
public:
    // Makes sure a file exists with owner-only access before it is written:
    // a missing file is created empty with mode 0600, an existing one is
    // restricted to 0600. A later atomic write keeps that mode.
    static bool Prepare(std::string_view winPath);
    // Restricts an existing file to 0600.
    static bool RestrictFile(std::string_view winPath);
    // Restricts an existing folder to 0700.
    static bool RestrictFolder(std::string_view winPath);
};
