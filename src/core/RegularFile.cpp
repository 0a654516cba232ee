#include "RegularFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vesk {

int openRegular(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return -1;
    struct stat st { };
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
        return fd;
    ::close(fd);
    errno = EINVAL;
    return -1;
}

} // namespace vesk
