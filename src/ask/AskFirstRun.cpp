#include "AskWindow.h"

#include "AskLabel.h"
#include "AskText.h"
#include "Ink.h"
#include "InkButton.h"
#include "KeyPanel.h"
#include "OStyle.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace vesk {

void AskWindow::showFirstRun()
{
    show();
    if (!panel || !panel->isVisible())
        return; // presentation mode keeps the panel away
    setCompact(false);
    closeInspector();
    screen = Screen{};
    top = Top{};
    updateHint();
    const quint64 mine = ++generation;
    clear();

    auto* heading = new AskLabel(QStringLiteral("Pick up where you left off."), Ink::text(),
                                 OStyle::font(19, OStyle::Weight::Medium, OStyle::Design::Serif),
                                 AskLabel::Fit::truncateMiddle, width());
    addView(heading);
    addView(new AskLabel(QStringLiteral("Press Alt+Space from any app to return here. Ask a question, then open a "
                                        "source to verify the answer against the exact local evidence."),
                         Ink::text(), OStyle::font(13.5), AskLabel::Fit::wrap, width()));
    addSpacer(12);

    const QPointer<AskWindow> self(this);
    auto* askButton = InkButton::make(QStringLiteral("Ask: What was I working on?"), InkButton::Tone::primary, [self] {
        if (!self)
            return;
        const QString question = QStringLiteral("What was I working on?");
        self->field->setText(question);
        self->ask(question);
    });
    askButton->setEnabled(false); // until the daemon says memory is ready
    firstRunAskButton = askButton;
    addView(askButton);

    auto* line = new AskLabel(QStringLiteral("Checking your local memory…"), Ink::muted(),
                              OStyle::font(10.5, OStyle::Weight::Regular, OStyle::Design::Monospaced),
                              AskLabel::Fit::wrap, width());
    readinessLine = line;
    addView(line);
    addView(InkButton::make(QStringLiteral("Check memory again"), InkButton::Tone::quiet, [self] {
        if (self)
            self->showFirstRun();
    }));
    addSpacer(16);

    auto* links = new QWidget;
    auto* linksLayout = new QHBoxLayout(links);
    linksLayout->setContentsMargins(0, 0, 0, 0);
    linksLayout->setSpacing(8);
    // A link whose window is not part of this build is shown disabled rather than doing nothing.
    auto* agents = InkButton::make(QStringLiteral("Connect an agent"), InkButton::Tone::quiet, [self] {
        if (self && self->onOpenAgentConnections)
            self->onOpenAgentConnections();
    });
    agents->setEnabled(static_cast<bool>(onOpenAgentConnections));
    auto* privacy = InkButton::make(QStringLiteral("Privacy exclusions"), InkButton::Tone::quiet, [self] {
        if (self && self->onOpenPrivacyExclusions)
            self->onOpenPrivacyExclusions();
    });
    privacy->setEnabled(static_cast<bool>(onOpenPrivacyExclusions));
    linksLayout->addWidget(agents);
    linksLayout->addWidget(privacy);
    addView(links);
    scrollToTop();

    client.status([self, mine](Reply reply) {
        if (!self || self->generation != mine || !self->readinessLine)
            return;
        const AskText::Readiness ready = AskText::readiness(reply);
        self->readinessLine->setText(ready.text);
        if (ready.askReady && self->firstRunAskButton)
            self->firstRunAskButton->setEnabled(*ready.askReady);
    });
}

} // namespace vesk
