#pragma once
// What a record-property window edits, apart from the window: its own copies
// of the records (the rows it was opened on may be deleted, moved back to
// waiting, cleared or replaced by a page load while it is open), the title,
// the port rules, and the write-back of the entered values into the records
// that still exist.
//
// Each record is added with a key of its holder's choosing (a queue row's
// id); Lookup answers the live record for a key, or null when it is gone.
// Without Lookup the edits stay in the copies.
//
// Main thread only.
#include "engine/QorFile.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct TFilePropValues {
    std::string Referer;
    std::string User;
    std::string Password;
    std::string Port;
};

class TFilePropEdit {
public:
    using TLookup = std::function<TQorFile*(uint64_t key)>;

    TLookup Lookup;

    // Keeps a copy of `file`.
    void Add(const TQorFile* file, uint64_t key = 0);
    int Count() const { return static_cast<int>(items_.size()); }
    const TQorFile* Get(int index) const;

    // The first record's file name ("index.html" when it has none), with
    // ", ..." for more than one record, and the word "のプロパティ" after it
    // (`japanese`) or before it.
    std::string Title(bool japanese) const;
    // The fields shown for one record: referer, user, password, port.
    static TFilePropValues ValuesOf(const TQorFile& file);

    // Takes the records that still exist afresh.
    void Refresh();

    // OK: the values are trimmed; a port that is neither empty nor an integer
    // gives false with the message and changes nothing. Otherwise every copy
    // and every live record gets the values (with the default port of http
    // and mms dropped).
    bool Apply(const TFilePropValues& values, std::string& message);

    // The four values into one record, with the port rules.
    static void Put(TQorFile& file, const TFilePropValues& trimmed);
    static bool PortValid(std::string_view trimmed);

private:
    struct TItem {
        std::unique_ptr<TQorFile> File;
        uint64_t Key = 0;
    };
    std::vector<TItem> items_;
};
