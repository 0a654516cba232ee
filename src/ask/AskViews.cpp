#include "AskWindow.h"

#include "AnswerPage.h"
#include "AskText.h"
#include "EntityPage.h"
#include "FirstRunPage.h"
#include "FramePane.h"
#include "InboxPage.h"
#include "InkButton.h"
#include "InkLabel.h"
#include "Json.h"
#include "KeyPanel.h"
#include "OStyle.h"
#include "Row.h"
#include "Rows.h"
#include "ScrollColumn.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QSet>

namespace vesk {

void AskWindow::freshColumn()
{
    showingMessage = false;
    column->reset();
}

void AskWindow::message(const QString& text)
{
    freshColumn();
    claimCorrectionByTag.clear();
    showingMessage = true;
    column->add(new InkLabel(text, Ink::text2(), OStyle::font(13.5)));
    column->scrollToTop();
}

void AskWindow::state(const QString& heading, const QString& body)
{
    freshColumn();
    showingMessage = true;
    column->add(OStyle::section(heading));
    column->space(3);
    column->add(new InkLabel(body, Ink::text2(), OStyle::font(13.5)));
    column->scrollToTop();
}

void AskWindow::ask(const QString& text)
{
    const QString question = text.trimmed();
    if (question.size() < 3)
        return;
    closeInspector();
    setCompact(false);
    answerID = QUuid::createUuid();
    answerDetailsExpanded = false;
    correctionStates.clear();
    screen = Screen::results;
    top = Top{};
    updateHint();
    state(QStringLiteral("Generating an answer"),
          QStringLiteral("Searching local evidence first, then asking the enabled answer model."));

    client.ask(
        question, this, whileCurrent(column->ticket(), [this, question](Reply reply) {
            if (!reply) {
                renderAskFailure(question, QStringLiteral("daemon_unreachable"),
                                 QStringLiteral("Vesk is not running or could not be reached."), true, std::nullopt);
            } else if (const auto code = Json::string(*reply, u"failure_code")) {
                renderAskFailure(
                    question, *code,
                    Json::string(*reply, u"answer").value_or(QStringLiteral("The answer could not be completed.")),
                    Json::boolean(*reply, u"retryable").value_or(false),
                    Json::numberAsInteger(*reply, u"quota_reset_at"));
            } else if (Json::string(*reply, u"answer")) {
                top = Top{Top::Kind::answer, question, *reply};
                updateHint();
                renderAnswer(*reply);
            } else {
                renderAskFailure(question, QStringLiteral("invalid_response"),
                                 QStringLiteral("Vesk returned an answer response it could not display."), true,
                                 std::nullopt);
            }
        }));
}

void AskWindow::renderAnswer(const QJsonObject& reply)
{
    freshColumn();
    failedQuestion.reset();
    // Claims are tagged from 1 in reply order on every redraw, so a correction stored by tag finds
    // its claim again.
    claimCorrectionByTag.clear();
    int tag = 1;
    for (const QJsonObject& claim : AskText::textClaims(reply))
        claimCorrectionByTag.insert(
            tag++, ClaimRecord{Json::string(claim, u"text").value_or(QString()), AskText::keptFrameIds(claim)});
    new AnswerPage(*column, reply, answerDetailsExpanded, clock.now(),
                   {[this] { toggleAnswerDetails(); }, [this] { copyForAgent(); },
                    [this](qint64 frame, const Origin& origin) { openFrame(frame, origin); },
                    [this](const Origin& origin) { openEntity(origin); }},
                   column->content());
    column->scrollToTop();
}

void AskWindow::renderAskFailure(const QString& question, const QString& code, const QString& text, bool retryable,
                                 std::optional<qint64> resetAt)
{
    freshColumn();
    failedQuestion = question;
    column->add(OStyle::section(AskText::failureTitle(code)));
    column->space(3);
    column->add(new InkLabel(AskText::failureBody(code, text), Ink::text2(), OStyle::font(13.5)));
    if (code == u"quota_exceeded" && resetAt)
        column->add(new InkLabel(AskText::resetLine(*resetAt), Ink::muted(), OStyle::monoSmall()));
    column->space(6);
    if (retryable || AskText::isServiceAccessCode(code))
        column->add(InkButton::make(QStringLiteral("Retry"), InkButton::Tone::quiet, [this] {
            if (failedQuestion)
                ask(*failedQuestion);
        }));
    else
        column->add(
            new InkLabel(QStringLiteral("Searching your local memory still works and does not use answer quota."),
                         Ink::muted(), OStyle::monoSmall()));
    column->scrollToTop();
}

void AskWindow::toggleAnswerDetails()
{
    if (top.kind != Top::Kind::answer)
        return;
    answerDetailsExpanded = !answerDetailsExpanded;
    renderAnswer(top.reply);
}

void AskWindow::search(const QString& text)
{
    closeInspector();
    screen = Screen::results;
    top = Top{};
    updateHint();
    const QString query = text.trimmed();
    if (query.size() < 3) {
        setCompact(true);
        message(query.isEmpty() ? AskText::opening : QStringLiteral("Three characters or more."));
        return;
    }
    setCompact(false);
    // Results already on screen stay while the next search runs; their own replies are stale now.
    if (showingMessage)
        state(QStringLiteral("Searching local memory"),
              QStringLiteral("Looking for names and things seen alongside “") + query + QStringLiteral("”."));
    else
        column->moveOn();

    client.search(
        query, 25, this, whileCurrent(column->ticket(), [this, query](Reply reply) {
            if (!reply) {
                failedSearchQuery = query;
                state(QStringLiteral("Could not search local memory"),
                      QStringLiteral("Vesk could not complete the search — its daemon is unreachable or could not open "
                                     "your memory. Nothing was looked at, and your query is preserved."));
                column->add(InkButton::make(QStringLiteral("Retry"), InkButton::Tone::quiet, [this] {
                    if (!failedSearchQuery)
                        return;
                    const QString again = *failedSearchQuery;
                    field->setText(again);
                    search(again);
                }));
                return;
            }
            if (Json::boolean(*reply, u"query_too_short").value_or(false)) {
                message(QStringLiteral("Three characters or more — the index needs them."));
                return;
            }
            failedSearchQuery.reset();
            const QList<AskText::EntityLines> rows = AskText::searchRows(*reply);
            if (rows.isEmpty()) {
                state(QStringLiteral("Nothing relevant found"),
                      QStringLiteral("Vesk looked successfully, but found no local memory for “") + query
                          + QStringLiteral(
                              "”. Try broader words; it may also not have been captured or may be excluded."));
                return;
            }
            freshColumn();
            for (const AskText::EntityLines& row : rows)
                column->add(Rows::entity(
                    row, [this, origin = Origin{row.id, row.label, row.kind, row.sources}] { openEntity(origin); }));
            column->scrollToTop();
        }));
}

void AskWindow::showEntity(qint64 id, const QString& label, const QString& kind, qint64 sources)
{
    show();
    if (!panel || !panel->isVisible())
        return; // presentation mode keeps the panel away
    top = Top{};
    openEntity(Origin{id, label, kind, sources});
}

void AskWindow::openEntity(const Origin& origin)
{
    field->setFocus(Qt::OtherFocusReason);
    closeInspector();
    screen = Screen::entity;
    updateHint();
    freshColumn();
    const EntityText::BackTo back = top.kind == Top::Kind::inbox ? EntityText::BackTo::inbox
        : top.kind == Top::Kind::answer                          ? EntityText::BackTo::answer
                                                                 : EntityText::BackTo::results;
    new EntityPage(*column, client, *judge, origin, back,
                   {[this] { restoreTop(); }, [this](const Origin& next) { openEntity(next); },
                    [this](qint64 frame, const Origin& from, Row* row) {
                        if (citedRow)
                            citedRow->setCited(false);
                        openFrame(frame, from);
                        row->setCited(true);
                        citedRow = row;
                    }},
                   column->content());
}

void AskWindow::showInbox()
{
    show();
    if (panel && panel->isVisible())
        openInbox();
}

void AskWindow::openInbox()
{
    setCompact(false);
    field->setFocus(Qt::OtherFocusReason);
    closeInspector();
    screen = Screen::inbox;
    top = Top{Top::Kind::inbox, {}, {}};
    updateHint();
    freshColumn();
    new InboxPage(*column, client, *judge, clock.now(),
                  {[this] { openInbox(); }, [this](const Origin& origin) { openEntity(origin); }}, column->content());
}

void AskWindow::openFrame(qint64 frame, const Origin& origin)
{
    if (frame < 1)
        return;
    field->setFocus(Qt::OtherFocusReason);
    inspecting = Inspecting{frame, origin};
    updateHint();
    inspectorContent->reset();
    setInspector(true);
    // A fresh inspector: the frame shown before drops its late reply, the result column keeps its own.
    new FramePane(*inspectorContent, client, frame, origin,
                  {[this](const QString& path, const QList<QRectF>& highlights, const QString& title) {
                      openFull(path, highlights, title);
                  }},
                  inspectorContent->content());
}

void AskWindow::openFull(const QString& path, const QList<QRectF>& highlights, const QString& title)
{
    if (presenting())
        return;
    if (!viewer)
        viewer = new FrameWindow;
    viewer->open(path, highlights, title);
}

void AskWindow::restoreTop()
{
    if (top.kind == Top::Kind::search) {
        search(fieldText());
        return;
    }
    if (top.kind == Top::Kind::inbox) {
        openInbox();
        return;
    }
    closeInspector();
    screen = Screen::results;
    updateHint();
    if (field->text().trimmed() != top.question)
        field->setText(top.question);
    renderAnswer(top.reply);
}

void AskWindow::showFirstRun()
{
    show();
    if (!panel || !panel->isVisible())
        return; // presentation mode keeps the panel away
    setCompact(false);
    closeInspector();
    screen = Screen::results;
    top = Top{};
    updateHint();
    freshColumn();
    new FirstRunPage(*column, client,
                     {[this](const QString& question) {
                          field->setText(question);
                          ask(question);
                      },
                      [this] { showFirstRun(); },
                      onOpenAgentConnections ? [this] { onOpenAgentConnections(); } : std::function<void()>(),
                      onOpenPrivacyExclusions ? [this] { onOpenPrivacyExclusions(); } : std::function<void()>()},
                     column->content());
}

bool AskWindow::copyForAgent()
{
    if (top.kind != Top::Kind::answer)
        return false;
    for (CorrectionState s : correctionStates) {
        if (s == CorrectionState::saving) {
            hint->setText(QStringLiteral("Wait for the correction to finish before copying."));
            return false;
        }
    }
    QSet<int> corrected;
    for (auto it = correctionStates.cbegin(); it != correctionStates.cend(); ++it)
        if (it.value() == CorrectionState::saved)
            corrected.insert(it.key());
    const std::optional<AskText::Digest> digest = AskText::agentDigest(top.question, top.reply, corrected);
    if (!digest)
        return false;

    QClipboard* board = QGuiApplication::clipboard();
    board->clear();
    board->setText(digest->text);
    if (board->text() != digest->text)
        return false;

    hint->setText(digest->omitted > 0 ? QStringLiteral("Copied for agent · corrected claims omitted")
                                      : QStringLiteral("Copied for agent · no hidden screen text included"));
    clock.after(1.5, this, [this] { updateHint(); });
    return true;
}

} // namespace vesk
