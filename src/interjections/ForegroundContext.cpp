#include "ForegroundContext.h"

#include "InterjectionText.h"

#include <QStringList>

namespace vesk {

namespace {

// Spaces and tabs only: a title of one character between spaces is not usable.
QString trimSpacesAndTabs(const QString& s)
{
    qsizetype start = 0;
    qsizetype end = s.size();
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (start < end && blank(s[start]))
        ++start;
    while (end > start && blank(s[end - 1]))
        --end;
    return s.mid(start, end - start);
}

} // namespace

ForegroundContext::ForegroundContext(ForegroundWindow& window, QString ownApplicationId, qint64 ownPid,
                                     std::optional<QString> testTitle)
    : window(window)
    , ownApplicationId(std::move(ownApplicationId))
    , ownPid(ownPid)
    , testTitle(std::move(testTitle))
{
}

ForegroundContext::Result ForegroundContext::read()
{
    if (testTitle)
        return testContext(*testTitle);
    return decide(window.current(), ownApplicationId, ownPid);
}

std::optional<QString> ForegroundContext::frontApplicationId()
{
    const auto front = window.current();
    if (!front || front->applicationId.isEmpty())
        return std::nullopt;
    return front->applicationId;
}

WindowContext ForegroundContext::testContext(const QString& title)
{
    return WindowContext{searchQuery(title), QStringLiteral("QA · ") + title, std::nullopt};
}

ForegroundContext::Result ForegroundContext::decide(const std::optional<ForegroundApp>& front,
                                                    const QString& ownApplicationId, std::optional<qint64> ownPid)
{
    // No readable window in front: no window manager publishes one, or it is already gone.
    if (!front)
        return Quiet{InterjectionText::titleUnavailable};
    if (front->applicationId == ownApplicationId || (ownPid && front->pid == ownPid))
        return Quiet{InterjectionText::ownAppInFront};
    if (isMeetingApp(front->applicationId))
        return Quiet{InterjectionText::meetingApp};
    if (trimSpacesAndTabs(front->windowTitle).size() < 3)
        return Quiet{InterjectionText::noUsableTitle};
    if (front->fullScreen)
        return Quiet{InterjectionText::fullScreen};
    const QString name = front->name.isEmpty() ? QStringLiteral("this window") : front->name;
    return WindowContext{searchQuery(front->windowTitle), name + QStringLiteral(" · ") + front->windowTitle,
                         front->applicationId.isEmpty() ? std::nullopt : std::optional<QString>(front->applicationId)};
}

QString ForegroundContext::searchQuery(const QString& title)
{
    for (const QString& separator : {QStringLiteral(" — "), QStringLiteral(" – "), QStringLiteral(" - ")}) {
        const QString piece = title.section(separator, 0, 0).trimmed();
        if (piece.size() >= 3)
            return piece;
    }
    return title.trimmed();
}

bool ForegroundContext::isMeetingApp(const QString& applicationId)
{
    const QString id = applicationId.toLower();
    // Fragments of reverse-DNS ids, matched anywhere in the id.
    static const QStringList fragments{QStringLiteral("us.zoom"),
                                       QStringLiteral("zoom.us"),
                                       QStringLiteral("com.microsoft.teams"),
                                       QStringLiteral("webex"),
                                       QStringLiteral("cisco-systems.spark"),
                                       QStringLiteral("keynote"),
                                       QStringLiteral("powerpoint"),
                                       QStringLiteral("com.apple.facetime"),
                                       QStringLiteral("com.skype.client"),
                                       QStringLiteral("org.jitsi.jitsi-meet"),
                                       QStringLiteral("libreoffice.impress")};
    // Desktop-file ids derived from a window class, matched whole: "zoom" alone is too common a
    // word to match inside other ids.
    static const QStringList linuxIds{
        QStringLiteral("zoom"),          QStringLiteral("teams"),      QStringLiteral("teams-for-linux"),
        QStringLiteral("skypeforlinux"), QStringLiteral("jitsi-meet"), QStringLiteral("libreoffice-impress")};
    for (const QString& f : fragments)
        if (id.contains(f))
            return true;
    return linuxIds.contains(id);
}

} // namespace vesk
