#include "DigestWindow.h"

#include "InkButton.h"
#include "InkLabel.h"
#include "InterjectionSettings.h"
#include "InterjectionText.h"
#include "Json.h"
#include "LoadingSection.h"
#include "OStyle.h"
#include "PresentationMode.h"
#include "ScrollColumn.h"
#include "WholeText.h"

#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>

namespace vesk {

namespace {

// The views' side margin: the window keeps 524 points for its text.
constexpr int sideMargin = 28;

InkLabel* text(const QString& words, const InkColor& colour, double size,
               OStyle::Weight weight = OStyle::Weight::Regular)
{
    return new InkLabel(words, colour, OStyle::font(size, weight));
}

} // namespace

DigestWindow::DigestWindow(Services services, bool preview, QWidget* parent)
    : ToolWindow(QStringLiteral("Weekly interjection review"), services.presentation, Qt::Window, Ink::ground(), parent)
    , client(services.client)
    , settings(services.settings)
    , preview(preview)
    , column(addColumn(sideMargin))
{
    setFixedSize(windowWidth, fullHeight);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 24, 0, 18);
    layout->addWidget(column);
    // A review the mode hid is over: the decision on its way no longer holds the next one back.
    connect(&services.presentation, &PresentationMode::changed, this, [this] {
        if (!mayShow())
            close();
    });
}

QList<Candidate> DigestWindow::previewItems()
{
    return {Candidate{0, QStringLiteral("Finish the weekly hold-back review"), QStringLiteral("task"), 4, 0.71,
                      QStringLiteral("Visual Studio Code · STATE.md"), std::nullopt},
            Candidate{1, QStringLiteral("Is production screen-share detection reliable?"),
                      QStringLiteral("open_question"), 2, 0.69, QStringLiteral("Visual Studio Code · DESIGN-faces.md"),
                      std::nullopt}};
}

void DigestWindow::build()
{
    column->reset();
    column->add(OStyle::section(QStringLiteral("What Vesk held back")));
    column->space(11);
    column->add(text(QStringLiteral("Vesk kept these items quiet. Review the evidence, then decide whether this kind "
                                    "of reminder deserves your attention."),
                     Ink::text2(), 12));
    column->space(11);
    progress = text(QString(), Ink::muted(), 10);
    column->add(progress);
    column->space(11);
    // The item's label, or what the review is doing when there is none to show.
    title = text(QString(), Ink::text(), 18, OStyle::Weight::Medium);
    review = new LoadingSection(*column, {}, title);

    buttons.clear();
    const auto row = [this](QList<std::pair<QString, std::function<void()>>> actions) {
        auto* line = new QWidget;
        auto* layout = new QHBoxLayout(line);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(10);
        for (auto& [words, action] : actions) {
            InkButton* b = InkButton::make(words, buttons.isEmpty() ? InkButton::Tone::primary : InkButton::Tone::quiet,
                                           {}, line);
            // The button that decides gets the keyboard back when the decision ends.
            connect(b, &QPushButton::clicked, this, [this, b, action = std::move(action)] {
                deciding = b;
                action();
            });
            b->setFixedHeight(28);
            layout->addWidget(b);
            buttons.append(b);
        }
        layout->addStretch();
        return line;
    };
    QWidget* itemActions = row({{QStringLiteral("Open sources"), [this] { openItem(); }},
                                {QStringLiteral("Dismiss this item"), [this] { saveDecision(std::nullopt); }}});
    QWidget* kindHeading = OStyle::section(QStringLiteral("For this kind of reminder"));
    QWidget* stances
        = row({{QStringLiteral("Remind me sooner"), [this] { saveDecision(QStringLiteral("encouraged")); }},
               {QStringLiteral("Don't remind me"), [this] { saveDecision(QStringLiteral("muted")); }}});
    actionViews = {itemActions, kindHeading, stances};
    evidence = text(QString(), Ink::text2(), 11);
    feedback = text(QString(), Ink::text2(), 11);
    retry = InkButton::make(QStringLiteral("Check again"), InkButton::Tone::quiet, [this] { showWeeklyDigest(); });

    ColumnInsert below = review->insert();
    below.space(11);
    below.view(evidence);
    below.space(14);
    below.view(itemActions);
    below.space(11);
    below.view(kindHeading);
    below.view(stances);
    below.space(11);
    below.view(feedback);
    below.view(retry);
}

void DigestWindow::showWeeklyDigest()
{
    if (!mayShow() || pending)
        return;
    // A fresh review: replies for the one before are stale from here on.
    build();
    items.clear();
    index = 0;
    review->setStatus(QStringLiteral("Loading held-back items…"));
    evidence->setText(QStringLiteral("Checking the local review queue."));
    progress->setText(QString());
    feedback->hide();
    retry->hide();
    setButtonsEnabled(false);
    setJudgmentVisible(false);
    bringForward();
    if (preview) {
        items = previewItems();
        return render();
    }
    settings.refreshSignals(review, review->bind([this](bool read) { loaded(read); }));
}

void DigestWindow::loaded(bool read)
{
    if (!read) {
        review->fail(QStringLiteral("Could not load the review"));
        evidence->setText(QStringLiteral("Vesk could not check held-back items. This is not an empty queue."));
        retry->show();
        retry->setFocus();
        return;
    }
    items = settings.learned().heldBack;
    index = 0;
    render();
}

void DigestWindow::render()
{
    const bool inRange = index >= 0 && index < items.size();
    setJudgmentVisible(inRange);
    feedback->hide();
    retry->setVisible(!inRange);
    setButtonsEnabled(inRange && !pending);
    if (inRange) {
        const Candidate& item = items[index];
        progress->setText(InterjectionText::digestProgress(index, items.size()));
        review->setStatus(item.label);
        title->setToolTip(WholeText::tip(item.label));
        evidence->setText(InterjectionText::digestEvidence(item));
        // Each button says which item it acts on.
        for (InkButton* b : buttons)
            b->setAccessibleDescription(item.label);
    } else {
        progress->setText(QStringLiteral("Review complete"));
        review->setStatus(QStringLiteral("Nothing waiting for review"));
        title->setToolTip(QString());
        evidence->setText(QStringLiteral("No held-back items remain in this review. You can close this window."));
    }
    // The keyboard stays where the user works: on the button that decided, else the first one.
    QWidget* focus = deciding && deciding->isEnabled() ? deciding.data() : (inRange ? buttons.first() : retry);
    focus->setFocus();
}

void DigestWindow::setJudgmentVisible(bool visible)
{
    for (QWidget* view : actionViews)
        view->setVisible(visible);
    setFixedSize(windowWidth, visible ? fullHeight : shortHeight);
}

void DigestWindow::setButtonsEnabled(bool enabled)
{
    for (InkButton* b : buttons)
        b->setEnabled(enabled);
}

void DigestWindow::showFeedback(const QString& words, bool failure)
{
    feedback->setText(words);
    feedback->setColour(failure ? Ink::flag() : Ink::text2());
    feedback->show();
}

void DigestWindow::openItem()
{
    if (!pending && index >= 0 && index < items.size())
        emit openRequested(items[index]);
}

void DigestWindow::saveDecision(const std::optional<QString>& stance)
{
    if (pending || index < 0 || index >= items.size())
        return;
    if (preview)
        return showFeedback(QStringLiteral("Preview only. No preference was changed."), false);
    const Candidate item = items[index];
    const Generation::Ticket ticket = column->ticket();
    pending = true;
    showFeedback(QStringLiteral("Saving…"), false);
    setButtonsEnabled(false);
    if (!stance)
        return dismiss(item, false, ticket);
    // The window is the receiver, not the review: a stance the daemon saved is followed by the
    // item's dismissal even when the review was closed meanwhile.
    auto refused = whileCurrent(ticket, [this] {
        decisionFailed(QStringLiteral("Could not save your preference. This item is still here; try again."));
    });
    client.setInterjectionKindStance(item.kind, *stance, this, [this, item, ticket, refused](Reply reply) mutable {
        if (!Json::isKind(reply, u"ok"))
            return refused();
        settings.refreshSignals();
        dismiss(item, true, ticket);
    });
}

void DigestWindow::dismiss(const Candidate& item, bool stanceSaved, Generation::Ticket ticket)
{
    settings.record(QStringLiteral("dismissed"), item, this,
                    whileCurrent(std::move(ticket), [this, item, stanceSaved](Reply reply) {
                        if (Json::isKind(reply, u"ok"))
                            return finishItem(item);
                        decisionFailed(stanceSaved ? QStringLiteral("Preference saved. Could not finish this review "
                                                                    "item; choose Dismiss this item to retry.")
                                                   : QStringLiteral("Could not dismiss this item. Try again."));
                    }));
}

void DigestWindow::finishItem(const Candidate& item)
{
    pending = false;
    if (index < items.size() && items[index] == item) {
        items.removeAt(index);
        if (index >= items.size())
            index = std::max<qsizetype>(items.size(), 1) - 1;
    }
    render();
}

void DigestWindow::decisionFailed(const QString& words)
{
    pending = false;
    showFeedback(words, true);
    setButtonsEnabled(true);
    if (deciding)
        deciding->setFocus();
}

void DigestWindow::closed()
{
    // Late replies of this review change nothing, and the next opening starts afresh.
    pending = false;
}

} // namespace vesk
