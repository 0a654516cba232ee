#include "FirstRunPage.h"

#include "AskText.h"
#include "DaemonClient.h"
#include "InkButton.h"
#include "InkLabel.h"
#include "LoadingSection.h"
#include "OStyle.h"
#include "ScrollColumn.h"

#include <QHBoxLayout>

namespace vesk {

FirstRunPage::FirstRunPage(ScrollColumn& column, DaemonClient& client, Callbacks callbacks, KeyChord keys)
    : Page(column)
    , client(client)
    , callbacks(std::move(callbacks))
    , keys(std::move(keys))
{
}

QString FirstRunPage::hint() const
{
    return AskText::searchHint;
}

void FirstRunPage::open()
{
    fresh();
    column.add(new InkLabel(QStringLiteral("Pick up where you left off."), Ink::text(), OStyle::pageTitle(),
                            InkLabel::Fit::truncateMiddle));
    column.add(new InkLabel(AskText::firstRunLead(keys), Ink::text(), OStyle::font(13.5)));
    column.space(12);

    askButton = InkButton::make(QStringLiteral("Ask: What was I working on?"), InkButton::Tone::primary,
                                [this] { callbacks.ask(QStringLiteral("What was I working on?")); });
    askButton->setEnabled(false); // until the daemon says memory is ready
    column.add(askButton);
    readiness = new LoadingSection(
        column, {}, new InkLabel(QStringLiteral("Checking your local memory…"), Ink::muted(), OStyle::monoSmall()));
    column.add(InkButton::make(QStringLiteral("Check memory again"), InkButton::Tone::quiet, [this] { open(); }));
    column.space(16);

    auto* links = new QWidget;
    auto* linksLayout = new QHBoxLayout(links);
    linksLayout->setContentsMargins(0, 0, 0, 0);
    linksLayout->setSpacing(8);
    for (const auto& [title, action] :
         {std::pair{QStringLiteral("Connect an agent"), callbacks.openAgentConnections},
          std::pair{QStringLiteral("Privacy exclusions"), callbacks.openPrivacyExclusions}}) {
        InkButton* link = InkButton::make(title, InkButton::Tone::quiet, action);
        link->setEnabled(static_cast<bool>(action));
        linksLayout->addWidget(link);
    }
    linksLayout->addStretch(1);
    column.add(links);
    column.scrollToTop();

    client.status(readiness, readiness->bind([this](Reply reply) {
        const AskText::Readiness ready = AskText::readiness(reply);
        if (!ready.askReady) {
            readiness->fail(ready.text); // "Check memory again" is the retry
            return;
        }
        readiness->setStatus(ready.text);
        askButton->setEnabled(*ready.askReady);
    }));
}

} // namespace vesk
