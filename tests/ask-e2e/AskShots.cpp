// Screenshots of the ask panel's own states, in the light and the dark appearance, against the
// daemon under $HOME (scripts/shots starts veskd-demo in a private home): the opening
// message, a question waiting for its answer, the answer folded and unfolded, every failure
// title, search rows, nothing found and the first-run page.
//
//   vesk-ask-shots DIR
#include "AskText.h"
#include "AskWindow.h"
#include "Ink.h"
#include "KeyPanel.h"
#include "PortalAppearance.h"
#include "ShotTour.h"
#include "Row.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>

using namespace vesk;
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
    PortalAppearance appearance;
    AskWindow window(client);
    window.updateCaptureStatus(QStringLiteral("Recording 1 display"));

    bool ok = true;
    for (const bool dark : {false, true}) {
        const QString suffix = dark ? QStringLiteral("-dark") : QStringLiteral("-light");
        window.close();
        window.show();
        appearance.apply(dark ? PortalAppearance::Scheme::dark : PortalAppearance::Scheme::light);
        ShotTour::waitFor([&] { return Ink::isDark(window.panel) == dark; }, 2000);
        ok &= tour.save(window, QStringLiteral("ask-empty") + suffix, true);

        const QString question = QStringLiteral("What was I working on?");
        window.field->setText(question);
        window.ask(question);
        ok &= tour.save(window, QStringLiteral("ask-pending") + suffix, true);
        const bool answered = ShotTour::waitFor([&] { return window.top.kind == Top::Kind::answer; });
        ok &= tour.save(window, QStringLiteral("ask-answer-folded") + suffix, answered);
        window.toggleAnswerDetails();
        ok &= tour.save(window, QStringLiteral("ask-answer-details") + suffix, answered);

        window.top = Top{}; // a failed ask leaves no answer to copy
        window.updateHint();
        for (const auto& [code, message] : failures) {
            window.renderAskFailure(question, code, message, code == u"upstream_busy" || code.endsWith(u"unreachable"),
                                    code == u"quota_exceeded" ? std::optional<qint64>(1772460300) : std::nullopt);
            ok &= tour.save(window, QStringLiteral("ask-failure-") + code + suffix, true);
        }

        // Over a message, as after a fresh show, a search shows its pending state first.
        window.message(AskText::opening);
        window.field->setText(QStringLiteral("harbor"));
        window.search(window.fieldText());
        ok &= tour.save(window, QStringLiteral("ask-search-rows") + suffix,
                   ShotTour::waitFor([&] { return window.stackView->findChild<Row*>() != nullptr; }));
        window.message(AskText::opening);
        window.field->setText(QStringLiteral("zebra crossing quartz"));
        window.search(window.fieldText());
        ok &= tour.save(window, QStringLiteral("ask-nothing-found") + suffix,
                   ShotTour::waitFor([&] { return ShotTour::shows(window.stackView, QStringLiteral("NOTHING RELEVANT FOUND")); }));

        window.showFirstRun();
        ok &= tour.save(window, QStringLiteral("ask-first-run") + suffix, ShotTour::waitFor([&] {
                       return !ShotTour::shows(window.stackView, QStringLiteral("Checking your local memory…"));
                   }));
    }
    return ok ? 0 : 1;
}
