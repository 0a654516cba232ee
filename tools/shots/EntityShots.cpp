// Screenshots of the entity page, a frame with its marked lines, a frame whose pixels are gone and
// the inbox, in the light and the dark appearance, against the daemon under $HOME
// (scripts/shots starts veskd-demo in a private home), with every dialog of the changes to memory:
// renaming, forgetting (the confirmation, nothing to forget, and what a forget left when it was not
// confirmed), removing a relation, no longer capturing an application, and a failure. Everything
// is reached as a user would: entity pages by their id, frames by their source rows, dialogs by
// their buttons, the inbox by Ctrl+K; only the outcomes of a forget the daemon did not confirm are
// shown by themselves, since the demo daemon always confirms.
//
//   vesk-entity-shots DIR
#include "AskPanel.h"
#include "AskWindow.h"
#include "EditDialogs.h"
#include "FrameView.h"
#include "Ink.h"
#include "NeighbourhoodView.h"
#include "PortalAppearance.h"
#include "Row.h"
#include "ScrollColumn.h"
#include "ShotTour.h"

#include <QApplication>
#include <QJsonObject>
#include <QMouseEvent>

using namespace vesk;
using vesk::test::ShotAlerts;
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

void click(QWidget* view, QPointF at = QPointF(10, 10))
{
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

// A click halfway along the graph's line to its first neighbour, which asks to remove that relation.
void clickFirstLine(NeighbourhoodView* graph)
{
    const QRectF chip = graph->findChildren<InkButton*>().value(0)->geometry();
    click(graph, (chip.center() + QRectF(graph->rect()).center()) / 2);
}

// The outcomes of a forget the daemon did not confirm, and a failure, as their dialogs read.
void showForgetOutcomes(ShotAlerts& alerts, const QString& suffix)
{
    const QString label = QStringLiteral("Harbor");
    alerts.expect(QStringLiteral("alert-nothing-to-forget") + suffix);
    EditDialogs::ask(alerts, AlertSpec::Style::informational, MemoryEditText::nothingToForget(label),
                     {QStringLiteral("OK")});
    const QList<std::pair<QString, qint64>> outcomes{
        {QStringLiteral("forgotten"), 0}, {QStringLiteral("nothing-deleted"), 12}, {QStringLiteral("partly-done"), 5}};
    for (const auto& [name, left] : outcomes) {
        const MemoryEditText::Verdict verdict = MemoryEditText::forgetVerdict(QJsonObject{{"frames", left}}, 12, label);
        alerts.expect(QStringLiteral("alert-forget-") + name + suffix);
        EditDialogs::ask(alerts, verdict.warning ? AlertSpec::Style::warning : AlertSpec::Style::informational,
                         verdict.words, {QStringLiteral("OK")});
    }
    alerts.expect(QStringLiteral("alert-could-not-rename") + suffix);
    EditDialogs::report(alerts, std::nullopt, QStringLiteral("Could not rename that."));
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
    ShotAlerts alerts(tour);
    test::TourSettings settings;
    AskWindow window({client, alerts, settings.presentation, systemClock()});
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

        // Each change's dialog, answered "Cancel": the next tour starts from the same memory.
        alerts.expect(QStringLiteral("alert-rename") + suffix, 1);
        ShotTour::button(ShotTour::column(window), QStringLiteral("Rename"))->click();
        alerts.expect(QStringLiteral("alert-remove-relation") + suffix, 1);
        clickFirstLine(ShotTour::column(window)->findChild<NeighbourhoodView*>());
        alerts.expect(QStringLiteral("alert-forget") + suffix, 1);
        ShotTour::button(ShotTour::column(window), QStringLiteral("Forget everything about this"))->click();
        ShotTour::waitFor([&] { return alerts.allSaved(); });
        showForgetOutcomes(alerts, suffix);

        const bool repo = openEntity(window, 2, QStringLiteral("harbor-api"), QStringLiteral("repo"));
        ok &= tour.save(
            window, QStringLiteral("frame-marked") + suffix,
            repo && openFrameWhere(window, [](const FrameView& f) { return f.image() && !f.highlights().isEmpty(); }));
        for (InkButton* b : window.inspectorColumn()->content()->findChildren<InkButton*>())
            if (b->text().startsWith(QStringLiteral("Stop capturing"))) {
                alerts.expect(QStringLiteral("alert-stop-capturing") + suffix, 1);
                b->click();
            }
        ok &= alerts.allSaved();

        const bool task = openEntity(window, 9, QStringLiteral("Rotate the staging API keys"), QStringLiteral("task"));
        ok &= tour.save(window, QStringLiteral("frame-pixels-gone") + suffix,
                        task && openFrameWhere(window, [](const FrameView& f) { return !f.image(); }));

        // A reminder's "Open sources": the panel was away, and the card's headline gives way to the
        // entity's name.
        window.close();
        ok &= tour.save(
            window, QStringLiteral("card-entity-page") + suffix,
            openEntity(window, 11, QStringLiteral("Reopened: Use banker's rounding…"), QStringLiteral("decision"))
                && ShotTour::shows(ShotTour::column(window),
                                   QStringLiteral("Use banker's rounding for invoice totals")));

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
