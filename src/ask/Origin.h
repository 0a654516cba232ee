#pragma once

#include <QString>

namespace vesk {

// The entity a view of the ask panel was opened from, so that it can go back: an entity page's
// own entity, or a synthetic one (id 0) for an evidence row or a claim.
struct Origin {
    qint64 id = 0;
    QString label;
    QString kind;
    qint64 sources = 0;
    bool operator==(const Origin&) const = default;
};

} // namespace vesk
