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

// The first `shown` characters of `text` and "…", never splitting a surrogate pair; `text` as it is
// when it fits.
QString cutWithEllipsis(QString text, qsizetype shown);
// The text's start and end around an ellipsis when it is longer than `shown` characters: for names
// whose end tells them apart.
QString cutInTheMiddle(const QString& text, qsizetype shown);

// A label from the daemon as a page draws it: a line or a few, so past 2,000 characters the rest
// is never seen and laying it out would only hold the main thread; cut there with "…".
std::optional<QString> shownLabel(std::optional<QString> text);

// The separator between the parts of a line: two spaces, a middle dot, two spaces.
inline const QString separator = QStringLiteral("  ·  ");

} // namespace vesk
