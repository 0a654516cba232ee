#pragma once

#include <QString>
#include <optional>

// Every size the program writes, in one place.
namespace vesk::Bytes {

// Bytes in mebibytes (bytes ÷ 1,048,576); nothing for a count that is missing or negative, which
// a window shows as unavailable rather than as a size.
std::optional<double> mebibytes(std::optional<qint64> bytes);

// Stored bytes as the menu and the "Your data" window both show them: mebibytes with one decimal
// ("5.0"); nothing for a count that is missing or negative.
std::optional<QString> megabytesText(std::optional<qint64> bytes);

// A size as a file manager writes it, in decimal units and the user's locale ("0 bytes", "512 bytes",
// "1.2 MB"); a negative count is shown as zero.
QString fileSize(qint64 bytes);

} // namespace vesk::Bytes
