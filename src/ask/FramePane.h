#pragma once

#include "DaemonClient.h"
#include "Origin.h"
#include "Page.h"

#include <QObject>

namespace vesk {

class Alerts;
class FrameWindow;
class InkButton;
class LoadingSection;

// The inspector's view of one frame: where and when it was captured, the screenshot with the
// lines that match what led here marked on it, and how long its pixels stay (or that they are gone
// and why). The screenshot is read off the main thread; a click on it opens it full size. A frame of
// a known application offers to stop capturing it, after a confirmation.
class FramePane : public Page {
    Q_OBJECT
public:
    // The inspector's content width: its column less a margin of 10 on each side.
    static constexpr int width = 240;

    // The view of `frame`, opened from `origin`, for the inspector's column; `viewer` shows the
    // screenshot full size; dialogs go through `alerts`.
    FramePane(ScrollColumn& inspector, DaemonClient& client, Alerts& alerts, FrameWindow& viewer, qint64 frame,
              const Origin& origin);

    QString hint() const override { return QStringLiteral("esc back to ") + origin.label; }
    bool inspector() const override { return true; }
    // Sends `frame`.
    void open() override;

private:
    void render(const Reply& reply);
    // Asks to stop capturing the application `bundleId` (named `appName` on the button).
    void startBlock(InkButton* button, const QString& bundleId, const QString& appName);

    DaemonClient& client;
    Alerts& alerts;
    FrameWindow& viewer;
    qint64 frame;
    Origin origin;
    LoadingSection* opening = nullptr;
};

} // namespace vesk
