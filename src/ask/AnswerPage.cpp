#include "AnswerPage.h"

#include "AskText.h"
#include "InkButton.h"
#include "InkLabel.h"
#include "Json.h"
#include "OStyle.h"
#include "Row.h"
#include "Rows.h"
#include "ScrollColumn.h"

#include <QVBoxLayout>

namespace vesk {

AnswerPage::AnswerPage(ScrollColumn& column, const QJsonObject& reply, bool expanded, const QDateTime& now,
                       Callbacks callbacks, QObject* parent)
    : QObject(parent)
    , callbacks(std::move(callbacks))
{
    column.add(new InkLabel(Json::string(reply, u"answer").value_or(QString()), Ink::text(), OStyle::font(16)));
    column.space(16);
    column.add(InkButton::make(expanded ? QStringLiteral("Hide details") : QStringLiteral("Details & corrections"),
                               InkButton::Tone::quiet, this->callbacks.toggleDetails));
    // Folded details are not built at all: most answers are read without them.
    if (expanded)
        column.add(details(reply, now));
    column.space(12);
}

QWidget* AnswerPage::details(const QJsonObject& reply, const QDateTime& now)
{
    auto* block = new QWidget;
    auto* layout = new QVBoxLayout(block);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);

    const QList<QJsonObject> claims = AskText::textClaims(reply);
    for (const QJsonObject& claim : claims)
        layout->addWidget(
            new Row({new InkLabel(Json::string(claim, u"text").value_or(QString()), Ink::text(), OStyle::font(14))}));
    if (!claims.isEmpty())
        layout->addSpacing(10);

    const AskText::AnswerSources sources = AskText::answerSources(reply, now);
    if (!sources.isEmpty())
        layout->addWidget(OStyle::section(QStringLiteral("sources used for this answer")));
    for (const AskText::EvidenceLines& item : sources.items) {
        std::function<void()> open;
        if (item.screen)
            open = [this, frame = item.frameId, origin = Origin{0, item.detail, QStringLiteral("evidence"), 1}] {
                callbacks.openFrame(frame, origin);
            };
        layout->addWidget(Rows::evidence(item, std::move(open)));
    }
    for (const AskText::EntityLines& node : sources.entities)
        layout->addWidget(Rows::entity(node, [this, origin = Origin{node.id, node.label, node.kind, node.sources}] {
            callbacks.openEntity(origin);
        }));

    InkButton* copy = InkButton::make(QStringLiteral("Copy for agent"), InkButton::Tone::primary, callbacks.copy);
    copy->setFixedHeight(28);
    layout->addWidget(copy);
    layout->addWidget(new InkLabel(
        QStringLiteral("Copies this answer and source summaries. Screenshots and hidden screen text stay local."),
        Ink::muted(), OStyle::monoSmall()));
    return block;
}

} // namespace vesk
