#pragma once

#include <QString>
#include <optional>

namespace vesk {

// "1 source", "2 sources", "0 sources": the number in decimal, a space and the noun, with "s"
// added unless the number is 1.
QString countPhrase(qint64 n, const QString& noun);
// The same for a noun whose plural is not the noun and "s" ("1 guess", "2 guesses").
QString countPhrase(qint64 n, const QString& one, const QString& many);
// A count the daemon may not have given: without one, "observations unavailable".
QString countPhrase(std::optional<qint64> n, const QString& noun);

// The separator between the parts of a line: two spaces, a middle dot, two spaces.
inline const QString separator = QStringLiteral("  ·  ");

} // namespace vesk
