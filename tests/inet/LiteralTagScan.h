#pragma once
// The page scan done the slow, literal way: the program's patterns run with
// TExRegexp over copies whose front is cut off after every match. The fast
// scanner must give exactly these items; tests and the fuzz target compare
// the two on small pages.
#include "inet/ExRegexp.h"
#include "inet/InetTagObjectEx.h"
#include "platform/HalfWidth.h"
#include "platform/SjisText.h"

#include <cstddef>
#include <string>
#include <vector>

struct TLiteralItem {
    std::string Source;
    std::string TagName;
    std::string Text;
    std::vector<TTagAttribute> Attributes;
};

// name=value list rules: an empty value removes, a known name is replaced
// in place, a new one is appended.
inline void LiteralSetValue(std::vector<TTagAttribute>& list, const std::string& name, const std::string& value) {
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].Name == name) {
            if (value.empty())
                list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
            else
                list[i].Value = value;
            return;
        }
    if (!value.empty()) list.push_back({name, value});
}

inline TLiteralItem LiteralParse(const std::string& text) {
    TLiteralItem item;
    item.Source = text;
    if (text.empty() || text[0] != '<') {
        item.Text = TSjisText::Trim(TSjisText::RemoveChars(text, "\t\r\n"));
        return item;
    }
    std::string rest = TSjisText::Trim(text.size() >= 2 ? text.substr(1, text.size() - 2) : std::string());
    TExRegexp tagName, firstName, laterName, equals, dq, sq, bq, unquoted;
    tagName.SetPattern("^[a-zA-Z0-9_/]+");
    firstName.SetPattern("[_a-zA-Z0-9\\-]+");
    laterName.SetPattern("[a-zA-Z0-9]+");
    equals.SetPattern("^[\\s\\r\\n\\t]*=[\\s\\r\\n\\t]*");
    dq.SetPattern("^\"[^\"]*\"");
    sq.SetPattern("^'[^']*'");
    bq.SetPattern("^`[^`]*`");
    unquoted.SetPattern("[^\\r\\n\\t\\S]*");

    if (tagName.Find(rest, 0) <= 0) return item;
    item.TagName = TSjisText::LowerCase(tagName.Match);
    rest.erase(0, tagName.Match.size());
    if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);

    bool first = true;
    for (;;) {
        TExRegexp& namePattern = first ? firstName : laterName;
        int at = namePattern.Find(rest, 0);
        if (at <= 0) break;
        first = false;
        std::string name = TSjisText::LowerCase(namePattern.Match);
        rest.erase(static_cast<size_t>(at - 1), namePattern.Match.size());
        std::string value;
        if (equals.Find(rest, 0) == 1) {
            rest.erase(0, equals.Match.size());
            bool quoted = false;
            for (TExRegexp* quote : {&dq, &sq, &bq})
                if (quote->Find(rest, 0) == 1) {
                    value = TSjisText::RemoveChars(quote->Match.substr(1, quote->Match.size() - 2), "\t\r\n");
                    rest.erase(0, quote->Match.size());
                    quoted = true;
                    break;
                }
            if (!quoted) {
                int u = unquoted.Find(rest, 0);
                if (u >= 1) {
                    value = unquoted.Match;
                    rest.erase(static_cast<size_t>(u - 1), unquoted.Match.size());
                }
            }
        }
        LiteralSetValue(item.Attributes, name, TSjisText::Trim(value));
        if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
    }
    return item;
}

inline std::vector<TLiteralItem> LiteralScan(const std::string& html, bool searchURL, bool searchFile) {
    std::vector<TLiteralItem> items;
    std::string copy = html;
    TExRegexp tag;
    tag.SetPattern("<[^>]*>");
    for (;;) {
        int at = tag.Find(copy, 0);
        if (at <= 0) break;
        std::string before = TSjisText::Trim(copy.substr(0, static_cast<size_t>(at - 1)));
        if (!before.empty()) items.push_back(LiteralParse(before));
        items.push_back(LiteralParse(tag.Match));
        copy.erase(0, static_cast<size_t>(at - 1) + tag.Match.size());
    }
    if (!searchURL) return items;

    auto fake = [&](const std::string& href) {
        items.push_back(LiteralParse("<_fake_a href=\"" + href + "\"></_fake_a>"));
    };
    std::string text = THalfWidth::Convert(html);
    std::string kept;
    TExRegexp url;
    url.SetPattern("[a-z]+://[a-zA-Z0-9!#-&\\*-;=\\?-~]+");
    for (;;) {
        int at = url.Find(text, 0);
        if (at <= 0) break;
        fake(url.Match);
        if (searchFile) kept += text.substr(0, static_cast<size_t>(at - 1));
        text.erase(0, static_cast<size_t>(at - 1) + url.Match.size());
    }
    if (!searchFile) return items;
    kept += text;
    TExRegexp file;
    file.SetPattern("['\"][a-zA-Z0-9!#-&(-;=\\?-~]+\\.[a-zA-Z0-9!#-&(-;=\\?-~]+['\"]");
    for (;;) {
        int at = file.Find(kept, 0);
        if (at <= 0) break;
        std::string match = file.Match;
        if (match.find_first_of("()") == std::string::npos) {
            std::string name = TSjisText::Trim(match.substr(1, match.size() - 2));
            if (!name.empty() && name.back() != '+' && name.back() != '=') fake(name);
        }
        kept.erase(0, static_cast<size_t>(at - 1) + match.size());
    }
    return items;
}
