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
// From this size on the block is a mapping of its own, grown by mremap. Its
// size is a whole number of 2 MiB, but it asks for no huge pages: those would
// hold up to 2 MiB more than the answer in memory, for page faults that
// cost less than a millisecond per 10 MiB.
constexpr size_t kMappedFrom = 8 * 1024 * 1024;
constexpr size_t kMapStep = 2 * 1024 * 1024;

bool Mapped(size_t capacity) { return capacity >= kMappedFrom; }

void Release(char* block, size_t capacity) {
    if (Mapped(capacity)) ::munmap(block, capacity);
    else std::free(block);
}

} // namespace

TInetMemoryStream::~TInetMemoryStream() { Release(data_, capacity_); }

TInetMemoryStream::TInetMemoryStream(TInetMemoryStream&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

TInetMemoryStream& TInetMemoryStream::operator=(TInetMemoryStream&& other) noexcept {
    if (this != &other) {
        Release(data_, capacity_);
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
        if (capacity > SIZE_MAX / 4) throw std::bad_alloc();
        capacity *= 2;
    }
    if (!Mapped(capacity)) {
        auto* block = static_cast<char*>(std::realloc(data_, capacity));
        if (!block) throw std::bad_alloc();
        data_ = block;
    } else if (!Mapped(capacity_)) {
        // The one copy: from the small block into the mapping.
        capacity = (capacity + kMapStep - 1) / kMapStep * kMapStep;
        void* map = ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (map == MAP_FAILED) throw std::bad_alloc();
        if (size_ > 0) std::memcpy(map, data_, size_ + 1);
        std::free(data_);
        data_ = static_cast<char*>(map);
    } else {
        // The pages move with their mapping: nothing is copied.
        void* map = ::mremap(data_, capacity_, capacity, MREMAP_MAYMOVE);
        if (map == MAP_FAILED) throw std::bad_alloc();
        data_ = static_cast<char*>(map);
    }
    capacity_ = capacity;
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
    Release(data_, capacity_);
    data_ = nullptr;
    size_ = 0;
    capacity_ = 0;
}
