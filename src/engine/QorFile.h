#pragma once
// The record of one file: a page that is opened, a resource that a page
// refers to, an entry of a download queue, history or favorite list. Every
// holder keeps its own record and copies into it with Assign; records are
// not copied or moved otherwise (the owned URL notifies this very record).
#include "inet/InetURLEx.h"
#include "platform/Persistent.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class TQorFile : public TPersistent {
public:
    // Parses `url` into the owned URL object; Kind follows from the parse.
    explicit TQorFile(std::string_view url = {});
    // A record of an address parsed already: as if made empty and then
    // given `parsed`'s components (Assign), with the kind they give.
    explicit TQorFile(const TInetURLEx& parsed);
    ~TQorFile() override = default;
    TQorFile(const TQorFile&) = delete;
    TQorFile& operator=(const TQorFile&) = delete;

    // Every inner run of spaces and tabs becomes one space; a run at either
    // end may survive as one space.
    void SetAnchorString(std::string_view text);
    // Bound to URL->OnChangeScheme: recomputes Kind after each parse of the
    // URL (2 for "file" and "hcp", 1 for a mail address, else 0).
    void URLChangeScheme(TInetURLEx* sender, const std::string& scheme);
    // Copies the URL's eight components (without firing its notification),
    // Kind, Referer, FromLocation, AnchorString and Post from another
    // TQorFile. Any other source is ignored.
    void Assign(const TPersistent* source) override;

    static constexpr uint8_t kWeb = 0;
    static constexpr uint8_t kMail = 1;
    static constexpr uint8_t kLocal = 2;

    uint8_t Kind = kWeb;
    std::unique_ptr<TInetURLEx> URL;
    std::string Referer;
    bool FromLocation = false;
    std::string AnchorString;
    bool Post = false;
};
