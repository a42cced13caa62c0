#include "engine/WrittenAddressTable.h"

#include <limits>

namespace {

uint32_t TagOf(size_t hash) { return static_cast<uint32_t>(static_cast<uint64_t>(hash) >> 32); }

} // namespace

size_t TWrittenAddressTable::Probe(std::string_view text, size_t hash) const {
    const size_t mask = slots_.size() - 1;
    const uint32_t tag = TagOf(hash);
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const TSlot& slot = slots_[i];
        if (slot.entry == 0) return i;
        if (slot.tag == tag && Text(entries_[slot.entry - 1]) == text) return i;
    }
}

bool TWrittenAddressTable::Find(std::string_view text, TAnswer& answer) const {
    if (slots_.empty()) return false;
    const TSlot& slot = slots_[Probe(text, Hash(text))];
    if (slot.entry == 0) return false;
    const TEntry& entry = entries_[slot.entry - 1];
    answer = TAnswer{entry.index, static_cast<uint8_t>(entry.kind)};
    return true;
}

void TWrittenAddressTable::Put(std::string_view text, TAnswer answer) {
    const size_t hash = Hash(text);
    if (!slots_.empty()) {
        const TSlot& slot = slots_[Probe(text, hash)];
        if (slot.entry != 0) {
            TEntry& entry = entries_[slot.entry - 1];
            entry.index = answer.index;
            entry.kind = answer.kind;
            return;
        }
    }
    constexpr size_t kMaxText = (size_t{1} << 24) - 1;
    constexpr size_t kMax = std::numeric_limits<uint32_t>::max();
    if (text.size() > kMaxText || text.size() > kMax - texts_.size() || entries_.size() >= kMax - 1) return;
    if ((entries_.size() + 1) * 4 > slots_.size() * 3) Grow();
    const size_t at = Probe(text, hash);
    TEntry entry{};
    entry.offset = static_cast<uint32_t>(texts_.size());
    entry.length = static_cast<uint32_t>(text.size());
    entry.kind = answer.kind;
    entry.index = answer.index;
    entries_.push_back(entry);
    texts_.append(text);
    slots_[at] = TSlot{TagOf(hash), static_cast<uint32_t>(entries_.size())};
}

void TWrittenAddressTable::Grow() {
    const size_t size = slots_.empty() ? 256 : slots_.size() * 2;
    slots_.assign(size, TSlot{});
    const size_t mask = size - 1;
    for (size_t e = 0; e < entries_.size(); ++e) {
        const size_t hash = Hash(Text(entries_[e]));
        size_t i = hash & mask;
        while (slots_[i].entry != 0) i = (i + 1) & mask;
        slots_[i] = TSlot{TagOf(hash), static_cast<uint32_t>(e + 1)};
    }
}

void TWrittenAddressTable::Clear() {
    std::string().swap(texts_);
    std::vector<TEntry>().swap(entries_);
    std::vector<TSlot>().swap(slots_);
}
