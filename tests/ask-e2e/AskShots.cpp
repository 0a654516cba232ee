// Screenshots of the ask panel's own states, in the light and the dark appearance, against the
// daemon under $HOME (scripts/shots-ask starts veskd-demo in a private home): the opening
// message, a question waiting for its answer, the answer folded and unfolded, every failure
// title, search rows, nothing found and the first-run page.
//
//   vesk-ask-shots DIR
#include "AskText.h"
#include "AskWindow.h"
#include "Ink.h"
#include "KeyPanel.h"
#include "PortalAppearance.h"
#include "Row.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
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
        std::fprintf(stderr, "vesk-ask-shots: %s did not finish loading; saved as it stands\n", qPrintable(name));
    QCoreApplication::sendPostedEvents(); // let the column lay itself out before the grab
    const QString path = out.filePath(name + QStringLiteral(".png"));
    if (!window.panel->grab().save(path)) {
        std::fprintf(stderr, "vesk-ask-shots: could not write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

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
    if (argc < 2) {
        std::fprintf(stderr, "usage: vesk-ask-shots DIR\n");
        return 2;
    }
    QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "vesk-ask-shots: cannot create %s\n", argv[1]);
        return 1;
    }
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
        waitFor([&] { return Ink::isDark(window.panel) == dark; }, 2000);
        ok &= save(window, out, QStringLiteral("ask-empty") + suffix, true);

        const QString question = QStringLiteral("What was I working on?");
        window.field->setText(question);
        window.ask(question);
        ok &= save(window, out, QStringLiteral("ask-pending") + suffix, true);
        const bool answered = waitFor([&] { return window.top.kind == Top::Kind::answer; });
        ok &= save(window, out, QStringLiteral("ask-answer-folded") + suffix, answered);
        window.toggleAnswerDetails();
        ok &= save(window, out, QStringLiteral("ask-answer-details") + suffix, answered);

        window.top = Top{}; // a failed ask leaves no answer to copy
        window.updateHint();
        for (const auto& [code, message] : failures) {
            window.renderAskFailure(question, code, message, code == u"upstream_busy" || code.endsWith(u"unreachable"),
                                    code == u"quota_exceeded" ? std::optional<qint64>(1772460300) : std::nullopt);
            ok &= save(window, out, QStringLiteral("ask-failure-") + code + suffix, true);
        }

        // Over a message, as after a fresh show, a search shows its pending state first.
        window.message(AskText::opening);
        window.field->setText(QStringLiteral("harbor"));
        window.search(window.fieldText());
        ok &= save(window, out, QStringLiteral("ask-search-rows") + suffix,
                   waitFor([&] { return window.stackView->findChild<Row*>() != nullptr; }));
        window.message(AskText::opening);
        window.field->setText(QStringLiteral("zebra crossing quartz"));
        window.search(window.fieldText());
        ok &= save(window, out, QStringLiteral("ask-nothing-found") + suffix,
                   waitFor([&] { return shows(window.stackView, QStringLiteral("NOTHING RELEVANT FOUND")); }));

        window.showFirstRun();
        ok &= save(window, out, QStringLiteral("ask-first-run") + suffix, waitFor([&] {
                       return !shows(window.stackView, QStringLiteral("Checking your local memory…"));
                   }));
    }
    return ok ? 0 : 1;
}
