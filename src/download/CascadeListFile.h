#pragma once
// One of a cascade crawl's three lists kept in a temporary file: the pages
// still to search (a queue), the pages searched and the files collected
// (sets). Each entry is one line ending in CR LF, in the order added.
//
// The work per entry does not depend on the size of the list: lines are
// appended (never rewritten), the queue is read from a moving head, and
// the membership test goes through an in-memory table of fixed-size hashes
// that points into the file; a hash hit is confirmed against the stored
// line, so the answers are exact.
//
// Lines are written in batches (Flush, and whenever the batch passes 64 KiB).
// Lines are read back through a few cached blocks of the file: the queue is
// read in the order written, and the lines a crawl confirms hits against
// (the addresses of neighbouring pages) lie near each other, so most reads
// cost no system call. Lines are never rewritten, so a cached block stays
// true; only bytes already written are cached.
// When the file cannot be made or written, the lines that could not be
// written stay in memory and the list goes on working: nothing is lost.
//
// One thread at a time (the crawl hands the lists between its worker and the
// main thread, never touching them from both at once).
#include "platform/FileDescriptor.h"

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

class TCascadeListFile {
public:
    // Creates an empty temporary file "<prefix>XXXXXX.tmp" in the system
    // temporary folder.
    explicit TCascadeListFile(std::string_view prefix);
    // Deletes the file.
    ~TCascadeListFile();
    TCascadeListFile(const TCascadeListFile&) = delete;
    TCascadeListFile& operator=(const TCascadeListFile&) = delete;

    // The file's path (Windows form); empty when no file could be made.
    const std::string& Path() const { return path_; }

    // Set use. The comparison ignores the letter case of A-Z (character
    // aware: the second byte of a double-byte character is kept as it is).
    bool Contains(std::string_view text) const;
    // Adds the line; true when it was not there yet.
    bool Add(std::string_view text);
    size_t Count() const { return count_; }

    // Queue use: lines taken in the order pushed.
    void Push(std::string_view text);
    bool Pop(std::string& text);
    bool QueueEmpty() const { return queue_.empty(); }

    // Writes the lines added since the last flush; false when the file could
    // not take them (they stay in memory and are tried again next time).
    bool Flush();

private:
    struct TSpan {
        uint64_t Offset; // of the line in the whole list (file, then pending)
        uint64_t Length; // without CR LF
    };
    struct TSlot {
        uint64_t Hash = 0;
        TSpan Span{0, 0};
        bool Used = false;
    };

    TSpan Append(std::string_view text);
    std::string Read(TSpan span) const;
    void Grow();
    // Whether a line whose lower-case form is `key` (hashed to `hash`) is in.
    bool Find(const std::string& key, uint64_t hash) const;
    // The stored line of `slot` in lower case, read back only when not kept.
    const std::string& StoredLower(const TSlot& slot) const;

    std::string path_;
    TFileDescriptor fd_;
    uint64_t written_ = 0;  // bytes in the file
    std::string pending_;   // bytes after them, not written yet
    std::deque<TSpan> queue_;
    std::vector<TSlot> slots_;
    size_t count_ = 0;
    // Lower-case text of lines a hash hit was lately confirmed against, by
    // hash: a crawl meets the same addresses again and again, and each
    // confirmation would otherwise read the line back from the file. Fixed
    // size, so the memory per entry stays that of the table.
    struct TConfirmed {
        uint64_t Offset = 0;
        bool Used = false;
        std::string Lower;
    };
    static constexpr size_t kConfirmedSize = 1024;
    mutable std::vector<TConfirmed> confirmed_;
    // Direct-mapped by block number; made at the first read.
    struct TBlock {
        uint64_t Offset = 0;
        std::string Bytes; // empty: unused
    };
    static constexpr size_t kBlockSize = 8 * 1024;
    static constexpr size_t kBlocks = 16;
    mutable std::vector<TBlock> blocks_;
    // Copies the span from a cached block; false when it is not wholly in one.
    bool ReadCached(TSpan span, std::string& text) const;
};
