// Screenshots of the entity page, a frame with its marked lines, a frame whose pixels are gone and
// the inbox, in the light and the dark appearance, against the daemon under $HOME
// (scripts/shots starts veskd-demo in a private home). Everything is reached as a user would:
// entity pages by their id, frames by their source rows, the inbox by Ctrl+K.
//
//   vesk-entity-shots DIR
#include "AskPanel.h"
#include "AskWindow.h"
#include "FrameView.h"
#include "Ink.h"
#include "NeighbourhoodView.h"
#include "PortalAppearance.h"
#include "Row.h"
#include "ScrollColumn.h"
#include "ShotTour.h"

#include <QApplication>
#include <QMouseEvent>

using namespace vesk;
using vesk::test::ShotTour;

namespace {

FrameView* frame(const AskWindow& window)
{
    return window.inspectorColumn()->content()->findChild<FrameView*>();
}

// The page's source groups: the framed rows that open a frame.
QList<Row*> sourceRows(const AskWindow& window)
{
    QList<Row*> rows;
    for (Row* row : ShotTour::column(window)->findChildren<Row*>())
        if (row->opens() && !row->isPlain())
            rows << row;
    return rows;
}

void click(QWidget* view)
{
    const QPointF at(10, 10);
    QMouseEvent press(QEvent::MouseButtonPress, at, view->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(view, &press);
}

// The entity's page, complete: its graph drawn and its sources read.
bool openEntity(AskWindow& window, qint64 id, const QString& label, const QString& kind)
{
    window.showEntity(id, label, kind, 0);
    return ShotTour::waitFor([&] {
        return !ShotTour::shows(ShotTour::column(window), QStringLiteral("reading…"))
            && !ShotTour::shows(ShotTour::column(window), QStringLiteral("reading its sources…"));
    });
}

// Opens the page's source frames in turn until one matches `wanted`.
bool openFrameWhere(AskWindow& window, const std::function<bool(const FrameView&)>& wanted)
{
    for (Row* row : sourceRows(window)) {
        click(row);
        if (ShotTour::waitFor([&] { return frame(window) && frame(window)->loaded(); }) && wanted(*frame(window)))
            return true;
    }
    return false;
}

} // namespace

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
    // The inbox expands the panel; entity pages keep the height they find.
    ShotTour::press(window, Qt::Key_K, Qt::ControlModifier);

    bool ok = true;
    for (const bool dark : {false, true}) {
        const QString suffix = dark ? QStringLiteral("-dark") : QStringLiteral("-light");
        appearance.apply(dark ? PortalAppearance::Scheme::dark : PortalAppearance::Scheme::light);
        ShotTour::waitFor([&] { return Ink::isDark(window.panelWidget()) == dark; }, 2000);

        ok &= tour.save(window, QStringLiteral("entity-page") + suffix,
                        openEntity(window, 1, QStringLiteral("Harbor"), QStringLiteral("project"))
                            && ShotTour::column(window)->findChild<NeighbourhoodView*>());

        const bool repo = openEntity(window, 2, QStringLiteral("harbor-api"), QStringLiteral("repo"));
        ok &= tour.save(
            window, QStringLiteral("frame-marked") + suffix,
            repo && openFrameWhere(window, [](const FrameView& f) { return f.image() && !f.highlights().isEmpty(); }));

        const bool task = openEntity(window, 9, QStringLiteral("Rotate the staging API keys"), QStringLiteral("task"));
        ok &= tour.save(window, QStringLiteral("frame-pixels-gone") + suffix,
                        task && openFrameWhere(window, [](const FrameView& f) { return !f.image(); }));

        ShotTour::press(window, Qt::Key_K, Qt::ControlModifier);
        ok &= tour.save(window, QStringLiteral("inbox") + suffix, ShotTour::waitFor([&] {
                            return !ShotTour::shows(ShotTour::column(window),
                                                    QStringLiteral("Loading uncertain items…"))
                                && !ShotTour::shows(ShotTour::column(window),
                                                    QStringLiteral("Loading recognised people and work…"));
                        }));
    }
    return ok ? 0 : 1;
}
