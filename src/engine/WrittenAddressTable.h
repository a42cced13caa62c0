#pragma once
// The addresses a page walk has met as they were written, each with what it
// gave (the kind of address and the record's index), so that an address
// written again takes that answer without being resolved and parsed once
// more: a page names most of its addresses twice or more (as a link, in the
// text, in another spelling that resolves alike), often far apart.
//
// Every text is kept until Clear, in one buffer, with an entry of 12 bytes
// and a slot of 8 (the table at most three quarters full): about 40 bytes
// per address of a page, and constant time per call. Clear frees it all, so
// a walk that clears it often (a page with many base addresses) stays
// linear.
#include "platform/TextHash.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TWrittenAddressTable {
public:
    struct TAnswer {
        uint32_t index = 0;
        uint8_t kind = 0;
    };
    // The answer kept for `text`; false when there is none.
    bool Find(std::string_view text, TAnswer& answer) const;
    // Keeps `answer` for `text`, in place of an earlier one. Nothing is kept
    // for a text of 16 MiB or more, nor once the buffer holds 4 GiB.
    void Put(std::string_view text, TAnswer answer);
    void Clear();
    size_t Count() const { return entries_.size(); }

private:
    struct TEntry {
        uint32_t offset;
        uint32_t length : 24;
        uint32_t kind : 8;
        uint32_t index;
    };
    struct TSlot {
        uint32_t tag = 0;   // the high half of the hash
        uint32_t entry = 0; // the entry + 1; 0 for a free slot
    };
    static size_t Hash(std::string_view text) { return TTextHash::Of(text); }
    std::string_view Text(const TEntry& entry) const {
        return std::string_view(texts_).substr(entry.offset, entry.length);
    }
    // The slot that holds `text`, or the free slot where it would go.
    size_t Probe(std::string_view text, size_t hash) const;
    void Grow();

    std::string texts_;
    std::vector<TEntry> entries_;
    std::vector<TSlot> slots_;
};
