#include "HandoffRow.h"

#include "InkButton.h"
#include "InkLabel.h"
#include "Json.h"
#include "LoadingSection.h"
#include "OStyle.h"
#include "Row.h"
#include "WholeText.h"

#include <QVBoxLayout>
#include <limits>

namespace vesk {

HandoffRow::HandoffRow(const DataText::Handoff& handoff, DaemonClient& client, const LoadingSection& section,
                       QWidget* parent)
    : QWidget(parent)
    , handoff(handoff)
    , client(client)
    , section(section)
    , inspect(InkButton::make(QStringLiteral("Inspect handoff"), InkButton::Tone::quiet, [this] { toggle(); }))
    , details(new QWidget)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    auto* summary = new InkLabel(DataText::deliveryLine(handoff), Ink::text(), OStyle::font(13.5));
    WholeText::offerIfLonger(summary, handoff.recipient, DataText::shownName);
    layout->addWidget(new Row({summary}));
    layout->addWidget(inspect, 0, Qt::AlignLeft);
    auto* detailLayout = new QVBoxLayout(details);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    detailLayout->setSpacing(8);
    layout->addWidget(details);
    details->hide();
}

bool HandoffRow::detailsOpen() const
{
    return !details->isHidden();
}

void HandoffRow::toggle()
{
    if (detailsOpen()) {
        details->hide();
        requests.supersede(); // a reply still on its way is not shown
        inspect->setText(QStringLiteral("Inspect handoff"));
        return;
    }
    delete detailLine;
    detailLine = new InkLabel(QStringLiteral("Loading handoff details…"), Ink::text2(),
                              OStyle::font(11.5, OStyle::Weight::Regular, OStyle::Design::Monospaced));
    details->layout()->addWidget(detailLine);
    details->show();
    inspect->setText(QStringLiteral("Hide details"));
    client.inspectContextPackage(handoff.packageId, this,
                                 section.bind(requests.whenNewest([this](Reply r) { showPackage(r); })));
}

void HandoffRow::showPackage(const Reply& reply)
{
    if (reply && Json::string(*reply, u"package_id")) {
        const QString shown = DataText::packageDetail(*reply);
        detailLine->setText(shown);
        if (const QString whole = DataText::packageDetail(*reply, std::numeric_limits<qsizetype>::max());
            whole != shown)
            WholeText::offer(detailLine, whole);
        return;
    }
    detailLine->setText(DataText::failedRead(DataText::handoffFailed, reply));
    inspect->setText(QStringLiteral("Close details"));
}

} // namespace vesk
