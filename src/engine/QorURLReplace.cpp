#include "engine/QorURLReplace.h"

#include "inet/InetURLEx.h"
#include "platform/FileOps.h"
#include "platform/SjisText.h"
#include "platform/TextLines.h"

namespace {

// Byte length of the first `chars` characters of `text` (all of it when it
// has fewer).
size_t CharsToBytes(std::string_view text, size_t chars) {
    size_t pos = 0;
    for (; chars > 0 && pos < text.size(); --chars) pos += TSjisText::CharLength(text, pos);
    return pos;
}

size_t CharCount(std::string_view text) {
    size_t count = 0;
    for (size_t pos = 0; pos < text.size(); pos += TSjisText::CharLength(text, pos)) ++count;
    return count;
}


} // namespace

TQorURLReplace::Rule TQorURLReplace::MakeRule(std::string_view target, std::string_view replace) {
    TInetURLEx parsed(target);
    return {{std::string(target), std::string(replace)}, parsed.GetCompURL(), CharCount(parsed.GetPortURL())};
}

TQorURLReplace::TQorURLReplace() : rules_(std::make_shared<RuleList>()) {}

TQorURLReplace::~TQorURLReplace() = default;

std::shared_ptr<const TQorURLReplace::RuleList> TQorURLReplace::Snapshot() const {
    std::lock_guard lock(mutex_);
    return rules_;
}

TQorURLReplace::RuleList& TQorURLReplace::Writable() {
    // Always a fresh copy: a reader that has just dropped its snapshot gives
    // no ordering that would make writing in place safe (use_count is a
    // relaxed read). Rules change only when the user edits them.
    rules_ = std::make_shared<RuleList>(*rules_);
    return *rules_;
}

void TQorURLReplace::Assign(const TPersistent* source) {
    auto* other = dynamic_cast<const TQorURLReplace*>(source);
    if (!other || other == this) return;
    auto copy = std::make_shared<RuleList>(*other->Snapshot());
    std::lock_guard lock(mutex_);
    rules_ = std::move(copy);
}

int TQorURLReplace::GetCount() const { return static_cast<int>(Snapshot()->size()); }

std::optional<tagQORURLREPLACEINFO> TQorURLReplace::GetItem(int index) const {
    auto rules = Snapshot();
    if (index < 0 || static_cast<size_t>(index) >= rules->size()) return std::nullopt;
    return (*rules)[index].Info;
}

tagQORURLREPLACEINFO TQorURLReplace::Add(std::string_view target, std::string_view replace) {
    Rule rule = MakeRule(target, replace);
    std::lock_guard lock(mutex_);
    Writable().push_back(rule);
    return rule.Info;
}

void TQorURLReplace::Clear() {
    auto empty = std::make_shared<RuleList>();
    std::lock_guard lock(mutex_);
    rules_ = std::move(empty);
}

bool TQorURLReplace::LoadFromFile(std::string_view path) {
    std::string data;
    if (!TFileOps::ReadWholeFile(path, data)) return false;
    auto rules = std::make_shared<RuleList>();
    TTextLines::ForEach(data, [&](std::string_view raw) {
        std::string line = TSjisText::Trim(raw);
        // A tab is never the second byte of a double-byte character.
        size_t tab = line.find('\t');
        if (tab == std::string::npos) return;
        rules->push_back(MakeRule(std::string_view(line).substr(0, tab), std::string_view(line).substr(tab + 1)));
    });
    std::lock_guard lock(mutex_);
    rules_ = std::move(rules);
    return true;
}

bool TQorURLReplace::SaveToFile(std::string_view path) const {
    auto rules = Snapshot();
    std::string data;
    for (const auto& rule : *rules) data += rule.Info.Target + "\t" + rule.Info.Replace + "\r\n";
    return TFileOps::WriteFileAtomically(path, data);
}

bool TQorURLReplace::Apply(TInetURLEx& url, std::string* address) const { return View().Apply(url, address); }

TQorURLReplace::TView TQorURLReplace::View() const {
    TView view;
    view.rules_ = Snapshot();
    return view;
}

bool TQorURLReplace::TView::Apply(TInetURLEx& url, std::string* address) const {
    bool applied = false;
    if (!rules_ || rules_->empty()) return false;
    for (const auto& rule : *rules_) {
        // Tested on the URL's parts: nearly every address of a page matches
        // no rule, and its comparison form need not be built for that.
        if (!url.CompURLStartsWith(rule.TargetComp)) continue;
        // The cut counts CP932 characters, not bytes. For an ordinary address
        // both full forms hold the matched prefix byte for byte, so the two
        // counts agree. Where they do not (a user name in the address, a
        // target ending in a stray lead byte) a byte count could leave the
        // second half of a double-byte character, which may be "\" or "/",
        // at the front of the rest; a character count never splits one.
        // The prefix is matched on the comparison form, which has no
        // credentials, so it is cut from the form without them as well: cut
        // from the full form, "user:password@" would shift the cut and
        // garble the address. The rewritten address may lead to another
        // host, so it does not carry the credentials along either.
        std::string full = url.GetPortURL();
        size_t cut = CharsToBytes(full, rule.TargetChars);
        std::string rewritten = rule.Info.Replace + full.substr(cut);
        url.SetURL(rewritten);
        if (address) *address = rewritten;
        applied = true;
    }
    return applied;
}
