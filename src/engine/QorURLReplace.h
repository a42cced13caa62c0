#pragma once
// The user's address replacement rules (urlrep.dat): an address that begins
// with a rule's target has that part replaced by the rule's replacement.
// The main window owns the rules and edits them; the page item extractor
// applies them on its load thread to every address it lists.
//
// Threads: every call may come from any thread. The rule list is shared as
// an immutable snapshot, so Apply on a load thread always sees one whole
// list (the old one or the new one) while the main thread loads, assigns or
// edits the rules, and it runs no callback under a lock.
#include "platform/Persistent.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TInetURLEx;

// One rule.
struct tagQORURLREPLACEINFO {
    std::string Target;  // address prefix to look for
    std::string Replace; // text put in its place
};

class TQorURLReplace : public TPersistent {
public:
    TQorURLReplace();
    ~TQorURLReplace() override;

    // Copies the rules of another TQorURLReplace in one step (an editor works
    // on a copy and assigns it back); any other source does nothing.
    void Assign(const TPersistent* source) override;

    int GetCount() const;
    // A copy of the rule at `index`; none when the index is out of range.
    std::optional<tagQORURLREPLACEINFO> GetItem(int index) const;
    // Appends a rule as given (no check for duplicates or empty texts) and
    // returns a copy of it.
    tagQORURLREPLACEINFO Add(std::string_view target, std::string_view replace);
    void Clear();

    // Reads urlrep.dat: one rule a line, target TAB replacement, CR LF or LF
    // line ends. Each line is trimmed (bytes up to 0x20 at both ends); an
    // empty line or one without a tab is skipped; the text after the first
    // tab, further tabs included, is the replacement. So a rule whose
    // replacement is empty does not survive a save and load. False when the
    // file cannot be read: the rules stay as they were. Otherwise the rules
    // are replaced by those of the file (none for an empty file) and true.
    bool LoadFromFile(std::string_view path);
    // Writes every rule as target TAB replacement CR LF, in list order. The
    // file is replaced atomically: a failure or a crash leaves the old file.
    bool SaveToFile(std::string_view path) const;

    // Rewrites an address with the rules, in list order. For each rule the
    // target is parsed as an address; when url.GetCompURL() begins with the
    // target's GetCompURL(), the new address text is the rule's replacement
    // followed by url.GetPortURL() without as many leading characters as the
    // target's GetPortURL() has, and url is parsed again from it (SetURL, so
    // OnChangeScheme fires), so a later rule sees the rewritten address and
    // rules chain. Each rule is tried once.
    //
    // Returns true when at least one rule applied. `address`, when given,
    // must hold the text url was parsed from; it receives the last
    // rewritten text (the extractor makes its record from that text, which
    // can differ from url.GetURL(), e.g. in an anchor), and is left alone
    // when no rule applies.
    //
    // The forms without credentials are used on both sides, so an address
    // with "user:password@" is cut at the matched prefix; the rewritten
    // address leaves the credentials out.
    bool Apply(TInetURLEx& url, std::string* address = nullptr) const;

private:
    // A rule with its target parsed once, when the rule is made, so that
    // applying the rules to every address of a page parses nothing.
    struct Rule {
        tagQORURLREPLACEINFO Info;
        std::string TargetComp;  // GetCompURL of the target
        size_t TargetChars = 0;  // characters of GetURL of the target
    };
    static Rule MakeRule(std::string_view target, std::string_view replace);
    using RuleList = std::vector<Rule>;

public:
    // The rules as they were when View was called, applied without asking
    // the list again: a page's walk applies them to every address.
    class TView {
    public:
        bool Apply(TInetURLEx& url, std::string* address = nullptr) const;

    private:
        friend class TQorURLReplace;
        std::shared_ptr<const RuleList> rules_;
    };
    TView View() const;

private:
    std::shared_ptr<const RuleList> Snapshot() const;
    // A copy of the current list, made current, to change. Called with
    // mutex_ held.
    RuleList& Writable();

    mutable std::mutex mutex_;
    std::shared_ptr<RuleList> rules_;
};
