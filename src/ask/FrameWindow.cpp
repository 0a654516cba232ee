#include "FrameWindow.h"

#include "FrameImage.h"
#include "FrameView.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

namespace vesk {

FrameWindow::FrameWindow(PresentationMode& presentation, QWidget* parent)
    : ToolWindow(QString(), presentation, Qt::Window, Ink::ground(), parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

void FrameWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_W && (event->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) {
        close();
        return;
    }
    ToolWindow::keyPressEvent(event);
}

void FrameWindow::open(const QString& path, const QList<QRectF>& highlights, const QString& title)
{
    if (!mayShow())
        return;
    delete view;
    view = new FrameView(highlights, false, this);
    layout()->addWidget(view);
    setWindowTitle(title);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize most = screen ? screen->availableGeometry().size() * 0.9 : QSize(1280, 800);
    FrameImage::load(
        path, FrameImage::devicePixels(most), view, [this, shown = view, most](std::optional<QImage> image) {
            if (image)
                resize(QSizeF(image->size()).scaled(most, Qt::KeepAspectRatio).toSize().expandedTo(QSize(320, 200)));
            shown->setImage(std::move(image));
        });
    resize(most / 2);
    bringForward();
}

} // namespace vesk
