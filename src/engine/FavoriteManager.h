#pragma once
// The user's favorites, kept scrambled in favorite.dat (one favorite a line:
// URL TAB title, CR LF), and the items of the main window's favorites menu
// built from them.
//
// Threads: main thread only.
#include "engine/FavoriteItem.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// One item of the favorites menu, after its fixed items.
struct tagFAVORITEMENUITEM {
    std::string Caption;  // the title as it stands ("&" is no access key)
    std::string Shortcut; // "Ctrl+1" to "Ctrl+9" for the first nine, else empty
    std::string URL;
};

class TFavoriteManager {
public:
    int Count() const;
    // None outside 0..Count()-1.
    TFavoriteItem* GetItem(int index) const;
    // Appends a favorite and returns it. A TAB, CR or LF in the address or
    // title (a page title may hold line breaks) would break its line in the
    // file, so each becomes a blank.
    TFavoriteItem* Add(std::string_view url, std::string_view title);
    void Clear();

    // Adds the page shown: its title, or `planeURL` (the address without
    // user, password and port) when the title is empty, and its full
    // address. Returns the new favorite.
    TFavoriteItem* AddPage(std::string_view url, std::string_view title, std::string_view planeURL);

    // Empties the list, then reads the file: false when it is missing or
    // cannot be read. Each line is trimmed; empty lines and lines without a
    // TAB are skipped; the URL is the text before the first TAB, the title
    // all after it, further TABs included.
    bool LoadFromFile(std::string_view path);
    // Writes every favorite in order through the file protector: false when
    // the file could not be replaced, and the old file then stays.
    bool SaveToFile(std::string_view path) const;

    // The menu items, one per favorite in order.
    std::vector<tagFAVORITEMENUITEM> GetMenuItems() const;

private:
    std::vector<std::unique_ptr<TFavoriteItem>> items_;
};
