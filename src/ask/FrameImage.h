#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <functional>
#include <optional>

class QObject;

namespace vesk::FrameImage {

// Reads a screenshot at the size it will be shown: only a regular file is read, opened without
// blocking (a FIFO or a device in its place is never waited on), and decoded scaled down to fit
// `box` with its proportions kept. Nothing when the path names no readable image.
std::optional<QImage> read(const QString& path, const QSize& box);

// The pixels a picture shown at `logical` size needs at most, on this screen.
QSize devicePixels(QSize logical);

// The same off the main thread: `done` runs on the main thread with the result, unless `context`
// is gone by then.
void load(const QString& path, const QSize& box, const QObject* context,
          std::function<void(std::optional<QImage>)> done);

} // namespace vesk::FrameImage
