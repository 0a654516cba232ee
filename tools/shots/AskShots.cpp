// Screenshots of the ask panel's own states, in the light and the dark appearance, against the
// daemon under $HOME (scripts/shots starts veskd-demo in a private home): the opening message, a
// question waiting for its answer, the answer folded and unfolded, search rows, nothing found and
// the first-run page. Every failure title comes from a second panel whose daemon is a stand-in
// that fails each question the way the real one words it.
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
    AskWindow window(client);
    AskWindow failed(failingClient);
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
