#pragma once
// Finds the exact native path of the file or folder a local record stands
// for, so that file actions never reach another file.
//
// A folder listing turns each name into an address, and that is lossy: a
// name holding "?" or "#" loses its tail to the query or the anchor, "\"
// and "|" change into separators, and a character with no CP932 form
// becomes "?". The record of "x?y.txt" thus names the file "x". A record
// maps back only when exactly one entry of its folder gives its address
// again, the way the listing makes addresses; the entry's own native name
// is then the path. Any other record has no path here.
//
// Each folder is listed once per resolver: make one for an action and drop
// it afterwards (the disk may change between actions).
#include "engine/QorFile.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class TLocalPathResolver {
public:
    // The native path (UTF-8 bytes as the file system has them) of the
    // entry a local "file" record names; "/" for the drive root; empty when
    // the record is no local file address or does not map back.
    std::string NativePath(const TQorFile& record);
    // The native path of a Windows-form folder ("C:\a\b\"), each of its
    // names matched to exactly one folder on disk; empty when none.
    std::string NativeFolder(std::string_view winFolder);

private:
    struct TEntry {
        std::string Name;   // CP932, as the folder listing shows it
        std::string Native; // the entry's own bytes
        bool IsFolder = false;
    };
    struct THit {
        int Count = 0;
        const TEntry* Entry = nullptr;
    };
    using THits = std::unordered_map<std::string, THit>;
    struct TListing {
        std::vector<TEntry> Entries;
        THits ByName;
        // Per folder address (a URL Dir such as "/C|/a/"): GetCompURL of
        // each entry's address under it.
        std::unordered_map<std::string, THits> ByAddress;
    };

    TListing& List(const std::string& native);
    const THits& Addresses(TListing& listing, const std::string& dirPart);

    std::unordered_map<std::string, TListing> listings_;     // by native folder
    std::unordered_map<std::string, std::string> folders_;    // Windows form -> native
};
