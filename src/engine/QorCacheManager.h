#pragma once
// The page cache: pages fetched over the network are kept as files in the
// cache folder (the data folder's "Temporary\"), named CachePath + the MD5
// digest of the page address (its GetCompURL form, so that the host's
// letter case does not matter) + ".pcx". A file holds the page text exactly
// as it was parsed, already in Shift-JIS, without any header. A page that
// came through redirections, kept under the address first asked for, also
// holds after the text a zero byte and "Location:" final address, newline,
// "Referer:" referer, newline: its relative links are read against the
// final address again. The same
// folder holds the download engine's work files (".pcf", ".pch"); Clear removes
// both kinds.
//
// Threads: Load runs in a cache load thread, Save in a page load thread at
// the end of its load, Clear and the setters in the main thread; the owning
// load manager never lets Load and Save overlap and holds a lock around Save,
// Clear and the setters. Text is the only field Load and Save share. Several managers (and several instances of the
// program) may share one folder: a save replaces its file atomically, so a
// reader never sees a page cut short.
#include <cstdint>
#include <string>
#include <string_view>

class TQorUncachePage;

class TQorCacheManager {
public:
    // Cache folder with a trailing "\" (one is added when missing). While it
    // is empty there is no cache: nothing is found, saved or cleared.
    std::string CachePath;
    // The page text to store (Save) or the text last read (Load).
    std::string Text;
    // Limit of the ".pcx" files in the folder, in megabytes.
    unsigned int CacheSize = 5;
    // Where the page really came from (Save writes them, Load reads them);
    // empty for a page kept under its own address.
    std::string FinalURL;
    std::string FinalReferer;
    // Pages never served from the cache; not owned, may be none.
    TQorUncachePage* UncachePage = nullptr;

    // The cache file name of an address (comparison form); empty while
    // CachePath is empty.
    std::string GetCacheFileName(std::string_view address) const;

    // Whether the page may be served from the cache. False at once, `path`
    // untouched, when an UncachePage entry covers the address; otherwise
    // `path` is set to the cache file and true when it exists, or emptied
    // and false.
    bool IsCached(std::string_view address, std::string& path) const;
    // Empties Text, FinalURL and FinalReferer and, when the page is cached,
    // reads its file into Text up to the first zero byte, and the final
    // address behind it when there is one. False when not cached or
    // unreadable.
    bool Load(std::string_view address);
    // Writes Text (and FinalURL, FinalReferer when FinalURL is set) as the
    // page's cache file (whether or not the uncache list
    // covers it: such pages are stored, only never read), then trims the
    // folder: while the ".pcx" files together exceed CacheSize megabytes,
    // the oldest by modification time are deleted (the just-written file
    // counts as the newest among equal times), down to the limit; a page
    // larger than the whole limit goes as well. False when the file cannot
    // be written (an older copy of the page is then deleted) or a deletion
    // fails (a file already gone counts as deleted).
    bool Save(std::string_view address);
    // Deletes every file whose lower-case extension begins with ".pcx" or
    // is ".pcf" or ".pch". False at the first deletion that fails (a file that is
    // already gone counts as deleted); true otherwise, also for an empty or
    // missing folder.
    bool Clear();

private:
    bool Trim(const std::string& writtenName) const;
    std::string Folder() const;
};
