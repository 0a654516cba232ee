#pragma once

#include <QByteArray>
#include <QString>

namespace vesk {

// The ICCCM's COMPOUND_TEXT, the encoding older X toolkits (Xt, Motif, xmessage) give a window
// title that Latin-1 cannot hold: ISO 2022 escape sequences switch between character sets (the
// Latin, Greek, Cyrillic, Arabic and Hebrew halves, the Chinese, Japanese and Korean double-byte
// sets) and into UTF-8 or a named encoding for a stretch. A character no known set can give reads
// as U+FFFD; decoding never fails.
QString decodeCompoundText(const QByteArray& bytes);

} // namespace vesk
