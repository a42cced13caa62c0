#pragma once
// The user's list of pages that are never served from the page cache
// (uncache.dat, stored through TQorFileProtector). Each entry is an address
// in its GetCompEntity form (scheme, lower-case host, port, folder and file
// name; no query, no credentials) and a flag: with All set every address
// that contains the entry is covered, otherwise only the address equal to
// it.
//
// Threads: the main thread edits the list (start-up, the uncache dialog)
// while a cache load thread may be asking Covers. Every call takes the
// object's lock for its own short work (no address is parsed and no file
// touched under it), so each call sees the list between two edits. FilePath
// is set once by the main thread before the list is read or written.
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct tagQORUNCACHEINFO {
    std::string URL; // GetCompEntity form
    bool All = false;
};

class TQorUncachePage {
public:
    TQorUncachePage();
    ~TQorUncachePage();
    TQorUncachePage(const TQorUncachePage&) = delete;
    TQorUncachePage& operator=(const TQorUncachePage&) = delete;

    int GetCount() const;
    // A copy of the entry at `index`; none when the index is out of range.
    std::optional<tagQORUNCACHEINFO> GetItem(int index) const;
    void Clear();
    // Parses `text` as an address and appends its GetCompEntity form with
    // the flag (no check for duplicates); returns a copy of the entry.
    tagQORUNCACHEINFO Add(std::string_view text, bool all);

    // Whether an entry covers `address` (a GetCompURL form): an All entry
    // when the address contains its URL (on character boundaries), any other
    // entry when the address equals its URL byte for byte.
    bool Covers(std::string_view address) const;

    // Reads FilePath through the file protector and appends its entries to
    // those present: for each line (CR LF, LF or CR ends) that holds a tab,
    // Add(text before the first tab, text after it == "1"); lines without a
    // tab are skipped. Answers the protector's result (false: a missing or
    // unreadable file, and nothing is added).
    bool LoadFromFile();
    // Writes the entries as URL TAB "1"/"0", the lines joined with CR LF (no
    // line end after the last), through the file protector; its result.
    bool SaveToFile() const;

    std::string FilePath;

private:
    mutable std::mutex mutex_;
    std::vector<tagQORUNCACHEINFO> entries_;
};
