#pragma once
// One favorite: an address and the title shown for it.
#include "platform/Persistent.h"

#include <string>

class TFavoriteItem : public TPersistent {
public:
    // Copies both fields from another TFavoriteItem; any other source does
    // nothing.
    void Assign(const TPersistent* source) override;

    std::string URL;
    std::string Title;
};
