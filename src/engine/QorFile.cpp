#include "engine/QorFile.h"

#include "platform/SjisText.h"

#include <vector>

TQorFile::TQorFile(std::string_view url) : URL(std::make_unique<TInetURLEx>(url)) {
    // Parsed once, before the event is bound: the kind follows from the
    // final scheme, and for every scheme but "file" (always local) from
    // components the parse leaves as they were when it would have fired.
    URLChangeScheme(URL.get(), URL->Scheme);
    URL->OnChangeScheme = [this](TInetURLEx* sender, const std::string& scheme) { URLChangeScheme(sender, scheme); };
}

TQorFile::TQorFile(const TInetURLEx& parsed) : URL(std::make_unique<TInetURLEx>(parsed)) {
    // The components only, as Assign copies them.
    URL->WithPort = false;
    URLChangeScheme(URL.get(), URL->Scheme);
    URL->OnChangeScheme = [this](TInetURLEx* sender, const std::string& scheme) { URLChangeScheme(sender, scheme); };
}

void TQorFile::URLChangeScheme(TInetURLEx* sender, const std::string& scheme) {
    const TInetURLEx* url = sender ? sender : URL.get();
    if (scheme == "file" || scheme == "hcp")
        Kind = kLocal;
    else if (url && url->Host.empty() && TSjisText::FindChar(url->FileName, '@') != std::string::npos)
        Kind = kMail;
    else
        Kind = kWeb;
}

void TQorFile::SetAnchorString(std::string_view text) {
    // Read from the back: repeatedly take the part after the last space or
    // tab into the suffix, cut the text there and trim it. The positions of
    // the spaces and tabs are found in one forward walk (a tab or space right
    // after a lead byte is part of that character), and the suffix is kept
    // as a list of pieces, so that a long text stays linear.
    if (text.empty()) {
        AnchorString.clear();
        return;
    }
    std::vector<size_t> gaps;
    for (size_t i = 0; i < text.size(); i += TSjisText::CharLength(text, i))
        if (text[i] == ' ' || text[i] == '\t') gaps.push_back(i);

    auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    size_t b = 0, e = text.size();
    std::vector<std::string_view> pieces; // suffix pieces, last piece first
    while (!gaps.empty()) {
        size_t gap = gaps.back();
        gaps.pop_back();
        if (gap < b || gap >= e) continue; // trimmed away already
        pieces.push_back(text.substr(gap + 1, e - gap - 1));
        e = gap;
        while (e > b && blank(text[e - 1])) --e;
        while (b < e && blank(text[b])) ++b;
    }

    std::string out(text.substr(b, e - b));
    for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) {
        out.push_back(' ');
        out.append(*it);
    }
    AnchorString = std::move(out);
}

void TQorFile::Assign(const TPersistent* source) {
    const auto* other = dynamic_cast<const TQorFile*>(source);
    if (!other || other == this) return;
    URL->Assign(other->URL.get());
    Kind = other->Kind;
    Referer = other->Referer;
    FromLocation = other->FromLocation;
    AnchorString = other->AnchorString;
    Post = other->Post;
}
