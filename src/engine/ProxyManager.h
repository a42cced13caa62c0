#pragma once
// The user's named proxy servers, kept scrambled in proxy.dat (one proxy a
// line: name TAB host TAB port in decimal, CR LF), and the entries of the
// main window's proxy box built from them. Owned by TSetting.
//
// Threads: main thread only.
#include "engine/ProxyInfo.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TQorConnGeneral;

class TProxyManager {
public:
    int Count() const;
    // None outside 0..Count()-1.
    TProxyInfo* GetItem(int index) const;
    // Appends an entry and returns it. A TAB, CR or LF in the name or host
    // would break its line in the file, so each becomes a blank.
    TProxyInfo* Add(std::string_view name, std::string_view host, int port);
    void Clear();

    // Empties the list, then reads the file. A missing file leaves the list
    // empty and answers true; a file that is there but cannot be read
    // answers false. Each line holding two TABs gives an entry: the name
    // before the first, the host between them, the port after the second;
    // a line whose port is not a decimal integer (blanks around it allowed)
    // is skipped, as is every other line.
    bool LoadFromFile(std::string_view path);
    // Writes every entry in order through the file protector: false when
    // the file could not be replaced, and the old file then stays.
    bool SaveToFile(std::string_view path) const;

    // The proxy box: "（使わない）" (not used), then every name in order.
    std::vector<std::string> GetBoxEntries() const;
    // Choosing entry `index` of the box: the connection's proxy becomes
    // empty with port 0, then, for an entry above 0, the host and port of
    // proxy index - 1. False (and nothing changed) outside the box.
    bool ApplyBoxEntry(int index, TQorConnGeneral& conn) const;

private:
    std::vector<std::unique_ptr<TProxyInfo>> items_;
};
