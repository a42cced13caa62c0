#include "download/CascadeFilter.h"

#include "platform/CodePage.h"
#include "platform/SjisText.h"
#include "platform/WinPath.h"

namespace {

bool Occurs(std::u16string_view text, std::u16string_view word) {
    // An empty word (an operator alone) never occurs.
    return !word.empty() && text.find(word) != std::u16string_view::npos;
}

} // namespace

std::vector<std::string> TCascadeFilter::SplitWords(std::string_view text) {
    std::vector<std::string> words;
    std::string rest = TSjisText::Trim(text);
    while (!rest.empty()) {
        const size_t space = TSjisText::FindChar(rest, ' ');
        if (space == std::string::npos) {
            words.push_back(rest);
            break;
        }
        words.push_back(rest.substr(0, space));
        rest = TSjisText::Trim(std::string_view(rest).substr(space + 1));
    }
    return words;
}

void TCascadeFilter::WideLowerCase(std::u16string& text) {
    for (char16_t& c : text) {
        if ((c >= u'A' && c <= u'Z') || (c >= 0xFF21 && c <= 0xFF3A) || (c >= 0x0391 && c <= 0x03A9 && c != 0x03A2) ||
            (c >= 0x0410 && c <= 0x042F)) {
            c = static_cast<char16_t>(c + 0x20);
        } else if (c == 0x0401) { // Ё
            c = 0x0451;
        }
    }
}

void TCascadeFilter::SetExt(std::string_view text) {
    ExtText = TSjisText::Trim(text);
    ExtList.clear();
    size_t from = 0;
    for (;;) {
        const size_t colon = TSjisText::FindChar(ExtText, ':', from);
        if (colon == std::string::npos) {
            if (from < ExtText.size()) ExtList.push_back(TSjisText::LowerCase(ExtText.substr(from)));
            break;
        }
        ExtList.push_back(TSjisText::LowerCase(ExtText.substr(from, colon - from)));
        from = colon + 1;
    }
}

void TCascadeFilter::SetPageQuery(std::string_view text) {
    PageQuery = TSjisText::Trim(text);
    PageWords.clear();
    for (const std::string& word : SplitWords(PageQuery)) {
        std::u16string wide = TCodePage::ToUtf16(word);
        WideLowerCase(wide);
        if (wide.empty() || (wide[0] != u'+' && wide[0] != u'*' && wide[0] != u'-')) wide.insert(0, 1, u'+');
        PageWords.push_back(std::move(wide));
    }
}

std::string TCascadeFilter::FilePattern(std::string_view word) {
    std::string pattern = "^";
    for (size_t i = 0; i < word.size();) {
        const size_t n = TSjisText::CharLength(word, i);
        const char c = n == 1 ? word[i] : '\0';
        switch (n == 1 ? c : 'x') {
        case '.': case '[': case ']': case '^': case '$':
            pattern += '\\';
            pattern += c;
            break;
        case '*': pattern += ".*"; break;
        case '?': pattern += "."; break;
        case '\\': pattern += "[0-9]"; break;
        case '<': pattern += "[0-9]*"; break;
        case '>': pattern += "[^0-9]*"; break;
        default: pattern.append(word.substr(i, n));
        }
        i += n;
    }
    return pattern + "$";
}

void TCascadeFilter::SetFileQuery(std::string_view text) {
    FileQuery = TSjisText::Trim(text);
    FilePatterns.clear();
    for (const std::string& word : SplitWords(FileQuery)) {
        auto re = std::make_unique<TExRegexp>();
        re->SetPattern(FilePattern(TSjisText::LowerCase(word)));
        FilePatterns.push_back(std::move(re));
    }
}

bool TCascadeFilter::PageTest(std::string_view source) const {
    if (PageWords.empty()) return true;
    std::u16string text = TCodePage::ToUtf16(source);
    WideLowerCase(text);
    bool anyPlus = false, plusFound = false;
    for (const std::u16string& word : PageWords) {
        const std::u16string_view bare = std::u16string_view(word).substr(1);
        switch (word[0]) {
        case u'*':
            if (!Occurs(text, bare)) return false;
            break;
        case u'-':
            if (Occurs(text, bare)) return false;
            break;
        default:
            anyPlus = true;
            if (!plusFound && Occurs(text, bare)) plusFound = true;
        }
    }
    return !anyPlus || plusFound;
}

bool TCascadeFilter::FileTest(std::string_view fileName) {
    const std::string name = TSjisText::LowerCase(fileName.empty() ? std::string_view("index.html") : fileName);
    if (!FilePatterns.empty()) {
        bool matched = false;
        for (auto& re : FilePatterns) {
            if (re->Find(name) > 0) {
                matched = true;
                break;
            }
        }
        if (!matched) return false;
    }
    if (ExtList.empty()) return true;
    const std::string dotted = TWinPath::ExtractFileExt(name);
    if (dotted.size() < 2) return false; // none, or a bare "."
    const std::string ext = dotted.substr(1);
    for (const std::string& e : ExtList)
        if (e == ext) return true;
    return false;
}
