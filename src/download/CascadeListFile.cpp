#include "download/CascadeListFile.h"

#include "platform/SjisText.h"
#include "platform/SystemFolders.h"
#include "platform/TextHash.h"
#include "platform/WinPath.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <unistd.h>

namespace {

constexpr size_t kFlushAt = 64 * 1024;
constexpr char kLineEnd[] = "\r\n";

} // namespace

TCascadeListFile::TCascadeListFile(std::string_view prefix) {
    const std::string folder = TWinPath::ToNative(TSystemFolders::TempFolder());
    if (folder.empty()) return;
    std::string name = folder;
    if (name.back() != '/') name += '/';
    name += std::string(prefix) + "XXXXXX.tmp";
    fd_.Reset(::mkostemps(name.data(), 4, O_CLOEXEC));
    if (fd_.ok()) path_ = TWinPath::FromNative(name);
}

TCascadeListFile::~TCascadeListFile() {
    if (fd_.ok()) ::unlink(TWinPath::ToNative(path_).c_str());
}

TCascadeListFile::TSpan TCascadeListFile::Append(std::string_view text) {
    TSpan span{written_ + pending_.size(), text.size()};
    pending_.append(text);
    pending_.append(kLineEnd);
    if (pending_.size() >= kFlushAt) Flush();
    return span;
}

bool TCascadeListFile::Flush() {
    if (pending_.empty()) return true;
    if (!fd_.ok() || !fd_.WriteAll(pending_.data(), pending_.size())) {
        // A short write may have left part of the batch in the file: put the
        // end back where the batch begins, so offsets stay true.
        if (fd_.ok() && ::ftruncate(fd_.get(), static_cast<off_t>(written_)) == 0)
            ::lseek(fd_.get(), static_cast<off_t>(written_), SEEK_SET);
        return false;
    }
    written_ += pending_.size();
    pending_.clear();
    return true;
}

bool TCascadeListFile::ReadCached(TSpan span, std::string& text) const {
    const uint64_t start = span.Offset - span.Offset % kBlockSize;
    if (span.Offset + span.Length > start + kBlockSize) return false; // across two blocks
    if (blocks_.empty()) blocks_.resize(kBlocks);
    TBlock& block = blocks_[(start / kBlockSize) % kBlocks];
    if (block.Bytes.empty() || block.Offset != start ||
        block.Offset + block.Bytes.size() < span.Offset + span.Length) {
        // Only what is written (never rewritten); the file may have grown
        // since the block was read.
        const size_t want = static_cast<size_t>(std::min<uint64_t>(kBlockSize, written_ - start));
        block.Bytes.resize(want);
        block.Offset = start;
        if (!fd_.ReadAllAt(block.Bytes.data(), want, start)) {
            block.Bytes.clear();
            return false;
        }
    }
    text.assign(block.Bytes, static_cast<size_t>(span.Offset - start), static_cast<size_t>(span.Length));
    return true;
}

std::string TCascadeListFile::Read(TSpan span) const {
    std::string text(span.Length, '\0');
    if (span.Offset >= written_) {
        text.assign(pending_, span.Offset - written_, span.Length);
    } else if (!ReadCached(span, text) && !fd_.ReadAllAt(text.data(), text.size(), span.Offset)) {
        text.clear();
    }
    return text;
}

bool TCascadeListFile::Contains(std::string_view text) const {
    const std::string key = TSjisText::LowerCase(text);
    return Find(key, TTextHash::Of(key));
}

bool TCascadeListFile::Find(const std::string& key, uint64_t hash) const {
    if (slots_.empty()) return false;
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const TSlot& slot = slots_[i];
        if (!slot.Used) return false;
        if (slot.Hash == hash && slot.Span.Length == key.size() && StoredLower(slot) == key)
            return true;
    }
}

const std::string& TCascadeListFile::StoredLower(const TSlot& slot) const {
    if (confirmed_.empty()) confirmed_.resize(kConfirmedSize);
    TConfirmed& entry = confirmed_[slot.Hash & (kConfirmedSize - 1)];
    // Lines are never rewritten, so a line's offset names it for good.
    if (!entry.Used || entry.Offset != slot.Span.Offset) {
        entry.Lower = TSjisText::LowerCase(Read(slot.Span));
        // A line that could not be read back is not kept: the next look tries again.
        entry.Used = entry.Lower.size() == slot.Span.Length;
        entry.Offset = slot.Span.Offset;
    }
    return entry.Lower;
}

void TCascadeListFile::Grow() {
    std::vector<TSlot> old = std::move(slots_);
    slots_.assign(old.empty() ? 1024 : old.size() * 2, TSlot{});
    const size_t mask = slots_.size() - 1;
    for (const TSlot& slot : old) {
        if (!slot.Used) continue;
        size_t i = slot.Hash & mask;
        while (slots_[i].Used) i = (i + 1) & mask;
        slots_[i] = slot;
    }
}

bool TCascadeListFile::Add(std::string_view text) {
    const std::string key = TSjisText::LowerCase(text);
    const uint64_t hash = TTextHash::Of(key);
    if (Find(key, hash)) return false;
    // At most half full, so a probe ends soon.
    if ((count_ + 1) * 2 > slots_.size()) Grow();
    const size_t mask = slots_.size() - 1;
    size_t i = hash & mask;
    while (slots_[i].Used) i = (i + 1) & mask;
    slots_[i] = TSlot{hash, Append(text), true};
    ++count_;
    return true;
}

void TCascadeListFile::Push(std::string_view text) { queue_.push_back(Append(text)); }

bool TCascadeListFile::Pop(std::string& text) {
    if (queue_.empty()) return false;
    text = Read(queue_.front());
    queue_.pop_front();
    return true;
}
