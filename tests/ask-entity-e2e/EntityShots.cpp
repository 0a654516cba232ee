// Screenshots of the entity page, a frame with its marked lines, a frame whose pixels are gone and
// the inbox, in the light and the dark appearance, against the daemon under $HOME
// (scripts/shots starts veskd-demo in a private home).
//
//   vesk-entity-shots DIR
#include "AskWindow.h"
#include "FrameView.h"
#include "Ink.h"
#include "KeyPanel.h"
#include "NeighbourhoodView.h"
#include "PortalAppearance.h"
#include "ShotTour.h"

#include <QApplication>
#include <QLabel>

using namespace vesk;
using vesk::test::ShotTour;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ShotTour tour;
    if (const std::optional<int> failed = tour.open(argc, argv))
        return *failed;
    DaemonClient client;
    PortalAppearance appearance;
    AskWindow window(client);
    window.show();
    window.setCompact(false);

    bool ok = true;
    for (const bool dark : {false, true}) {
        const QString suffix = dark ? QStringLiteral("-dark") : QStringLiteral("-light");
        appearance.apply(dark ? PortalAppearance::Scheme::dark : PortalAppearance::Scheme::light);
        ShotTour::waitFor([&] { return Ink::isDark(window.panel) == dark; }, 2000);

        const Origin harbor{1, QStringLiteral("Harbor"), QStringLiteral("project"), 0};
        window.closeInspector();
        window.openEntity(harbor);
        ok &= tour.save(window, QStringLiteral("entity-page") + suffix, ShotTour::waitFor([&] {
                       return window.stackView->findChild<NeighbourhoodView*>()
                           && !ShotTour::shows(window.stackView, QStringLiteral("reading its sources…"));
                   }));

        window.openFrame(1, Origin{0, QStringLiteral("harbor-api"), QStringLiteral("evidence"), 1});
        ok &= tour.save(window, QStringLiteral("frame-marked") + suffix, ShotTour::waitFor([&] {
                       const auto* frame = window.inspector->findChild<FrameView*>();
                       return frame && frame->image;
                   }));

        window.openFrame(12, harbor);
        ok &= tour.save(window, QStringLiteral("frame-pixels-gone") + suffix,
                   ShotTour::waitFor([&] { return window.inspector->findChild<FrameView*>() != nullptr; }));

        window.openInbox();
        ok &= tour.save(window, QStringLiteral("inbox") + suffix, ShotTour::waitFor([&] {
                       return !ShotTour::shows(window.stackView, QStringLiteral("Loading uncertain items…"))
                           && !ShotTour::shows(window.stackView, QStringLiteral("Loading recognised people and work…"));
                   }));
    }
    return ok ? 0 : 1;
}
