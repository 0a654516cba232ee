#include "FrameImage.h"

#include "MainThread.h"
#include "RegularFile.h"

#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QThreadPool>
#include <cmath>
#include <unistd.h>

namespace vesk::FrameImage {

std::optional<QImage> read(const QString& path, const QSize& box)
{
    const int fd = openRegular(QFile::encodeName(path));
    if (fd < 0)
        return std::nullopt;
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
    QImageReader reader(&file);
    reader.setAutoTransform(true);
    // Decoded at the size shown: a screenshot several times larger than its frame is never held
    // whole for longer than the decoder needs it.
    const QSize size = reader.size();
    if (size.isValid() && !box.isEmpty()) {
        const QSize fitted = size.scaled(box, Qt::KeepAspectRatio);
        if (fitted.width() < size.width())
            reader.setScaledSize(fitted.expandedTo(QSize(1, 1)));
    }
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    return image;
}

QSize devicePixels(QSize logical)
{
    const double ratio = qApp->devicePixelRatio();
    return QSize(static_cast<int>(std::ceil(logical.width() * ratio)),
                 static_cast<int>(std::ceil(logical.height() * ratio)));
}

void load(const QString& path, const QSize& box, const QObject* context,
          std::function<void(std::optional<QImage>)> done)
{
    QThreadPool::globalInstance()->start(
        [path, box, deliver = toReceiver(context, std::move(done))]() mutable { deliver(read(path, box)); });
}

} // namespace vesk::FrameImage
