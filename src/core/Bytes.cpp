#include "Bytes.h"

#include <QLocale>
#include <algorithm>

namespace vesk::Bytes {

std::optional<double> mebibytes(std::optional<qint64> bytes)
{
    if (!bytes || *bytes < 0)
        return std::nullopt;
    return static_cast<double>(*bytes) / 1048576.0;
}

std::optional<QString> megabytesText(std::optional<qint64> bytes)
{
    const auto mb = mebibytes(bytes);
    if (!mb)
        return std::nullopt;
    return QString::asprintf("%.1f", *mb);
}

QString fileSize(qint64 bytes)
{
    return QLocale().formattedDataSize(std::max<qint64>(bytes, 0), 1, QLocale::DataSizeSIFormat);
}

} // namespace vesk::Bytes
