#include "download/DownloadInput.h"

#include "platform/CodePage.h"
#include "platform/SjisText.h"

#include <charconv>

bool TDownloadInput::ToInt(std::string_view text, int& value) {
    const std::string t = TSjisText::Trim(text);
    if (t.empty()) return false;
    const char* first = t.data();
    const char* last = t.data() + t.size();
    if (*first == '+') ++first;
    if (first == last) return false;
    int v = 0;
    const auto r = std::from_chars(first, last, v);
    if (r.ec != std::errc() || r.ptr != last) return false;
    value = v;
    return true;
}

int TDownloadInput::LoadCountValue(std::string_view text) {
    int v = 1;
    if (!ToInt(text, v) || v < 1) return 1;
    return v;
}

bool TDownloadInput::LimitSizeValue(std::string_view text, uint64_t& bytes) {
    int v = 0;
    if (!ToInt(text, v) || v < 0) return false;
    bytes = static_cast<uint64_t>(v) * 1024;
    return true;
}

bool TDownloadInput::RunCountValue(std::string_view text, int& count, std::string& message) {
    int v = -1;
    if (!ToInt(text, v)) v = -1;
    if (v <= 0 || v > kRunCountMax) {
        message = SJ("実行回数は 1 回から 9999 回の間で指定してください。");
        return false;
    }
    message.clear();
    count = v;
    return true;
}

std::string TDownloadInput::RunCountText(int count) {
    return count <= 0 ? std::string() : std::to_string(count);
}
