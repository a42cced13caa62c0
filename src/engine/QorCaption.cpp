#include "engine/QorCaption.h"

#include "platform/SjisText.h"

std::string TQorCaption::Cut(std::string_view text) {
    if (text.size() <= MaxBytes) return std::string(text);
    size_t pos = 0;
    while (pos < text.size()) {
        size_t next = pos + TSjisText::CharLength(text, pos);
        if (next > MaxBytes) break;
        pos = next;
    }
    return std::string(text.substr(0, pos));
}
