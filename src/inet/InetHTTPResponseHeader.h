#pragma once
// The parsed response header of one HTTP request: status, fields, the
// encoding the server announces, whether the body is text, the modification
// date and the file name the server suggests for saving.
//
// Filled by the HTTP worker thread (SetHeader) and read by the owner of the
// request after it has ended; no call is made from two threads at once.
// Parsing never fails: what cannot be read is left at its initial value.
#include "inet/CharsetType.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// Header fields by lower-case name, in the order the names first arrived.
// Set and Get take constant time, so a header of any size parses in linear time.
class TInetHeaderValues {
public:
    // The value stored under the lower-case form of `name`; empty when absent.
    std::string Get(std::string_view name) const;
    bool Has(std::string_view name) const;
    // Stores `value` under the lower-case form of `name`. A name already
    // present keeps its place and takes the new value; an empty value removes
    // the name.
    void Set(std::string_view name, std::string_view value);
    void Clear();
    size_t Count() const { return count_; }
    // (name, value) pairs in order.
    std::vector<std::pair<std::string, std::string>> Items() const;

private:
    struct Entry {
        std::string name;
        std::string value;
        bool removed = false;
    };
    void Compact();

    std::vector<Entry> entries_;
    std::unordered_map<std::string, size_t> index_;
    size_t count_ = 0;
};

class TInetHTTPResponseHeader {
public:
    // Every member back to its initial value.
    void Initialize();

    // Initialize, then parse `text`: a whole response or only its header.
    // Only the text before the first "\r\n\r\n" (or, when there is none, the
    // first "\n\n") is read, so a text that holds the whole header and its
    // blank line gives the same members however much of the body follows.
    // A header cut short is parsed as far as it goes: the fields of its
    // complete lines are read, and its last line as it stands.
    void SetHeader(std::string_view text);
    // The part of `text` that SetHeader reads.
    static std::string_view HeaderPart(std::string_view text);
    // True when the members are what SetHeader made of a text whose header
    // part is `part` (and nothing has changed them since through the calls
    // here), so parsing that text again would give them once more.
    bool ParsedFrom(std::string_view part) const { return parsed_ && RawHeader == part; }

    // Sets ModifiedDate from a Last-Modified value of the RFC 1123 form
    // ("Tue, 18 Apr 2006 12:34:56 GMT"), as the time in UTC+9 written
    // "yyyy/mm/dd hh:nn:ss". Any other form leaves ModifiedDate as it was.
    void CreateModifiedDate(std::string_view value);

    // The file name of the content-disposition field ("filename=" and all
    // that follows it) without the characters \ " | : / < > * ?, taken as
    // characters (the second byte of a double-byte character stays). Empty
    // when the field or its file name is missing.
    std::string GetAlias() const;

    std::string RawHeader;        // status line and fields, without the blank line
    int StatusCode = 0;           // 200 when the header holds no status number
    TInetHeaderValues Values;     // names lower-cased and trimmed, values trimmed
    bool IsText = true;           // false when a Content-Type without "text/" is present
    std::string ModifiedDate;     // Last-Modified as "yyyy/mm/dd hh:nn:ss" in UTC+9
    TCharsetType Charset = ctUnknown;

private:
    bool parsed_ = false;
};
