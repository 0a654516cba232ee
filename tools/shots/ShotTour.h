#pragma once

#include "Alerts.h"
#include "AskPanel.h"
#include "AskWindow.h"
#include "Clock.h"
#include "Defaults.h"
#include "InkButton.h"
#include "PresentationMode.h"
#include "ScrollColumn.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <deque>
#include <functional>
#include <optional>

namespace vesk::test {

// The settings a tour's windows read, in a folder of the tour's own, with presentation mode off.
struct TourSettings {
    QTemporaryDir dir;
    Defaults defaults{dir.filePath(QStringLiteral("defaults.json"))};
    PresentationMode presentation{defaults};
};

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

    // The visible button under `root` that reads `title`, or null.
    static InkButton* button(QWidget* root, const QString& title)
    {
        for (InkButton* b : root->findChildren<InkButton*>())
            if (b->isVisibleTo(root) && b->text().replace(QStringLiteral("&&"), QStringLiteral("&")) == title)
                return b;
        return nullptr;
    }

    bool save(AskWindow& window, const QString& name, bool ready)
    {
        if (!ready)
            std::fprintf(stderr, "%s: %s did not finish loading; saved as it stands\n", program.constData(),
                         qPrintable(name));
        QCoreApplication::sendPostedEvents(); // let the column lay itself out before the grab
        return save(window.panelWidget()->grab().toImage(), name);
    }
    bool save(const QImage& image, const QString& name)
    {
        const QString path = out.filePath(name + QStringLiteral(".png"));
        if (image.isNull() || !image.save(path)) {
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

// Dialogs as the panel's message boxes show them, each saved under the name set for it, then
// answered with the button queued for it (or dismissed when none is).
class ShotAlerts final : public Alerts {
public:
    explicit ShotAlerts(ShotTour& tour)
        : tour(tour)
    {
    }

    // The next dialog is saved as `name` and answered with `button`.
    void expect(const QString& name, int button = aborted) { expected.push_back({name, button}); }
    bool allSaved() const { return ok && expected.empty(); }

    AlertResult present(const AlertSpec& alert) override
    {
        const auto [name, button]
            = expected.empty() ? std::pair(QStringLiteral("alert-unexpected"), int(aborted)) : expected.front();
        if (!expected.empty())
            expected.pop_front();
        QImage shot;
        QTimer::singleShot(0, qApp, [&shot] {
            ShotTour::waitFor([] { return QApplication::activeModalWidget() != nullptr; }, 2000);
            if (QWidget* box = QApplication::activeModalWidget()) {
                ShotTour::waitFor([box] { return box->isVisible(); }, 2000);
                shot = box->grab().toImage();
            }
            abortModalDialogs();
        });
        MessageBoxAlerts(QApplication::activeWindow()).present(alert);
        ok &= tour.save(shot, name);
        return AlertResult{button, alert.accessoryChecked, alert.fieldText};
    }

private:
    ShotTour& tour;
    std::deque<std::pair<QString, int>> expected;
    bool ok = true;
};

} // namespace vesk::test
