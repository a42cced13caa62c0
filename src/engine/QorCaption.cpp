#include "engine/QorCaption.h"

#include "platform/CodePage.h"
#include "platform/SjisText.h"

std::string TQorCaption::Cut(std::string_view text) {
    if (text.size() <= MaxBytes) return std::string(text);
    size_t pos = 0;
    while (pos < text.size()) {
        // A character kept as an escape is one character too: cutting into
        // it would show a broken character and stray half-width kana.
        char32_t cp;
        size_t escape = TCodePage::EscapeAt(text, pos, cp);
        size_t next = pos + (escape ? escape : TSjisText::CharLength(text, pos));
        if (next > MaxBytes) break;
        pos = next;
    }
    return std::string(text.substr(0, pos));
}
