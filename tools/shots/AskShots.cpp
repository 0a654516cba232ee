// Screenshots of the ask panel's own states, in the light and the dark appearance, against the
// daemon under $HOME (scripts/shots starts veskd-demo in a private home): the opening message, a
// question waiting for its answer, the answer folded and unfolded, a claim's correction in each of
// its states with a related memory in the inspector, search rows, nothing found and the first-run
// page. Every failure (of a question, of a correction) comes from a second panel whose daemon is a
// stand-in that fails the way the real one words it.
//
//   vesk-ask-shots DIR
#include "AskPanel.h"
#include "AskText.h"
#include "AskWindow.h"
#include "FakeDaemon.h"
#include "Ink.h"
#include "InkButton.h"
#include "PortalAppearance.h"
#include "Row.h"
#include "ShotTour.h"

#include <QApplication>
#include <QJsonArray>

using namespace vesk;
using vesk::test::FakeDaemon;
using vesk::test::ShotTour;

namespace {

// A daemon message for each code, as the daemon would word it.
const QList<std::pair<QString, QString>> failures{
    {"quota_exceeded", "This device has used today's answers."},
    {"credential_missing", ""},
    {"credential_invalid", ""},
    {"upstream_timeout", "The answer model did not reply within 60 seconds."},
    {"upstream_busy", "The answer model is overloaded right now."},
    {"request_too_large", "The evidence for this question is larger than the model accepts."},
    {"answer_disabled", "Answer generation is turned off. Searching your memory still works."},
    {"setup_required", "Finish setting up Vesk before asking questions."},
    {"service_unreachable", "The answer service could not be reached."},
    {"daemon_unreachable", "Vesk is not running or could not be reached."},
    {"invalid_response", "Vesk returned an answer response it could not display."},
};

// The first visible label under `root` that begins with `prefix`.
bool showsStarting(QWidget* root, const QString& prefix)
{
    for (QLabel* label : root->findChildren<QLabel*>())
        if (label->isVisibleTo(root) && label->text().startsWith(prefix))
            return true;
    return false;
}

// Presses the first visible button of the panel's result column that reads `title`.
bool press(AskWindow& window, const QString& title)
{
    InkButton* b = ShotTour::button(ShotTour::column(window), title);
    if (b)
        b->click();
    return b != nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ShotTour tour;
    if (const std::optional<int> failed = tour.open(argc, argv))
        return *failed;
    DaemonClient client;
    FakeDaemon failing;
    DaemonClient failingClient(failing.path());
    PortalAppearance appearance;
    test::TourSettings settings;
    MessageBoxAlerts alerts;
    AskWindow window({client, alerts, settings.presentation, systemClock()});
    AskWindow failed({failingClient, alerts, settings.presentation, systemClock()});
    window.updateCaptureStatus(QStringLiteral("Recording 1 display"));
    failed.updateCaptureStatus(QStringLiteral("Recording 1 display"));
    const QString question = QStringLiteral("What was I working on?");
    const QString answerHint = QStringLiteral("Ctrl+Shift+C copy for agent · return to ask · esc to close");

    bool ok = true;
    for (const bool dark : {false, true}) {
        const QString suffix = dark ? QStringLiteral("-dark") : QStringLiteral("-light");
        window.close();
        window.show();
        appearance.apply(dark ? PortalAppearance::Scheme::dark : PortalAppearance::Scheme::light);
        ShotTour::waitFor([&] { return Ink::isDark(window.panelWidget()) == dark; }, 2000);
        ok &= tour.save(window, QStringLiteral("ask-empty") + suffix, true);

        ShotTour::enter(window, question);
        ok &= tour.save(window, QStringLiteral("ask-pending") + suffix, true);
        const bool answered = ShotTour::waitFor([&] { return window.hintLabel()->text() == answerHint; });
        ok &= tour.save(window, QStringLiteral("ask-answer-folded") + suffix, answered);
        for (InkButton* b : ShotTour::column(window)->findChildren<InkButton*>())
            if (b->text().contains(QStringLiteral("Details")))
                b->click();
        ok &= tour.save(window, QStringLiteral("ask-answer-details") + suffix, answered);

        // A claim's correction: the choices, saving, the receipt with its links, a related memory.
        // The choices are laid out on the next turn of the event loop: wait for them to show.
        ok &= tour.save(window, QStringLiteral("ask-claim-choices") + suffix,
                        press(window, QStringLiteral("Where is this wrong?")) && ShotTour::waitFor([&] {
                            const InkButton* b
                                = ShotTour::button(ShotTour::column(window), QStringLiteral("The fact is wrong"));
                            return b && !b->visibleRegion().isEmpty();
                        }));
        ok &= tour.save(window, QStringLiteral("ask-claim-saving") + suffix,
                        press(window, QStringLiteral("The fact is wrong")));
        const bool saved = ShotTour::waitFor([&] {
            return showsStarting(ShotTour::column(window), QStringLiteral("Corrected"))
                || showsStarting(ShotTour::column(window), QStringLiteral("Already corrected"));
        });
        ok &= tour.save(window, QStringLiteral("ask-claim-saved") + suffix,
                        saved && press(window, QStringLiteral("Inspect correction evidence")) && ShotTour::waitFor([&] {
                            // Shown once its row has grown to hold it.
                            InkButton* link
                                = ShotTour::button(ShotTour::column(window), QStringLiteral("Open source 1"));
                            return link && !link->visibleRegion().isEmpty();
                        }));
        press(window, QStringLiteral("Inspect entity 1"));
        ok &= tour.save(window, QStringLiteral("ask-claim-related-memory") + suffix, ShotTour::waitFor([&] {
                            return showsStarting(window.inspectorColumn()->content(), QStringLiteral("Related entity"));
                        }));
        ShotTour::press(window, Qt::Key_Escape);

        failed.close();
        failed.show();
        for (const auto& [code, message] : failures) {
            QJsonObject reply{{"failure_code", code},
                              {"answer", message},
                              {"retryable", code == u"upstream_busy" || code.endsWith(u"unreachable")}};
            if (code == u"quota_exceeded")
                reply.insert("quota_reset_at", 1772460300);
            failing.reply(QStringLiteral("ask"), reply);
            ShotTour::enter(failed, question);
            ok &= tour.save(failed, QStringLiteral("ask-failure-") + code + suffix, ShotTour::waitFor([&] {
                                return ShotTour::shows(ShotTour::column(failed), AskText::failureTitle(code).toUpper());
                            }));
        }
        // A correction the daemon did not confirm.
        failing.reply(QStringLiteral("ask"),
                      QJsonObject{{"answer", "You were reviewing the rounding fix."},
                                  {"claims",
                                   QJsonArray{QJsonObject{{"text", "The fix uses banker's rounding."},
                                                          {"frame_ids", QJsonArray{3, 4}}}}}});
        ShotTour::enter(failed, question);
        ShotTour::waitFor([&] { return press(failed, QStringLiteral("Details & corrections")); });
        press(failed, QStringLiteral("Where is this wrong?"));
        press(failed, QStringLiteral("This is outdated"));
        ok &= tour.save(failed, QStringLiteral("ask-claim-failed") + suffix, ShotTour::waitFor([&] {
                            return ShotTour::shows(ShotTour::column(failed),
                                                   QStringLiteral("Vesk could not confirm the correction. Choose "
                                                                  "again to retry."));
                        }));
        failed.close();

        // Over the opening message, as after a fresh show, a search shows its pending state first.
        window.close();
        window.show();
        ShotTour::enter(window, QStringLiteral("harbor"), Qt::ShiftModifier);
        ok &= tour.save(window, QStringLiteral("ask-search-rows") + suffix,
                        ShotTour::waitFor([&] { return ShotTour::column(window)->findChild<Row*>() != nullptr; }));
        ShotTour::enter(window, QStringLiteral("zebra crossing quartz"), Qt::ShiftModifier);
        ok &= tour.save(window, QStringLiteral("ask-nothing-found") + suffix, ShotTour::waitFor([&] {
                            return ShotTour::shows(ShotTour::column(window), QStringLiteral("NOTHING RELEVANT FOUND"));
                        }));

        window.showFirstRun();
        ok &= tour.save(window, QStringLiteral("ask-first-run") + suffix, ShotTour::waitFor([&] {
                            return !ShotTour::shows(ShotTour::column(window),
                                                    QStringLiteral("Checking your local memory…"));
                        }));
    }
    return ok ? 0 : 1;
}
