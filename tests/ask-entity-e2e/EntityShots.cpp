// Screenshots of the entity page, a frame with its marked lines, a frame whose pixels are gone and
// the inbox, in the light and the dark appearance, against the daemon under $HOME
// (scripts/shots-entity starts veskd-demo in a private home).
//
//   vesk-entity-shots DIR
#include "AskWindow.h"
#include "FrameView.h"
#include "Ink.h"
#include "KeyPanel.h"
#include "NeighbourhoodView.h"
#include "PortalAppearance.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLabel>
#include <cstdio>
#include <functional>

using namespace vesk;

namespace {

bool waitFor(const std::function<bool()>& done, int ms = 8000)
{
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

bool shows(QWidget* root, const QString& text)
{
    for (QLabel* label : root->findChildren<QLabel*>())
        if (label->isVisibleTo(root) && label->text() == text)
            return true;
    return false;
}

bool save(AskWindow& window, const QDir& out, const QString& name, bool ready)
{
    if (!ready)
        std::fprintf(stderr, "vesk-entity-shots: %s did not finish loading; saved as it stands\n", qPrintable(name));
    const QString path = out.filePath(name + QStringLiteral(".png"));
    if (!window.panel->grab().save(path)) {
        std::fprintf(stderr, "vesk-entity-shots: could not write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: vesk-entity-shots DIR\n");
        return 2;
    }
    QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "vesk-entity-shots: cannot create %s\n", argv[1]);
        return 1;
    }
    DaemonClient client;
    PortalAppearance appearance;
    AskWindow window(client);
    window.show();
    window.setCompact(false);

    bool ok = true;
    for (const bool dark : {false, true}) {
        const QString suffix = dark ? QStringLiteral("-dark") : QStringLiteral("-light");
        appearance.apply(dark ? PortalAppearance::Scheme::dark : PortalAppearance::Scheme::light);
        waitFor([&] { return Ink::isDark(window.panel) == dark; }, 2000);

        const Origin harbor{1, QStringLiteral("Harbor"), QStringLiteral("project"), 0};
        window.closeInspector();
        window.openEntity(harbor);
        ok &= save(window, out, QStringLiteral("entity-page") + suffix, waitFor([&] {
                       return window.stackView->findChild<NeighbourhoodView*>()
                           && !shows(window.stackView, QStringLiteral("reading its sources…"));
                   }));

        window.openFrame(1, Origin{0, QStringLiteral("harbor-api"), QStringLiteral("evidence"), 1});
        ok &= save(window, out, QStringLiteral("frame-marked") + suffix, waitFor([&] {
                       const auto* frame = window.inspector->findChild<FrameView*>();
                       return frame && frame->image;
                   }));

        window.openFrame(12, harbor);
        ok &= save(window, out, QStringLiteral("frame-pixels-gone") + suffix,
                   waitFor([&] { return window.inspector->findChild<FrameView*>() != nullptr; }));

        window.openInbox();
        ok &= save(window, out, QStringLiteral("inbox") + suffix, waitFor([&] {
                       return !shows(window.stackView, QStringLiteral("Loading uncertain items…"))
                           && !shows(window.stackView, QStringLiteral("Loading recognised people and work…"));
                   }));
    }
    return ok ? 0 : 1;
}
