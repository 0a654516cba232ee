#pragma once

#include "Candidate.h"
#include "CandidateSearch.h"
#include "DaemonClient.h"
#include "Decision.h"
#include "WindowContext.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <functional>
#include <optional>
#include <variant>

namespace vesk {

class Clock;
class ForegroundContext;
class InterjectionSettings;
class PresentationMode;

// One decision pass: the local gates (the daily cap judged on today's count, which is asked for
// first when the counters in hand are from an earlier day or were never read), the window in front, the daemon's own
// reminder or else the search path (search, then the neighbours of the first hits, then the best candidate routed by
// the daemon and recorded by it). The pass owns its steps and ends in exactly one `finished`, after which its owner
// deletes it; replies that arrive later are dropped with it. Passes are not serialised: each tick starts its own. Main
// thread only.
class DecisionPass : public QObject {
    Q_OBJECT
public:
    struct Services {
        DaemonClient& client;
        Clock& clock;
        PresentationMode& presentation;
        ForegroundContext& foreground;
        InterjectionSettings& settings;
        // Whether a card is on screen: checked again at every reply, it ends the pass without a note.
        std::function<bool()> cardVisible;
    };

    // A card came up or the cap filled meanwhile: nothing to say.
    struct Stopped {
        bool operator==(const Stopped&) const = default;
    };
    // The pass stays quiet for the reason in `note`; a candidate held for its low relevance is
    // reported to the adoption record as held back.
    struct Quiet {
        QString note;
        std::optional<Candidate> heldBack;
        bool operator==(const Quiet&) const = default;
    };
    struct Speak {
        Candidate candidate;
        Decision::Accounting accounting;
        bool operator==(const Speak&) const = default;
    };
    using Outcome = std::variant<Stopped, Quiet, Speak>;

    explicit DecisionPass(Services services, QObject* parent = nullptr);

    void run();

signals:
    void finished(const vesk::DecisionPass::Outcome& outcome);

private:
    // The gates from the daily cap on.
    void capAndContext();
    void semanticReply(const Reply& reply);
    void searchContext();
    // The neighbours of the anchors, asked for a few at a time and gathered as they answer: each
    // reply can be tens of megabytes while it is read, and all of them at once held the memory of
    // all of them.
    void relatedCandidates(const QList<qint64>& anchors);
    // Asks for the next anchor's neighbours.
    void askRelations();
    void chooseAndShow(const QList<Candidate>& candidates);
    void route(const Candidate& best, double gate);
    void deliver(const Candidate& candidate, double gate, const Decision::Route& route, const Reply& delivery);
    void finish(const Outcome& outcome);

    Services s;
    WindowContext context;
    // The mutes as they were when the pass began decide it, whatever a refresh brings meanwhile.
    QSet<QString> muted;
    QList<Candidate> direct;
    // Per anchor, in the anchors' order: replies arrive in any order, ties are broken by this one.
    QList<qint64> anchors;
    QList<QList<Candidate>> related;
    qsizetype asked = 0;
    qsizetype relationsWaiting = 0;
    // Relations replies in flight at most.
    static constexpr qsizetype relationsAtOnce = 2;
};

} // namespace vesk
