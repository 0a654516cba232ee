#pragma once

#include "AgentConnection.h"
#include "DaemonClient.h"
#include "DataText.h"
#include "KeyChord.h"

#include <QList>
#include <QString>
#include <optional>

// What the setup guide reads from the daemon and the words it shows, kept apart from its widgets.
namespace vesk::OnboardingText {

// The pages of the guide by id: the three of the flow, in order, and the last one, which only
// finishing (or a preview) reaches.
inline constexpr int introPage = 0;
inline constexpr int agentsPage = 5;
inline constexpr int permissionsPage = 6;
inline constexpr int shortcutPage = 7;
inline const QList<int> pages{introPage, agentsPage, permissionsPage};

// The page a stored id opens: ids outside the flow open the first page.
int pageFor(std::optional<qint64> stored);
// "1 OF 3" … "ALL SET".
QString progress(int page);
QString title(int page);
QString continueTitle(int page);

// The shortcut page's words for the keys that open the ask panel: "Press Alt+Space to ask about
// your work.", the large keys label "Alt  +  Space" and "Hold Alt, then press Space.".
QString shortcutLead(const KeyChord& keys);
QString shortcutKeys(const KeyChord& keys);
QString shortcutHold(const KeyChord& keys);
// Under the keys: where other keys are chosen, and the line while chosen ones are tried.
QString chooseKeysNote();
QString trying(const KeyChord& keys);
// The first page of a review says that walking through it changes nothing.
QString reviewNote();

// The supported agents (Codex and Claude Code) of a connections reply, in its order.
QList<AgentConnection> supported(const QList<AgentConnection>& tools);
// What the page lays out of them: as many as "Your data" lists of all tools, so an agent listed
// there is listed here too, and a list the page's width and a person's patience still hold.
inline constexpr qsizetype shownAgents = DataText::shownTools;
// The supported agents of a connections reply, cut to those shown; made to run on a worker.
DataText::Listed<AgentConnection> agentList(const Reply& connections);
bool anyConnected(const QList<AgentConnection>& agents);
// "Claude Code   ·   connected"
QString agentLine(const AgentConnection& agent);

// What the daemon reports of itself: answering, and the two permissions it needs.
struct Readiness {
    bool reachable = false;
    bool screenRecording = false;
    bool accessibility = false;
    bool ready() const { return screenRecording && accessibility; }
    bool operator==(const Readiness&) const = default;
};
Readiness readiness(const Reply& status);

} // namespace vesk::OnboardingText
