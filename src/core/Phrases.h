#pragma once

#include <QString>

namespace vesk {

// "1 source", "2 sources", "0 sources": the number in decimal, a space and the noun, with "s"
// added unless the number is 1.
QString countPhrase(qint64 n, const QString& noun);

} // namespace vesk
