#pragma once

#include "ToolWindow.h"

#include <QList>
#include <QRectF>

namespace vesk {

class FrameView;

// A window that shows one frame as large as the screen allows, resizable, with the marks the
// inspector showed. Escape closes it, and so does Ctrl+W, as it closes any viewer.
class FrameWindow : public ToolWindow {
    Q_OBJECT
public:
    explicit FrameWindow(PresentationMode& presentation, QWidget* parent = nullptr);
    // Shows `path` (read off the main thread) with `highlights`, replacing what it showed; nothing
    // while presenting.
    void open(const QString& path, const QList<QRectF>& highlights, const QString& title);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    FrameView* view = nullptr;
};

} // namespace vesk
