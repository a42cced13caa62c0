#pragma once
// One item of a scanned page: a tag (its lower-case name and attributes) or
// the text between two tags. Parsing never fails: markup it cannot read
// gives an empty TagName or fewer attributes.
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct TTagAttribute {
    std::string Name;
    std::string Value;
};

// The attributes of a tag as an insertion-ordered name/value list. Names are
// looked up without regard to the case of A-Z (the parser stores them in
// lower case); a missing name reads as an empty value. Setting an empty
// value removes the name, setting a known name replaces its value in place,
// a new name goes to the end: the rules of a name=value string list.
//
// Clear keeps the texts' buffers, so that one object reused for tag after
// tag (the page scan does that) allocates nothing once it has seen a few
// tags; nothing of an earlier tag is visible after Clear.
class TTagAttributes {
public:
    // Inline, so that a name written in lower case (as every caller's is)
    // is known to need no lowering where it is asked for.
    const std::string& Value(std::string_view name) const {
        const size_t i = HasUpperAscii(name) ? FindLowered(name) : FindIndex(name);
        return i == std::string::npos ? EmptyValue() : entries_[i].pair.Value;
    }
    bool Contains(std::string_view name) const {
        return (HasUpperAscii(name) ? FindLowered(name) : FindIndex(name)) != std::string::npos;
    }
    void SetValue(std::string_view name, std::string_view value);
    void Clear();

    size_t Count() const { return live_; }
    // The pairs in order.
    std::vector<TTagAttribute> List() const;
    template <typename Fn>
    void ForEach(Fn&& fn) const {
        for (size_t i = 0; i < used_; ++i)
            if (entries_[i].alive) fn(entries_[i].pair.Name, entries_[i].pair.Value);
    }

private:
    struct Entry {
        TTagAttribute pair;
        bool alive = true;
    };
    // Removed entries stay as tombstones until they outnumber the live ones,
    // so that many removals in one huge tag stay linear. The hash index is
    // built only once a tag has more than a handful of names.
    static constexpr size_t kLinearLimit = 8;
    static constexpr bool HasUpperAscii(std::string_view s) {
        for (char c : s)
            if (c >= 'A' && c <= 'Z') return true;
        return false;
    }
    static const std::string& EmptyValue();
    size_t FindIndex(std::string_view lowerName) const;
    size_t FindLowered(std::string_view name) const; // FindIndex of its lower-case form
    void Compact();
    void RebuildIndex();

    // entries_[0, used_) are this tag's; the ones after them are buffers
    // kept from earlier tags.
    std::vector<Entry> entries_;
    std::unordered_map<std::string, size_t> index_;
    size_t used_ = 0;
    size_t live_ = 0;
};

class TInetTagObjectEx {
public:
    TInetTagObjectEx() = default;
    explicit TInetTagObjectEx(std::string text);

    // Source = text, then SetAttributeList(Source): an item reused for the
    // next item of a scan, reusing its buffers.
    void Reset(std::string_view text);

    // Parses `text` into TagName/Attributes (a text starting with "<") or
    // Text (anything else). Clears the results of an earlier call; Source
    // is left as the constructor set it.
    void SetAttributeList(std::string_view text);

    std::string Source;
    std::string TagName;
    TTagAttributes Attributes;
    std::string Text;
    // Whether SetAttributeList fills Text for a text item; a scan whose
    // reader seldom wants it turns this off and asks TextOf(Source).
    bool WantText = true;
    // Text as SetAttributeList makes it from a text item: line breaks and
    // tabs removed, then trimmed.
    static std::string TextOf(std::string_view text);
    // Set by the page scanner: white space (or a line break) stood in the
    // page between the previous item and this one, and was trimmed away.
    bool SpaceBefore = false;

private:
    std::string scratch_; // a value being read, reused from tag to tag
};
