#pragma once

#include <QByteArray>

namespace vesk {

// Opens `path` (file-system bytes) read-only when it is a regular file; -1 otherwise, with errno
// saying why: ENOENT when nothing is there, EINVAL for a folder, FIFO or device. Opened without
// blocking and checked after opening, so whatever is put at the path never hangs the reader.
int openRegular(const QByteArray& path);

} // namespace vesk
