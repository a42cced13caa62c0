// Scans arbitrary bytes as a page with every search on, reads every item,
// checks what must hold for any page, and compares the result with the
// literal reading through the pattern engine.
#include "inet/InetHTMLEx.h"

#include "../tests/inet/LiteralTagScan.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string page(reinterpret_cast<const char*>(data), size);
    TInetHTMLEx html;
    html.HTML = page;
    html.SearchURL = true;
    html.SearchFile = true;
    html.UpdateTagList();

    size_t total = 0;
    for (int i = 0; i < html.GetCount(); ++i) {
        const TInetTagObjectEx* item = html.GetTag(i);
        Check(item != nullptr);
        total += item->Source.size() + item->TagName.size() + item->Text.size();
        for (char c : item->TagName)
            Check((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '/');
        if (!item->Text.empty()) Check(!IsBlank(item->Text.front()) && !IsBlank(item->Text.back()));
        item->Attributes.ForEach([&](const std::string& name, const std::string& value) {
            Check(!name.empty() && !value.empty());
            Check(!IsBlank(value.front()) && !IsBlank(value.back()));
            Check(item->Attributes.Value(name) == value);
            total += name.size() + value.size();
        });
    }
    Check(html.GetTag(html.GetCount()) == nullptr);

    std::vector<TLiteralItem> literal = LiteralScan(page, true, true);
    Check(literal.size() == static_cast<size_t>(html.GetCount()));
    for (size_t i = 0; i < literal.size(); ++i) {
        const TInetTagObjectEx* item = html.GetTag(static_cast<int>(i));
        Check(item->Source == literal[i].Source);
        Check(item->TagName == literal[i].TagName);
        Check(item->Text == literal[i].Text);
        std::vector<TTagAttribute> attrs = item->Attributes.List();
        Check(attrs.size() == literal[i].Attributes.size());
        for (size_t k = 0; k < attrs.size(); ++k)
            Check(attrs[k].Name == literal[i].Attributes[k].Name && attrs[k].Value == literal[i].Attributes[k].Value);
    }
    return total == static_cast<size_t>(-1);
}
