#include "AnswerPage.h"

#include "AskText.h"
#include "Clock.h"
#include "InkButton.h"
#include "InkLabel.h"
#include "Json.h"
#include "MemoryRows.h"
#include "OStyle.h"
#include "Row.h"
#include "ScrollColumn.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QSet>
#include <QVBoxLayout>

namespace vesk {

AnswerPage::AnswerPage(ScrollColumn& column, DaemonClient& client, Clock& clock, const QString& question,
                       Callbacks callbacks)
    : Page(column)
    , client(client)
    , clock(clock)
    , question(question)
    , callbacks(std::move(callbacks))
{
}

QString AnswerPage::hint() const
{
    return reply ? AskText::answerHint : AskText::searchHint;
}

std::optional<EntityText::BackTo> AnswerPage::returnsAs() const
{
    // A question not answered leaves nothing to come back to but a search.
    return reply ? EntityText::BackTo::answer : EntityText::BackTo::results;
}

void AnswerPage::open()
{
    if (!reply) {
        ask();
        return;
    }
    callbacks.shownAgain(question);
    draw();
}

void AnswerPage::ask()
{
    state(QStringLiteral("Generating an answer"),
          QStringLiteral("Searching local evidence first, then asking the enabled answer model."));
    client.ask(
        question, this, whileCurrent(column.ticket(), [this](Reply got) {
            if (!got) {
                fail(QStringLiteral("daemon_unreachable"),
                     QStringLiteral("Vesk is not running or could not be reached."), true, std::nullopt);
            } else if (const auto code = Json::string(*got, u"failure_code")) {
                fail(*code,
                     Json::string(*got, u"answer").value_or(QStringLiteral("The answer could not be completed.")),
                     Json::boolean(*got, u"retryable").value_or(false), Json::numberAsInteger(*got, u"quota_reset_at"));
            } else if (Json::string(*got, u"answer")) {
                answer(*got);
            } else {
                fail(QStringLiteral("invalid_response"),
                     QStringLiteral("Vesk returned an answer response it could not display."), true, std::nullopt);
            }
        }));
}

void AnswerPage::answer(const QJsonObject& answered)
{
    reply = answered;
    failedQuestion.reset();
    draw();
    if (callbacks.answered)
        callbacks.answered();
}

void AnswerPage::showDetails(bool shown)
{
    answerDetailsExpanded = shown;
    if (reply)
        draw();
}

void AnswerPage::draw()
{
    fresh();
    claimCorrectionByTag.clear();
    int tag = 1;
    for (const QJsonObject& claim : AskText::textClaims(*reply))
        claimCorrectionByTag.insert(
            tag++, ClaimRecord{Json::string(claim, u"text").value_or(QString()), AskText::keptFrameIds(claim)});
    column.add(new InkLabel(Json::string(*reply, u"answer").value_or(QString()), Ink::text(), OStyle::font(16)));
    column.space(16);
    column.add(InkButton::make(answerDetailsExpanded ? QStringLiteral("Hide details")
                                                     : QStringLiteral("Details & corrections"),
                               InkButton::Tone::quiet, [this] { showDetails(!answerDetailsExpanded); }));
    // Folded details are not built at all: most answers are read without them.
    if (answerDetailsExpanded)
        column.add(details());
    column.space(12);
    column.scrollToTop();
}

QWidget* AnswerPage::details()
{
    auto* block = new QWidget;
    auto* layout = new QVBoxLayout(block);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);

    const QList<QJsonObject> claims = AskText::textClaims(*reply);
    for (const QJsonObject& claim : claims)
        layout->addWidget(
            new Row({new InkLabel(Json::string(claim, u"text").value_or(QString()), Ink::text(), OStyle::font(14))}));
    if (!claims.isEmpty())
        layout->addSpacing(10);

    const AskText::AnswerSources sources = AskText::answerSources(*reply, clock.now());
    if (!sources.isEmpty())
        layout->addWidget(OStyle::section(QStringLiteral("sources used for this answer")));
    for (const AskText::EvidenceLines& item : sources.items) {
        std::function<void()> open;
        if (item.screen)
            open = [this, frame = item.frameId, origin = Origin{0, item.detail, QStringLiteral("evidence"), 1}] {
                callbacks.openFrame(frame, origin);
            };
        layout->addWidget(MemoryRows::evidence(item, std::move(open)));
    }
    for (const AskText::EntityLines& node : sources.entities)
        layout->addWidget(
            MemoryRows::entity(node, [this, origin = Origin{node.id, node.label, node.kind, node.sources}] {
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

void AnswerPage::fail(const QString& code, const QString& text, bool retryable, std::optional<qint64> resetAt)
{
    fresh();
    failedQuestion = question;
    column.add(OStyle::section(AskText::failureTitle(code)));
    column.space(3);
    column.add(new InkLabel(AskText::failureBody(code, text), Ink::text2(), OStyle::font(13.5)));
    if (code == u"quota_exceeded" && resetAt)
        column.add(new InkLabel(AskText::resetLine(*resetAt), Ink::muted(), OStyle::monoSmall()));
    column.space(6);
    if (retryable || AskText::isServiceAccessCode(code))
        column.add(InkButton::make(QStringLiteral("Retry"), InkButton::Tone::quiet, [this] {
            if (failedQuestion)
                ask();
        }));
    else
        column.add(
            new InkLabel(QStringLiteral("Searching your local memory still works and does not use answer quota."),
                         Ink::muted(), OStyle::monoSmall()));
    column.scrollToTop();
}

AnswerPage::Copy AnswerPage::copyForAgent() const
{
    if (!reply)
        return {};
    for (CorrectionState s : correctionStates)
        if (s == CorrectionState::saving)
            return {false, QStringLiteral("Wait for the correction to finish before copying.")};
    QSet<int> corrected;
    for (auto it = correctionStates.cbegin(); it != correctionStates.cend(); ++it)
        if (it.value() == CorrectionState::saved)
            corrected.insert(it.key());
    const std::optional<AskText::Digest> digest = AskText::agentDigest(question, *reply, corrected);
    if (!digest)
        return {};
    QClipboard* board = QGuiApplication::clipboard();
    board->clear();
    board->setText(digest->text);
    if (board->text() != digest->text)
        return {};
    return {true,
            digest->omitted > 0 ? QStringLiteral("Copied for agent · corrected claims omitted")
                                : QStringLiteral("Copied for agent · no hidden screen text included")};
}

} // namespace vesk
