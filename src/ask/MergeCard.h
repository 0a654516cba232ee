#pragma once

#include "Generation.h"
#include "InboxText.h"
#include "Reply.h"

#include <QObject>
#include <QSet>
#include <QWidget>
#include <functional>
#include <optional>

namespace vesk {

class DaemonClient;
class InkButton;
class InkLabel;

// One merge question: "Do these names refer to the same thing?", each name with "Use this name",
// "Keep them separate" and a note. Its buttons carry nothing: a click reaches `onJudge` with the
// name to keep (nothing for "keep them separate"), the proposal coming from the card itself.
class MergeCard : public QWidget {
    Q_OBJECT
public:
    enum class Style {
        inbox, // with the line that says how the daemon found the pair
        page,  // on an entity page, inside a framed row
    };
    using Judge = std::function<void(MergeCard* card, std::optional<qint64> keep)>;

    MergeCard(const InboxText::Proposal& pair, Style style, Judge onJudge, QWidget* parent = nullptr);

    const InboxText::Proposal& pair() const { return proposal; }
    bool names(qint64 entity) const { return proposal.aId == entity || proposal.bId == entity; }

    // The judgment is on its way: the buttons wait, the feedback line says so.
    void saving();
    // The daemon refused or could not be asked: the choice is offered again, with the daemon's
    // words when it gave some.
    void failed(const Reply& reply);
    // The card gives way to one line: the settled outcome, or why it no longer applies.
    void replaceWith(const QString& line);

private:
    void enableButtons(bool enabled);

    InboxText::Proposal proposal;
    QList<InkButton*> buttons;
    InkLabel* feedback = nullptr;
};

// The judgments in flight, kept by the window for its whole life: a proposal shown again on
// another page cannot be judged twice at once.
class MergeJudge : public QObject {
    Q_OBJECT
public:
    MergeJudge(DaemonClient& client, QObject* parent = nullptr);

    // Sends the card's judgment unless one for its proposal is in flight. The reply always frees
    // the proposal; the card shows it only while it exists and `ticket`, taken from the card's
    // column when the button was pressed, is current. After every success `settled` is called
    // with the card and the entity the reply's state names ("merged:42"), if any.
    void judge(MergeCard* card, std::optional<qint64> keep, Generation::Ticket ticket,
               std::function<void(MergeCard* card, std::optional<qint64> entity)> settled = {});

private:
    DaemonClient& client;
    QSet<qint64> inFlight;
};

} // namespace vesk
