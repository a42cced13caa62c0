#include "cli/CliLanguage.h"

#include <cstdlib>
#include <string_view>

bool TCliLanguage::IsJapanese(const char* lcAll, const char* lcMessages, const char* lang) {
    for (const char* value : {lcAll, lcMessages, lang})
        if (value && *value) return std::string_view(value).starts_with("ja");
    return false;
}

bool TCliLanguage::FromEnvironment() {
    return IsJapanese(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}
