// The floor: the least a Qt tray application does before its event loop runs — the application
// object, a tray icon and a menu of 22 items — then one turn of the loop.
#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QImage image(36, 36, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setBrush(Qt::black);
        p.drawEllipse(4, 4, 28, 28);
    }
    QSystemTrayIcon icon(QIcon(QPixmap::fromImage(image)));
    QMenu menu;
    for (int i = 0; i < 22; ++i)
        menu.addAction(QStringLiteral("Item %1").arg(i));
    icon.setContextMenu(&menu);
    icon.setToolTip(QStringLiteral("floor"));
    icon.show();
    QTimer::singleShot(0, &app, [] {
        std::puts("ready");
        std::fflush(stdout);
        QCoreApplication::quit();
    });
    return app.exec();
}
