#include "engine/FavoriteItem.h"

void TFavoriteItem::Assign(const TPersistent* source) {
    auto* from = dynamic_cast<const TFavoriteItem*>(source);
    if (!from || from == this) return;
    URL = from->URL;
    Title = from->Title;
}
