#include "inet/InetMemoryStream.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr size_t kFirstBlock = 16 * 1024;
// From this size on the block is its own mapping and asks for huge pages.
constexpr size_t kHugeFrom = 8 * 1024 * 1024;

void AdviseHuge(char* block, size_t size) {
#ifdef MADV_HUGEPAGE
    static const uintptr_t page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
    uintptr_t begin = (reinterpret_cast<uintptr_t>(block) + page - 1) & ~(page - 1);
    uintptr_t end = (reinterpret_cast<uintptr_t>(block) + size) & ~(page - 1);
    // Only a hint: where huge pages are not granted, small ones serve.
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)block;
    (void)size;
#endif
}

} // namespace

TInetMemoryStream::~TInetMemoryStream() { std::free(data_); }

TInetMemoryStream::TInetMemoryStream(TInetMemoryStream&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

TInetMemoryStream& TInetMemoryStream::operator=(TInetMemoryStream&& other) noexcept {
    if (this != &other) {
        std::free(data_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
}

void TInetMemoryStream::Reserve(size_t needed) {
    if (needed <= capacity_) return;
    // Doubling keeps the number of remappings logarithmic; the pages of the
    // part not written yet cost nothing until they are.
    size_t capacity = capacity_ < kFirstBlock ? kFirstBlock : capacity_;
    while (capacity < needed) {
        if (capacity > SIZE_MAX / 2) {
            capacity = needed;
            break;
        }
        capacity *= 2;
    }
    auto* block = static_cast<char*>(std::realloc(data_, capacity));
    if (!block) throw std::bad_alloc();
    data_ = block;
    capacity_ = capacity;
    if (capacity >= kHugeFrom) AdviseHuge(data_, capacity_);
}

void TInetMemoryStream::append(const char* bytes, size_t count) {
    if (count == 0) return;
    char* tail = Extend(count);
    std::memcpy(tail, bytes, count);
    Commit(count);
}

char* TInetMemoryStream::Extend(size_t count) {
    if (count > SIZE_MAX - size_ - 1) throw std::bad_alloc();
    Reserve(size_ + count + 1);
    return data_ + size_;
}

void TInetMemoryStream::Commit(size_t count) {
    if (!data_) return;
    size_ += count < capacity_ - size_ ? count : capacity_ - size_ - 1;
    data_[size_] = '\0';
}

void TInetMemoryStream::clear() {
    std::free(data_);
    data_ = nullptr;
    size_ = 0;
    capacity_ = 0;
}
