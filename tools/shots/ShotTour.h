#pragma once

#include "AskPanel.h"
#include "AskWindow.h"
#include "ScrollColumn.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <cstdio>
#include <functional>
#include <optional>

namespace vesk::test {

// The shared road of a screenshot tour of the ask panel: the folder from the command line, waits
// for a state to arrive and one PNG of the panel per state.
class ShotTour {
public:
    // `program DIR`; the exit code when the folder cannot be used.
    std::optional<int> open(int argc, char** argv)
    {
        program = argv[0] ? QDir(QString::fromLocal8Bit(argv[0])).dirName().toLocal8Bit() : QByteArray("shots");
        if (argc < 2) {
            std::fprintf(stderr, "usage: %s DIR\n", program.constData());
            return 2;
        }
        out.setPath(QString::fromLocal8Bit(argv[1]));
        if (!out.mkpath(QStringLiteral("."))) {
            std::fprintf(stderr, "%s: cannot create %s\n", program.constData(), argv[1]);
            return 1;
        }
        return std::nullopt;
    }

    static bool waitFor(const std::function<bool()>& done, int ms = 8000)
    {
        QDeadlineTimer deadline(ms);
        while (!done() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }

    // The widgets the panel shows now in its result column.
    static QWidget* column(const AskWindow& window) { return window.resultColumn()->content(); }

    // A key pressed in the panel's field, as the user presses it.
    static void press(AskWindow& window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QCoreApplication::sendEvent(window.fieldWidget(), &event);
    }
    // `text` typed into the field, then Return (Shift+Return searches).
    static void enter(AskWindow& window, const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        window.fieldWidget()->setText(text);
        press(window, Qt::Key_Return, modifiers);
    }

    static bool shows(QWidget* root, const QString& text)
    {
        for (QLabel* label : root->findChildren<QLabel*>())
            if (label->isVisibleTo(root) && label->text() == text)
                return true;
        return false;
    }

    bool save(AskWindow& window, const QString& name, bool ready)
    {
        if (!ready)
            std::fprintf(stderr, "%s: %s did not finish loading; saved as it stands\n", program.constData(),
                         qPrintable(name));
        QCoreApplication::sendPostedEvents(); // let the column lay itself out before the grab
        const QString path = out.filePath(name + QStringLiteral(".png"));
        if (!window.panelWidget()->grab().save(path)) {
            std::fprintf(stderr, "%s: could not write %s\n", program.constData(), qPrintable(path));
            return false;
        }
        std::printf("%s\n", qPrintable(path));
        return true;
    }

private:
    QByteArray program;
    QDir out;
};

} // namespace vesk::test
