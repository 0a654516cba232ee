#include "AnswerPage.h"

#include "AskText.h"
#include "ClaimCorrectionView.h"
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
    // Every asking is a new answer: what was corrected in the last one does not carry over.
    answerID = QUuid::createUuid();
    correctionStates.clear();
    correctionEvidence.clear();
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
                     Json::boolean(*got, u"retryable").value_or(false), AskText::resetAt(*got));
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
    correctionViews.clear();
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

    // The tags are those draw() gave the claims, in the same order.
    const QList<QJsonObject> claims = AskText::textClaims(*reply);
    for (int tag = 1; tag <= claims.size(); ++tag) {
        const QJsonObject& claim = claims[tag - 1];
        const ClaimRecord& record = claimCorrectionByTag[tag];
        const auto found = correctionEvidence.constFind(tag);
        auto* view
            = new ClaimCorrectionView(record.frames.size(), CorrectionText::interpretations(claim),
                                      found == correctionEvidence.cend() ? std::nullopt : std::make_optional(*found),
                                      correctionStates.value(tag));
        connect(view, &ClaimCorrectionView::interpretationRejected, this,
                [this, tag](const CorrectionText::Interpretation& reading) {
                    correctClaim(tag, CorrectionText::judgements[0], reading);
                });
        connect(view, &ClaimCorrectionView::judgementChosen, this,
                [this, tag](const QString& judgement) { correctClaim(tag, judgement, std::nullopt); });
        connect(view, &ClaimCorrectionView::memoryInspected, this, callbacks.openMemory);
        connect(view, &ClaimCorrectionView::sourceInspected, this,
                [this, origin = Origin{0, record.text, QStringLiteral("claim"), record.frames.size()}](qint64 frame) {
                    callbacks.openFrame(frame, origin);
                });
        correctionViews.insert(tag, view);
        layout->addWidget(new Row({new InkLabel(record.text, Ink::text(), OStyle::font(14)), view}));
    }
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
    using Kind = CorrectionText::State::Kind;
    for (const CorrectionText::State& s : correctionStates)
        if (s.kind == Kind::saving)
            return {false, QStringLiteral("Wait for the correction to finish before copying.")};
    QSet<int> corrected;
    for (auto it = correctionStates.cbegin(); it != correctionStates.cend(); ++it)
        if (it.value().kind == Kind::saved)
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

void AnswerPage::correctClaim(int tag, const QString& judgement,
                              const std::optional<CorrectionText::Interpretation>& reading)
{
    using Kind = CorrectionText::State::Kind;
    const auto claim = claimCorrectionByTag.constFind(tag);
    if (claim == claimCorrectionByTag.cend())
        return;
    const Kind now = correctionStates.value(tag).kind;
    if (now == Kind::saving || now == Kind::saved)
        return;
    const QString text = reading ? reading->text : claim->text;
    const QList<qint64> frames = reading ? QList<qint64>{reading->frame} : claim->frames;
    const QUuid asked = answerID;
    correctionStates.insert(tag, {Kind::saving, {}, std::nullopt});
    if (ClaimCorrectionView* view = correctionViews.value(tag))
        view->setState(correctionStates[tag]);
    // Not bound to the column: a receipt that comes while the answer is off screen is kept for it.
    // Read off the main thread: a receipt may list its links by the hundred thousand.
    client.correctClaim(
        text, judgement, frames, this,
        DaemonClient::Reading(&CorrectionText::receipt, [this, tag, asked, reading](CorrectionText::Receipt got) {
            if (answerID != asked)
                return;
            CorrectionText::State& state = got.state;
            if (reading && state.kind == Kind::saved)
                state.receipt = CorrectionText::markedWrong(reading->text, state.receipt);
            if (got.evidence)
                correctionEvidence.insert(tag, *got.evidence);
            else
                correctionEvidence.remove(tag);
            correctionStates.insert(tag, state);
            if (ClaimCorrectionView* view = correctionViews.value(tag)) {
                view->setEvidence(got.evidence);
                view->setState(state);
            }
        }));
}

bool AnswerPage::collapseCorrection()
{
    for (ClaimCorrectionView* view : std::as_const(correctionViews))
        if (view && view->isVisible() && view->collapse())
            return true;
    return false;
}

} // namespace vesk
