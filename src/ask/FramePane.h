#pragma once

#include "DaemonClient.h"
#include "Origin.h"

#include <QList>
#include <QObject>
#include <QRectF>
#include <QWidget>
#include <functional>

namespace vesk {

class FrameView;
class LoadingSection;
class ScrollColumn;

// The inspector's view of one frame: where and when it was captured, the screenshot with the
// lines that match what led here marked on it, and how long its pixels stay (or that they are gone
// and why). The screenshot is read off the main thread; a click on it opens it full size.
class FramePane : public QObject {
    Q_OBJECT
public:
    // The inspector's content width: its column less a margin of 10 on each side.
    static constexpr int width = 240;

    struct Callbacks {
        // The screenshot at `path` full size, with these marks, under this title.
        std::function<void(const QString& path, const QList<QRectF>& highlights, const QString& title)> openFull;
    };

    // Appends the view to the inspector's column and sends `frame`.
    FramePane(ScrollColumn& column, DaemonClient& client, qint64 frame, const Origin& origin, Callbacks callbacks,
              QObject* parent);

private:
    void render(const Reply& reply);

    Origin origin;
    Callbacks callbacks;
    LoadingSection* opening;
};

// A window that shows one frame as large as the screen allows, resizable, with the same marks.
class FrameWindow : public QWidget {
    Q_OBJECT
public:
    FrameWindow();
    // Shows `path` (read off the main thread) with `highlights`, replacing what it showed.
    void open(const QString& path, const QList<QRectF>& highlights, const QString& title);

private:
    FrameView* view = nullptr;
};

} // namespace vesk
