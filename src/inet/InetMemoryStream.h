#pragma once
// The bytes of an answer received to memory: one contiguous block that
// grows at its end. Past a few MiB the block is a mapping of its own that
// grows by mremap, so a growing answer of any size is copied at most once
// (a few MiB) and never held twice (a std::string copies into a new block
// twice its size at every step, and peaks at twice the answer). The memory
// held is that of the bytes received, rounded to whole pages.
//
// The block always ends in a 0x00 after its bytes, so c_str() is the text
// up to its first zero byte, as with a string.
#include <cstddef>
#include <string>
#include <string_view>

class TInetMemoryStream {
public:
    TInetMemoryStream() = default;
    ~TInetMemoryStream();
    TInetMemoryStream(TInetMemoryStream&& other) noexcept;
    TInetMemoryStream& operator=(TInetMemoryStream&& other) noexcept;
    TInetMemoryStream(const TInetMemoryStream&) = delete;
    TInetMemoryStream& operator=(const TInetMemoryStream&) = delete;

    const char* data() const { return data_ ? data_ : ""; }
    const char* c_str() const { return data(); }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    std::string_view view() const { return std::string_view(data(), size_); }
    operator std::string_view() const { return view(); }
    std::string str() const { return std::string(view()); }

    void append(const char* bytes, size_t count);
    void append(std::string_view bytes) { append(bytes.data(), bytes.size()); }
    // Room for `count` more bytes at the end, to be filled by a read and
    // then taken in with Commit (at most `count` of them). Throws
    // std::bad_alloc as append does.
    char* Extend(size_t count);
    void Commit(size_t count);
    // Frees the block.
    void clear();

    friend bool operator==(const TInetMemoryStream& a, std::string_view b) { return a.view() == b; }

private:
    void Reserve(size_t needed);

    char* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0; // bytes the block holds, the terminator's included
};
