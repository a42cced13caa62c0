#pragma once
// The resources of one page: its text is converted to Shift-JIS, scanned
// for tags, and every address the page refers to (links, frames, scripts,
// images and their srcset candidates, picture and media sources, objects,
// embeds, image buttons, url() in style attributes and style elements, map
// areas, backgrounds, inline frames, meta refresh targets, linked files,
// plug-in parameters, playlist entries, the target of a form that needs no
// input, and addresses written in the text) becomes a resource record in
// Files, in the order of first appearance. Addresses are read as a browser
// reads them: references decoded before the fragment is cut, "//host" and
// "?query" and a relative base resolved against the page, and schemes that
// are not fetched (data:, tel:, about: ...) left out.
//
// Threads: SetHeaderInfo, SetSource and CreateFileInfo run on the thread
// that fills the extractor (a load thread, the cache thread, or the main
// thread for local pages). Cancel may come from any thread; it only sets a
// flag that SetSource reads between tags and ExpandRelativePath reads
// between dot segments. Files, Source, Title and Charset are read by others
// only once the filling thread has finished. There are no locks.
//
// Cost: SetSource is linear in the size of the page and of the records it
// lists (a record holds its whole address, so a long base address written
// once is paid for in every record made against it). The duplicate test
// goes through a hash index over FileKeys, the link text of the anchor
// being read grows in place (TQorAnchorText), and the text helpers each
// make one pass over their text.
#include "engine/QorFile.h"
#include "engine/QorURLReplace.h"
#include "engine/WrittenAddressTable.h"
#include "inet/CharsetType.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TInetHTTPResponseHeader;
class TInetTagObjectEx;

// The link text of one record while an anchor is read. Append(piece) leaves
// exactly what TQorFile::SetAnchorString(Text() + piece) would leave in
// AnchorString, but costs only the length of the piece (amortised), where
// folding the whole text again after every piece would cost the square of
// the anchor's length.
//
// How it works: the folded text is the trimmed words of the text joined by
// single spaces, then one space and the last word as it stands (see
// TQorFile::SetAnchorString). Appending only ever changes the last word and
// what follows it, so the text is kept in one buffer together with the
// shape of its last word; a space or tab in the piece closes that word in
// place (its blank end is cut, the first word loses its blank front too).
// The one subtle case is a word that ends in a lead byte once its blank end
// is cut (a lead byte followed by a control byte, which is not valid
// Shift-JIS): that lead byte takes the joining space as its second byte,
// so the word and the next one read as one word the next time round.
class TQorAnchorText {
public:
    // Starts again from `folded`, a text as SetAnchorString leaves it (any
    // other text starts from its folded form).
    void Reset(std::string_view folded = {});
    void Append(std::string_view piece);
    bool Empty() const { return buf_.size() == head_; }
    std::string Text() const { return buf_.substr(head_); }

private:
    static constexpr size_t npos = std::string::npos;
    void CloseWord();
    void AfterAppend();

    std::string buf_;        // the text is buf_[head_..]
    size_t head_ = 0;
    bool gap_ = false;       // the text holds a space or tab between words
    bool words_ = false;     // a word stands before the last one
    size_t last_ = 0;        // start of the last word
    // The last character of the last word that is not a single blank byte:
    // where it starts, where the word ends once its blank end is cut, and
    // whether that cut leaves its lead byte bare (a blank second byte).
    size_t solid_ = npos;
    size_t solidEnd_ = 0;
    bool solidCut_ = false;
    bool lead_ = false;      // the text ends in a lone lead byte that pairs with what comes next
    size_t run_ = npos;      // start of the trailing words that end in a bare lead byte
};

class TQorPageItems {
public:
    TQorPageItems();
    ~TQorPageItems();
    TQorPageItems(const TQorPageItems&) = delete;
    TQorPageItems& operator=(const TQorPageItems&) = delete;

    // Copies the page's record: relative addresses, the referer and the
    // inherited credentials and port come from it. Call before
    // SetHeaderInfo and SetSource.
    void SetPageFile(const TQorFile& file);
    // For pages fetched over the network, after the body arrived and
    // before SetSource: lists the Location target (FromLocation set) and
    // takes the header's charset. Charset is ctUnknown when header is null.
    // The header is not owned; SetSource forgets it again.
    void SetHeaderInfo(const TInetHTTPResponseHeader* header);
    // Converts the text (Charset is set), fills Source and Title and
    // appends the page's records to Files; Files is not cleared first. An
    // empty text only empties Source. A Cancel stops the walk over the
    // tags; the records found until then stay.
    void SetSource(std::string_view text);
    // The same, taking over the text's buffer when it needs no conversion.
    void SetSource(std::string&& text);
    void SetSource(const char* text) { SetSource(std::string_view(text)); }

    int GetCount() const { return static_cast<int>(Files.size()); }
    // The record at `index`; nullptr when the index is out of range.
    TQorFile* GetFile(int index) const;
    // Frees every record and empties Files and FileKeys.
    void ClearFileList();
    void Cancel() { Canceled.store(true, std::memory_order_relaxed); }

    // Lists the record of `address` (a mail address when `mail` is set), or
    // finds the one listed under the same key. Returns the record a caller
    // may give a link text: the new one, or a listed one whose link text is
    // still empty; otherwise nullptr.
    TQorFile* CreateFileInfo(std::string_view address, bool fromLocation, bool mail);

    // Makes a relative address absolute against `base` (used as given) or,
    // when base is empty, against the page, then removes "./" and "../"
    // segments. Stops removing them when Canceled is set and returns the
    // text as it stands.
    std::string ExpandRelativePath(std::string_view address, std::string_view base);
    // The same into `text` (not a view of `address` or `base`), reusing its room.
    void ExpandRelativePath(std::string_view address, std::string_view base, std::string& text);
    // 1-based position of the first `token`, or 0 when it is missing or
    // `stop` occurs before it.
    static int GetTokenPos(std::string_view text, std::string_view token, std::string_view stop);
    // Decodes "&amp;" (repeatedly, so "&amp;lt;" gives "<"), "&quot;",
    // "&gt;", "&lt;", "&nbsp;" and then numeric references ("&#65;",
    // "&#x41;"); a number that cannot be read stays as written.
    static std::string ChangeHTMLSymbol(std::string_view text);
    // The same into `result` (not a view of it), reusing its room.
    static void ChangeHTMLSymbol(std::string_view text, std::string& result);
    // The lower-case "charset=..." (or "encoding=...") declaration in front
    // of the body tag; empty when there is none or no body tag.
    static std::string GetMetaCharSet(std::string_view text);

    // At most this many addresses come from the ranges in square brackets
    // ("img[1-50].jpg") written in one page's text; a range that would pass
    // the limit is listed as written.
    static constexpr size_t kMaxRangeAddressesPerPage = 100000;

    // The duplicate keys of a page's records, index for index, in one buffer
    // of 8-byte words: each entry is its index, length and hash, then the key's
    // bytes. The keys are read often (every address of a page is looked up) and
    // live as long as the records; one string each would cost an allocation and
    // a cache miss apiece on a big page.
    class TFileKeys {
    public:
        size_t size() const { return starts_.size(); }
        bool empty() const { return starts_.empty(); }
        std::string_view operator[](size_t index) const { return Text(starts_[index]); }

    private:
        friend class TQorPageItems;
        struct Head {
            uint32_t index;
            uint32_t length;
            uint64_t hash;
        };
        static constexpr size_t kHeadWords = sizeof(Head) / sizeof(uint64_t);
        // Appends `key` with the hash of its lower-case form; the word where its
        // entry starts.
        uint32_t Append(std::string_view key, size_t hash);
        void Reserve(size_t count, size_t bytes);
        void Clear();
        const Head& HeadAt(uint32_t where) const { return *reinterpret_cast<const Head*>(words_.data() + where); }
        std::string_view Text(uint32_t where) const {
            return {reinterpret_cast<const char*>(words_.data() + where + kHeadWords), HeadAt(where).length};
        }

        std::vector<uint64_t> words_;
        std::vector<uint32_t> starts_;
    };

    std::unique_ptr<TQorFile> PageFile;
    std::string Source;
    std::string Title;
    bool SearchAnchor = false;
    const TInetHTTPResponseHeader* Header = nullptr;
    const TQorURLReplace* Replacer = nullptr;
    bool SearchAnchorStr = true;
    bool DuplicateAnchor = false;
    bool SearchFile = true;
    bool DetectCharset = true;
    TCharsetType ForceCharset = ctUnknown;
    bool AutoReferer = true;
    // The result, and the duplicate key of each record, index for index.
    // Read them freely; change them only through CreateFileInfo and
    // ClearFileList, which keep the hash index over the keys.
    std::vector<std::unique_ptr<TQorFile>> Files;
    TFileKeys FileKeys;
    TCharsetType Charset = ctUnknown;
    std::atomic<bool> Canceled{false};

private:
    struct TWalk;
    // Sets Charset; true with the converted text in `out`, false when the
    // text is Shift-JIS already.
    bool ConvertText(std::string_view text, std::string& out);
    // Title, then the records of Source.
    void Walk();
    void ProcessTag(const TInetTagObjectEx& tag, TWalk& walk);
    // `tag` is null for an address or file name found in the text.
    void ProcessAddress(std::string_view address, const TInetTagObjectEx* tag, TWalk& walk);
    // An address or file name found in the text, as its "_fake_a" item.
    void ProcessFound(std::string_view href, TWalk& walk);
    // An address beyond the tag's own (srcset, style, image button): a
    // record without link text, the anchor being read left alone. `decode`
    // is false for text that is not markup (a style element's).
    void ProcessMoreAddress(std::string address, TWalk& walk, bool decode = true);
    enum class TAddressKind { None, Web, Mail };
    // Cuts the fragment, and makes a decoded address the text of its
    // record; None for schemes that are not fetched (data:, tel: ...).
    TAddressKind ResolveAddress(std::string& address, const TWalk& walk);
    // ResolveAddress, then CreateFileInfo for what it gives: the record, or
    // null. An address written the same way as one met before in the walk
    // under the same base (a page's link found again by the text search,
    // mostly) takes the answer found for that one.
    TQorFile* ResolveAndCreate(std::string_view written, const TWalk& walk);
    // "//host/x" and "?q", which the folder-relative expansion gets wrong,
    // made absolute against the base or the page.
    std::string ResolveReference(std::string address, const TWalk& walk) const;
    void SetBase(std::string base, TWalk& walk);
    void AppendAnchorPiece(std::string_view piece, TWalk& walk);
    // `text` decoded (and, for a text piece, with its breaks read as white
    // space) as a piece of the anchor's link text.
    void AppendAnchorText(std::string_view text, TWalk& walk, bool piece = true);
    bool ExpandRange(const std::string& address, TWalk& walk);
    std::string RemoveDotSegments(std::string text) const;
    std::string RemoveDotSegmentsAscii(std::string_view text) const;
    void TakePagePort(TInetURLEx& url) const;

    // The anchor record whose link text is being collected.
    void BindAnchor(TQorFile* record);
    void ReleaseAnchor();
    // Whether the record at `index` has no link text yet.
    bool AnchorTextEmpty(size_t index) const;
    // Notes the link text of a record made during the walk.
    void NoteAnchorText(size_t index, bool has);
    void ReplaceAnchorText(TQorFile* record, std::string_view text);

    // First index of each key of FileKeys, by its lower-case form: an open
    // table of the keys' hashes and where the key stands in FileKeys' one
    // buffer, whose entry holds the key's index, length and hash beside its
    // text. A repeated address thus costs a slot and one line of the buffer
    // (a key in a string of its own cost one miss more, and a node table
    // holding copies as much memory again as the keys).
    class TKeyIndex {
    public:
        // The index of `lower` (a lower-case key), or npos.
        size_t Find(std::string_view lower, size_t hash, const TFileKeys& keys) const;
        // Indexes the key just appended to `keys` under `hash` unless
        // `lookup` finds it known already.
        void Add(std::string_view lower, size_t hash, const TFileKeys& keys, bool lookup);
        void Reserve(size_t count, const TFileKeys& keys);
        void Clear();

    private:
        // Eight bytes a slot, so that more of a big page's table stays in
        // the cache: the high half of the hash and where the key's entry
        // starts in the buffer + 1 (0 for a free slot).
        struct Slot {
            uint32_t tag = 0;
            uint32_t where = 0;
        };
        void Grow(size_t slots, const TFileKeys& keys);
        std::vector<Slot> slots_;
        size_t count_ = 0;
    };
    // The page's own address forms, made once for the walk over its tags.
    struct TPageForms {
        bool valid = false;
        std::string fullDir, hostPath, portURL, compFullDirWithPort;
    };
    const std::string& PageFullDir();
    const std::string& PageHostPath();
    TKeyIndex keyIndex_;
    TPageForms forms_;
    TInetURLEx scratchURL_;   // the address being listed, parsed
    TQorURLReplace::TView replacing_; // Replacer's rules while the walk runs
    std::string keyBuf_;      // its key
    std::string keyLower_;    // and the key in lower case
    // Rooms reused from address to address: one decoded, one resolved, and
    // its expansion (swapped with it).
    std::string decoded_, resolving_, expanded_;
    TQorFile* anchorRecord_ = nullptr;
    size_t anchorIndex_ = 0;  // its index in Files
    TQorAnchorText anchorText_;
    // Whether each record made during the walk (from walkFirst_ on) has a
    // link text: a repeated address asks, and a record of its own is a
    // cache miss on a big page. Only the walk changes these records' texts.
    static constexpr size_t kNotWalking = SIZE_MAX;
    size_t walkFirst_ = kNotWalking;
    std::vector<uint8_t> hasText_;
    size_t lastIndex_ = 0;    // the record CreateFileInfo found or made last
    // Addresses as written (before ResolveAddress) and what they gave,
    // while the walk's base stays the same; only without DuplicateAnchor,
    // where an address always gives the same record.
    TWrittenAddressTable written_;
};
