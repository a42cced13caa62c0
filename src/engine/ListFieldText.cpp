#include "engine/ListFieldText.h"

std::string TListFieldText::Blanked(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    return out;
}

bool TListFieldText::IsStorable(std::string_view text) {
    return text.find_first_of("\t\r\n") == std::string_view::npos;
}
