// Extracts the records of arbitrary bytes as a page at a fixed address,
// with the options taken from the first byte (every combination of the
// switches that shape the records, and each forced charset), checks what
// must hold for any page, and compares the one-pass text helpers with
// their literal readings on the same bytes.
#include "engine/QorPageItems.h"
#include "engine/QorURLReplace.h"

#include "../tests/engine/LiteralPageText.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

const TQorURLReplace& Rules() {
    static const TQorURLReplace* rules = [] {
        auto* r = new TQorURLReplace();
        r->Add("http://www.example.com:8080/dir/img/", "http://mirror.example.com/");
        r->Add("http://mirror.example.com/old/", "http://www.example.com/new/");
        return r;
    }();
    return *rules;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const unsigned options = data[0];
    const std::string page(reinterpret_cast<const char*>(data) + 1, size - 1);

    TQorPageItems items;
    items.SetPageFile(TQorFile("http://user:pw@www.example.com:8080/dir/sub/page.html"));
    items.ForceCharset = static_cast<TCharsetType>(options % 5);
    const unsigned bits = options / 5; // 0..51: all 32 combinations of the first five switches
    items.SearchAnchor = bits & 1;
    items.SearchAnchorStr = bits & 2;
    items.DuplicateAnchor = bits & 4;
    items.SearchFile = bits & 8;
    items.DetectCharset = bits & 16;
    items.AutoReferer = !(bits & 32);
    items.Replacer = &Rules();
    items.SetSource(page);

    Check(items.FileKeys.size() == items.Files.size());
    Check(items.GetFile(items.GetCount()) == nullptr && items.GetFile(-1) == nullptr);
    std::unordered_set<std::string> keys;
    for (int i = 0; i < items.GetCount(); ++i) {
        const TQorFile* f = items.GetFile(i);
        Check(f != nullptr && !f->Post && !f->FromLocation);
        bool fresh = keys.insert(TSjisText::LowerCase(items.FileKeys[static_cast<size_t>(i)])).second;
        Check(fresh || items.DuplicateAnchor);
        // A link text is always a folded one.
        TQorFile copy;
        copy.SetAnchorString(f->AnchorString);
        Check(copy.AnchorString == f->AnchorString);
    }
    if (!items.SearchAnchorStr)
        for (const auto& f : items.Files) Check(f->AnchorString.empty());

    // The one-pass helpers against the literal ones.
    Check(TQorPageItems::ChangeHTMLSymbol(page) == literal::ChangeHTMLSymbol(page));
    static const char* const kBases[] = {"", "http://b/x/", "b/", "http://b.c../"};
    const char* base = kBases[options & 3];
    Check(items.ExpandRelativePath(page, base) == literal::ExpandRelativePath(page, base, *items.PageFile->URL));

    // The page cut at line ends into the pieces of one link text.
    TQorAnchorText text;
    TQorFile record;
    size_t from = 0;
    while (from <= page.size()) {
        size_t end = page.find('\n', from);
        if (end == std::string::npos) end = page.size();
        std::string_view piece = std::string_view(page).substr(from, end - from);
        text.Append(piece);
        literal::AppendAnchor(record, piece);
        Check(text.Text() == record.AnchorString);
        Check(text.Empty() == record.AnchorString.empty());
        from = end + 1;
    }
    return 0;
}
