#pragma once
// Texts that go into one field of a line of a list file (proxy.dat,
// favorite.dat, ffilter.dat, urlrep.dat). A TAB would split the field and a
// CR or LF the line, so such bytes become blanks before the text is kept.
// CP932 trail bytes start at 0x40, so the bytes replaced here are always
// whole characters.
#include <string>
#include <string_view>

class TListFieldText {
public:
    // `text` with every TAB, CR and LF turned into a blank.
    static std::string Blanked(std::string_view text);
    // Whether `text` holds none of TAB, CR and LF.
    static bool IsStorable(std::string_view text);
};
