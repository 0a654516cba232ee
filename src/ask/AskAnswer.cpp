#include "AskWindow.h"

#include "AskLabel.h"
#include "AskText.h"
#include "Ink.h"
#include "InkButton.h"
#include "KeyPanel.h"
#include "Json.h"
#include "OStyle.h"
#include "Row.h"

#include <QLineEdit>
#include <QVBoxLayout>

namespace vesk {

namespace {

QFont monoSmall()
{
    return OStyle::font(10.5, OStyle::Weight::Regular, OStyle::Design::Monospaced);
}

} // namespace

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
    screen = Screen{};
    top = Top{};
    updateHint();
    const quint64 mine = ++generation;
    state(QStringLiteral("Generating an answer"),
          QStringLiteral("Searching local evidence first, then asking the enabled answer model."));

    const QPointer<AskWindow> self(this);
    client.ask(question, [self, mine, question](Reply reply) {
        if (!self || self->generation != mine)
            return;
        if (!reply) {
            self->renderAskFailure(question, QStringLiteral("daemon_unreachable"),
                                   QStringLiteral("Vesk is not running or could not be reached."), true, std::nullopt);
            return;
        }
        if (const auto code = Json::string(*reply, u"failure_code")) {
            self->renderAskFailure(question, *code,
                                   Json::string(*reply, u"answer").value_or(
                                       QStringLiteral("The answer could not be completed.")),
                                   Json::boolean(*reply, u"retryable").value_or(false),
                                   Json::numberAsInteger(*reply, u"quota_reset_at"));
            return;
        }
        if (Json::string(*reply, u"answer")) {
            self->top = Top{Top::Kind::answer, question, *reply};
            self->updateHint();
            self->renderAnswer(*reply);
            return;
        }
        self->renderAskFailure(question, QStringLiteral("invalid_response"),
                               QStringLiteral("Vesk returned an answer response it could not display."), true,
                               std::nullopt);
    });
}

void AskWindow::renderAnswer(const QJsonObject& reply)
{
    if (!stack)
        return;
    clear();
    failedQuestion.reset();
    claimCorrectionByTag.clear();
    nextClaimCorrectionTag = 1;
    const int w = width();

    addView(new AskLabel(Json::string(reply, u"answer").value_or(QString()), Ink::text(), OStyle::font(16),
                         AskLabel::Fit::wrap, w));
    addSpacer(16);

    const QPointer<AskWindow> self(this);
    addView(InkButton::make(answerDetailsExpanded ? QStringLiteral("Hide details")
                                                  : QStringLiteral("Details & corrections"),
                            InkButton::Tone::quiet, [self] {
                                if (self)
                                    self->toggleAnswerDetails();
                            }));

    auto* details = new QWidget;
    details->setObjectName(QStringLiteral("answerDetails"));
    details->setFixedWidth(w);
    auto* detailsLayout = new QVBoxLayout(details);
    detailsLayout->setContentsMargins(0, 0, 0, 0);
    detailsLayout->setSpacing(6);
    detailsLayout->setAlignment(Qt::AlignTop | Qt::AlignLeft);

    // Claims are tagged from 1 in reply order on every redraw, so a correction stored by tag
    // finds its claim again.
    const QList<QJsonObject> claims = AskText::textClaims(reply);
    for (const QJsonObject& claim : claims) {
        const int tag = nextClaimCorrectionTag++;
        const QString text = Json::string(claim, u"text").value_or(QString());
        claimCorrectionByTag.insert(tag, ClaimRecord{text, AskText::keptFrameIds(claim)});
        auto* claimText = new AskLabel(text, Ink::text(), OStyle::font(14), AskLabel::Fit::wrap, w - 14);
        detailsLayout->addWidget(new Row(w, {claimText}, false));
    }
    if (!claims.isEmpty())
        detailsLayout->addSpacing(10);

    const QList<QJsonObject> evidence = Json::objects(reply, u"evidence").value_or(QList<QJsonObject>());
    const QList<QJsonObject> sources = Json::objects(reply, u"sources").value_or(QList<QJsonObject>());
    if (!evidence.isEmpty() || !sources.isEmpty()) {
        detailsLayout->addWidget(OStyle::section(QStringLiteral("sources used for this answer")));
        for (const QJsonObject& item : evidence.isEmpty() ? sources : evidence) {
            if (Row* row = evidence.isEmpty() ? entityRow(item, true) : answerEvidenceRow(item))
                detailsLayout->addWidget(row);
        }
    }

    auto* copy = InkButton::make(QStringLiteral("Copy for agent"), InkButton::Tone::primary, [self] {
        if (self)
            self->copyAnswerForAgent();
    });
    copy->setFixedHeight(28);
    detailsLayout->addWidget(copy);
    detailsLayout->addWidget(new AskLabel(
        QStringLiteral("Copies this answer and source summaries. Screenshots and hidden screen text stay local."),
        Ink::muted(), monoSmall(), AskLabel::Fit::wrap, w));

    addView(details);
    details->setVisible(answerDetailsExpanded);
    addSpacer(12);
    scrollToTop();
}

void AskWindow::renderAskFailure(const QString& question, const QString& code, const QString& message,
                                 bool retryable, std::optional<qint64> resetAt)
{
    if (!stack)
        return;
    clear();
    failedQuestion = question;
    const int w = width();
    addView(OStyle::section(AskText::failureTitle(code)));
    addSpacer(3);
    addView(new AskLabel(AskText::failureBody(code, message), Ink::text2(), OStyle::font(13.5), AskLabel::Fit::wrap,
                         w));
    if (code == u"quota_exceeded" && resetAt)
        addView(new AskLabel(AskText::resetLine(*resetAt), Ink::muted(), monoSmall(), AskLabel::Fit::wrap, w));
    addSpacer(6);
    if (retryable || AskText::isServiceAccessCode(code)) {
        const QPointer<AskWindow> self(this);
        addView(InkButton::make(QStringLiteral("Retry"), InkButton::Tone::quiet, [self] {
            if (self)
                self->retryAsk();
        }));
    } else {
        addView(new AskLabel(QStringLiteral("Searching your local memory still works and does not use answer quota."),
                             Ink::muted(), monoSmall(), AskLabel::Fit::wrap, w));
    }
    scrollToTop();
}

void AskWindow::retryAsk()
{
    if (failedQuestion)
        ask(*failedQuestion);
}

void AskWindow::retrySearch()
{
    if (!failedSearchQuery)
        return;
    const QString query = *failedSearchQuery;
    if (field)
        field->setText(query);
    search(query);
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
    screen = Screen{};
    top = Top{};
    updateHint();
    const QString query = text.trimmed();
    const quint64 mine = ++generation;

    if (query.size() < 3) {
        setCompact(true);
        message(query.isEmpty() ? AskText::opening : QStringLiteral("Three characters or more."));
        return;
    }
    setCompact(false);
    // Results already on screen stay while the next search runs.
    if (showingMessage)
        state(QStringLiteral("Searching local memory"),
              QStringLiteral("Looking for names and things seen alongside “") + query + QStringLiteral("”."));

    const QPointer<AskWindow> self(this);
    client.search(query, 25, [self, mine, query](Reply reply) {
        if (!self || self->generation != mine)
            return;
        if (!reply) {
            self->failedSearchQuery = query;
            self->state(QStringLiteral("Could not search local memory"),
                        QStringLiteral("Vesk could not complete the search — its daemon is unreachable or could not "
                                       "open your memory. Nothing was looked at, and your query is preserved."));
            const QPointer<AskWindow> inner = self;
            self->addView(InkButton::make(QStringLiteral("Retry"), InkButton::Tone::quiet, [inner] {
                if (inner)
                    inner->retrySearch();
            }));
            return;
        }
        if (Json::boolean(*reply, u"query_too_short").value_or(false)) {
            self->message(QStringLiteral("Three characters or more — the index needs them."));
            return;
        }
        self->failedSearchQuery.reset();
        const QList<QJsonObject> nodes = Json::objects(*reply, u"nodes").value_or(QList<QJsonObject>());
        if (nodes.isEmpty()) {
            self->state(QStringLiteral("Nothing relevant found"),
                        QStringLiteral("Vesk looked successfully, but found no local memory for “") + query
                            + QStringLiteral("”. Try broader words; it may also not have been captured or may be "
                                             "excluded."));
            return;
        }
        self->clear();
        for (const QJsonObject& node : nodes)
            if (Row* row = self->entityRow(node, false))
                self->addView(row);
        self->scrollToTop();
    });
}

} // namespace vesk
