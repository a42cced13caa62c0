#pragma once
// A flat scan of a page: every tag and every text run between two tags, in
// page order, as TInetTagObjectEx items; on request also the addresses and
// quoted file names written as plain text, as made-up "_fake_a" links. The
// scan never fails; broken markup gives fewer or odder items.
//
// Threads: UpdateTagList and everything that reads Items run on one thread
// at a time. Cancel may be called from any thread while UpdateTagList runs;
// the scan stops before its next item and keeps the items found so far.
// The whole scan is linear in the size of the page.
#include "inet/InetTagObjectEx.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TInetHTMLEx {
public:
    TInetHTMLEx() = default;
    ~TInetHTMLEx() = default;
    TInetHTMLEx(const TInetHTMLEx&) = delete;
    TInetHTMLEx& operator=(const TInetHTMLEx&) = delete;

    // Frees the old items, clears Cancelled and scans HTML into Items: tags
    // and text runs first (text after the last tag is not an item), then,
    // with SearchURL, the items of SearchObject(HTML).
    void UpdateTagList();
    // The same items in the same order, handed one at a time to `onItem`
    // instead of being listed: each in one reused item that is valid only
    // during the call, so a scan of a big page neither keeps every item nor
    // allocates for each. Scans `html` (HTML is not read) after clearing
    // Cancelled; `onItem` returns false to stop, as a Cancel does. Items
    // is left alone.
    using TItemHandler = std::function<bool(const TInetTagObjectEx& item)>;
    void ScanItems(std::string_view html, const TItemHandler& onItem);
    // The same, but the addresses and file names found in the text (the
    // "_fake_a" items) go to `onFound` as the href such an item would hold,
    // without an item made for them. They hold printable ASCII without
    // blanks, quotes or angle brackets, so the item's href is exactly that.
    using TFoundHandler = std::function<bool(std::string_view href)>;
    void ScanItems(std::string_view html, const TItemHandler& onItem, const TFoundHandler& onFound);
    int GetCount() const { return static_cast<int>(Items.size()); }
    // The item at `index`, or nullptr when the index is out of range.
    TInetTagObjectEx* GetTag(int index) const;
    // Appends an "_fake_a" item for every bare address in `text` and, with
    // SearchFile, for every quoted file name outside those addresses. The
    // text is folded to half-width forms for this search only.
    void SearchObject(std::string_view text);
    void Cancel() { Cancelled.store(true, std::memory_order_relaxed); }
    void ClearTagList() { Items.clear(); }

    std::string HTML;
    std::vector<std::unique_ptr<TInetTagObjectEx>> Items;
    bool SearchURL = false;
    bool SearchFile = false;
    // Whether ScanItems fills each text item's Text (TInetTagObjectEx::WantText).
    bool ItemText = true;
    std::atomic<bool> Cancelled{false};

private:
    bool Stopped() const { return Cancelled.load(std::memory_order_relaxed); }
    // The scans behind both forms: `onItem(text, spaceBefore)` for each tag
    // or text item, `onFake(href)` for each made-up link; false stops.
    template <typename Item>
    void ScanTags(std::string_view html, Item&& onItem);
    template <typename Fake>
    void ScanObjects(std::string_view text, Fake&& onFake);
    static void FakeLinkText(std::string_view href, std::string& tag);
};
