#include "OnboardingText.h"

#include "Json.h"

#include <QStringList>

namespace vesk::OnboardingText {

int pageFor(std::optional<qint64> stored)
{
    return stored && pages.contains(int(*stored)) ? int(*stored) : introPage;
}

QString progress(int page)
{
    if (page == shortcutPage)
        return QStringLiteral("ALL SET");
    return QString::number(std::max<qsizetype>(pages.indexOf(page), 0) + 1) + QStringLiteral(" OF 3");
}

QString title(int page)
{
    switch (page) {
    case agentsPage:
        return QStringLiteral("Connect your agents.");
    case permissionsPage:
        return QStringLiteral("Let Vesk follow your work.");
    case shortcutPage:
        return QStringLiteral("Try your first shortcut.");
    default:
        return QStringLiteral("Your work, connected.");
    }
}

QString continueTitle(int page)
{
    if (page == permissionsPage)
        return QStringLiteral("Start Vesk");
    return page == shortcutPage ? QStringLiteral("Open Ask Vesk") : QStringLiteral("Continue");
}

QList<AgentConnection> supported(const QList<AgentConnection>& tools)
{
    QList<AgentConnection> out;
    // Other tools are not offered here.
    for (const AgentConnection& tool : tools)
        if (tool.name == QLatin1String("Codex") || tool.name == QLatin1String("Claude Code"))
            out.append(tool);
    return out;
}

DataText::Listed<AgentConnection> agentList(const Reply& connections)
{
    auto tools = AgentConnection::read(connections);
    if (tools)
        tools = supported(*tools);
    return DataText::listed(std::move(tools), shownAgents, connections);
}

bool anyConnected(const QList<AgentConnection>& agents)
{
    return std::any_of(agents.begin(), agents.end(), [](const AgentConnection& a) { return a.registered; });
}

QString agentLine(const AgentConnection& agent)
{
    QString status = QStringLiteral("not installed");
    if (agent.registered)
        status = QStringLiteral("connected");
    else if (agent.detected)
        status = agent.command.isEmpty() ? QStringLiteral("installed · not supported yet")
                                         : QStringLiteral("installed · not connected");
    return agent.name + QStringLiteral("   ·   ") + status;
}

Readiness readiness(const Reply& status)
{
    if (!Json::isKind(status, u"status"))
        return {};
    return {true, Json::boolean(*status, u"screen_recording").value_or(false),
            Json::boolean(*status, u"accessibility").value_or(false)};
}

QString shortcutLead(const KeyChord& keys)
{
    return QStringLiteral("Press ") + keys.text() + QStringLiteral(" to ask about your work.");
}

QString shortcutKeys(const KeyChord& keys)
{
    return keys.text(QStringLiteral("  +  "));
}

QString shortcutHold(const KeyChord& keys)
{
    const KeyChord key{0, keys.key};
    QStringList held = keys.text().split(QLatin1Char('+'));
    held.removeLast();
    if (held.isEmpty())
        return QStringLiteral("Press ") + key.text() + QLatin1Char('.');
    const QString last = held.takeLast();
    return QStringLiteral("Hold ")
        + (held.isEmpty() ? last : held.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last)
        + QStringLiteral(", then press ") + key.text() + QLatin1Char('.');
}

QString chooseKeysNote()
{
    return QStringLiteral("Keys taken by your desktop, or not to your liking? Choose others below; Vesk tries "
                          "them at once.");
}

QString trying(const KeyChord& keys)
{
    return QStringLiteral("Trying ") + keys.text() + QStringLiteral("…");
}

QString reviewNote()
{
    return QStringLiteral("This is a review of your setup: it shows where things stand, and going through it "
                          "changes nothing.");
}

} // namespace vesk::OnboardingText
