#include "MenuText.h"

#include "Bytes.h"
#include "Dates.h"
#include "Phrases.h"

#include <QLocale>
#include <cmath>

namespace vesk::MenuText {

namespace {
bool inFuture(std::optional<qint64> ms, const QDateTime& now)
{
    return ms && now.toMSecsSinceEpoch() < *ms;
}

QString displaysPhrase(std::optional<qint64> displays)
{
    if (!displays)
        return QStringLiteral("(display count unavailable)");
    return countPhrase(*displays, QStringLiteral("display"));
}
} // namespace

StateLines forState(const DaemonClient::State& state, qint64 pendingProposals)
{
    StateLines lines;
    if (const auto* known = std::get_if<DaemonClient::Known>(&state)) {
        if (known->capturing) {
            lines.glyph = QStringLiteral("●");
            lines.recording = true;
            lines.tooltip = QStringLiteral("Vesk is recording ") + displaysPhrase(known->displays);
            lines.title = QStringLiteral("Recording ") + displaysPhrase(known->displays);
        } else {
            lines.glyph = QStringLiteral("○");
            lines.tooltip = QStringLiteral("Vesk is not recording");
            lines.title = QStringLiteral("Not recording");
        }
    } else {
        lines.glyph = QStringLiteral("◌");
        lines.tooltip = QStringLiteral("Vesk: cannot reach the daemon — state unknown");
        lines.title = QStringLiteral("Daemon unreachable — state unknown");
    }
    if (pendingProposals >= 1)
        lines.tooltip += QStringLiteral(" · ") + QString::number(pendingProposals) + QStringLiteral(" waiting on you");
    return lines;
}

QString pixelsLine(std::optional<qint64> bytes)
{
    if (const auto mb = Bytes::megabytesText(bytes))
        return QStringLiteral("Pixels      ") + *mb + QStringLiteral(" / 5120 MB");
    return QStringLiteral("Pixels      unavailable (could not read the folder)");
}

QString databaseLine(std::optional<qint64> bytes)
{
    if (const auto mb = Bytes::megabytesText(bytes))
        return QStringLiteral("Database    ") + *mb + QStringLiteral(" MB · uncapped");
    return QStringLiteral("Database    unavailable (could not read the file)");
}

QString captureLine(bool paused, std::optional<qint64> pausedUntilMs, const QDateTime& now)
{
    if (inFuture(pausedUntilMs, now))
        return QStringLiteral("Resume recording  ·  paused until ") + Dates::shortTime(Dates::local(*pausedUntilMs));
    return captureSwitchLine(paused);
}

QString captureSwitchLine(bool paused)
{
    return paused ? QStringLiteral("Resume recording") : QStringLiteral("Pause recording");
}

QString injectionSwitchLine(bool enabled)
{
    return enabled ? QStringLiteral("Turn injection off  ·  on") : QStringLiteral("Turn injection on  ·  off");
}

QString injectionLine(bool enabled, std::optional<qint64> count, std::optional<qint64> pausedUntilMs,
                      const QDateTime& now)
{
    if (enabled && !count)
        return QStringLiteral("Turn injection off  ·  on, today's count unavailable");
    if (enabled)
        return QStringLiteral("Turn injection off  ·  on, ") + QString::number(*count) + QStringLiteral(" today");
    if (inFuture(pausedUntilMs, now))
        return QStringLiteral("Resume injection  ·  paused until ") + Dates::shortTime(Dates::local(*pausedUntilMs));
    return injectionSwitchLine(false);
}

QString tierTitle(const QString& tier)
{
    if (tier == QStringLiteral("answers"))
        return QStringLiteral("Answers");
    if (tier == QStringLiteral("embeddings"))
        return QStringLiteral("Entity names");
    if (tier == QStringLiteral("relations"))
        return QStringLiteral("Screen text");
    return QStringLiteral("Profile");
}

QString tierLine(const QString& tier, std::optional<TierState> state)
{
    const QString title = tierTitle(tier);
    if (!state)
        return title + QStringLiteral("   unknown");
    if (!state->enabled)
        return title + QStringLiteral("   off");
    if (state->ready)
        return title + QStringLiteral("   on");
    if (tier == QStringLiteral("answers"))
        return title + QStringLiteral("   unavailable");
    return title + QStringLiteral("   on, no client — restart Vesk");
}

TierAlert tierAlert(const QString& tier)
{
    if (tier == QStringLiteral("answers"))
        return {QStringLiteral("Turn on answer generation?"),
                QStringLiteral("Your question, and the lines of screen text that matched it, go to a hosted model. "
                               "Passwords and keys are removed before sending. With this off, asking a question "
                               "searches your memory and shows what it found, without sending anything to a model.")};
    if (tier == QStringLiteral("embeddings"))
        return {QStringLiteral("Send entity names to a model?"),
                QStringLiteral("The NAMES of things Vesk has recorded — projects, files, issues, people — are sent on "
                               "a timer so related ones can be grouped. No screen text is sent. Turning it on splits "
                               "coarse clusters; it never creates them.")};
    if (tier == QStringLiteral("relations"))
        return {QStringLiteral("Send raw screen text to a model?"),
                QStringLiteral("This changes what Vesk can honestly say about itself. Today: pixels never leave, the "
                               "database never leaves, RAW SCREEN TEXT never leaves. With this on, screen text does "
                               "leave — redacted of credentials, filtered by your blocklist, bounded, and only from "
                               "apps you have not blocked. It is what finds decisions, tasks and open questions "
                               "instead of just names.")};
    return {QStringLiteral("Let a model write about you?"),
            QStringLiteral("Entity NAMES from your graph are sent to a model, which writes a few sentences about your "
                           "work. No screen text is sent. Every sentence must cite things in your own graph; ones "
                           "that cite anything else are discarded before they are stored. Forgetting anything it "
                           "cites deletes the whole paragraph.")};
}

AlertSpec tierConfirmation(const QString& tier)
{
    const TierAlert words = tierAlert(tier);
    AlertSpec confirmation;
    confirmation.style = AlertSpec::Style::warning;
    confirmation.title = words.title;
    confirmation.text = words.text;
    confirmation.buttons = {QStringLiteral("Turn it on"), QStringLiteral("Cancel")};
    confirmation.safe = 1;
    return confirmation;
}

QString inboxLine(qint64 proposals)
{
    if (proposals == 0)
        return QStringLiteral("What it knows about you");
    return QStringLiteral("What it knows about you  (") + QString::number(proposals) + QStringLiteral(")");
}

QString digestLine(qint64 count)
{
    if (count == 0)
        return QStringLiteral("Weekly review");
    return QStringLiteral("Weekly review (") + QString::number(count) + QStringLiteral(")");
}

QString presentingLine()
{
    return QStringLiteral("Presentation Mode is on: Vesk's windows and the ask shortcut stay hidden");
}

QString presentationLine(bool on)
{
    return on ? QStringLiteral("Presentation Mode  ·  on") : QStringLiteral("Presentation Mode");
}

QString shortcutReason(Hotkey::Registration registration)
{
    switch (registration) {
    case Hotkey::Registration::taken:
        return QStringLiteral("another app owns it");
    case Hotkey::Registration::unsupported:
        return QStringLiteral("this desktop's portal gives applications no global shortcut");
    case Hotkey::Registration::unbound:
        return QStringLiteral("the desktop's portal bound no key for it");
    case Hotkey::Registration::refused:
        return QStringLiteral("the desktop declined the shortcut");
    case Hotkey::Registration::unavailable:
    case Hotkey::Registration::registered:
    case Hotkey::Registration::pending:
        break;
    }
    // Wayland without a portal, no X server, or a keyboard map without the keys: nothing to grab.
    return QStringLiteral("global shortcuts are unavailable here");
}

KeyChord suggestedKeys(const KeyChord& failed)
{
    const KeyChord ctrlAltSpace{KeyChord::ctrl | KeyChord::alt, QStringLiteral("space")};
    return failed == ctrlAltSpace ? KeyChord{KeyChord::ctrl | KeyChord::shift, QStringLiteral("space")} : ctrlAltSpace;
}

QString shortcutFailureLine(Hotkey::Registration registration, const KeyChord& keys, bool trayHost)
{
    if (registration == Hotkey::Registration::registered || registration == Hotkey::Registration::pending)
        return {};
    // The way in that remains: the menu, where a tray host shows it; else the panel a start opens.
    return QStringLiteral("[vesk-app] could not register ") + keys.text() + QStringLiteral("; ")
        + shortcutReason(registration) + QStringLiteral(". Choose other keys with vesk --shortcut KEYS (for example ")
        + QStringLiteral("vesk --shortcut ") + suggestedKeys(keys).text()
        + (trayHost ? QStringLiteral("), or use the menu.\n")
                    : QStringLiteral("); until then, start Vesk again or run vesk --ask to open the ask panel.\n"));
}

QString shortcutNotice(Hotkey::Registration registration, const KeyChord& keys, bool trayHost)
{
    return keys.text() + QStringLiteral(" does not open Vesk here: ") + shortcutReason(registration)
        + QStringLiteral(". Choose other keys with vesk --shortcut KEYS in a terminal, for example vesk --shortcut ")
        + suggestedKeys(keys).text() + QStringLiteral(". ")
        + (trayHost ? QStringLiteral("Until then, the menu's Ask something opens this panel.")
                    : QStringLiteral("Until then, start Vesk again or run vesk --ask to open this panel."));
}

QString appliedLine(const KeyChord& keys, Hotkey::Registration registration, const KeyChord& before, bool stored)
{
    if (registration == Hotkey::Registration::registered)
        return keys.text() + QStringLiteral(" opens Vesk now.")
            + (stored ? QString()
                      : QStringLiteral(" Vesk could not save the choice, so the next start uses ") + before.text()
                       + QStringLiteral(" again."));
    return QStringLiteral("Vesk could not register ") + keys.text() + QStringLiteral(": ")
        + shortcutReason(registration) + QStringLiteral(". Vesk keeps ") + before.text() + QStringLiteral(".");
}

AlertSpec desktopShortcutOffer(const KeyChord& keys, Hotkey::Registration registration)
{
    AlertSpec offer;
    offer.title = QStringLiteral("Add ") + keys.text() + QStringLiteral(" as a desktop shortcut?");
    offer.text = QStringLiteral("Vesk cannot register ") + keys.text() + QStringLiteral(" itself here: ")
        + shortcutReason(registration) + QStringLiteral(". Vesk can add ") + keys.text()
        + QStringLiteral(" to the desktop's keyboard shortcuts, running vesk --ask, which opens the ask panel. "
                         "Vesk asks this once.");
    offer.buttons = {QStringLiteral("Add Shortcut"), QStringLiteral("Not Now")};
    return offer;
}

QString desktopShortcutLine(DesktopShortcut::Result result, const KeyChord& keys)
{
    switch (result) {
    case DesktopShortcut::Result::added:
        return keys.text() + QStringLiteral(" now runs vesk --ask from the desktop's keyboard shortcuts.");
    case DesktopShortcut::Result::alreadyAdded:
        return keys.text()
            + QStringLiteral(" already runs vesk --ask from the desktop's keyboard shortcuts; nothing was changed.");
    case DesktopShortcut::Result::keysTaken:
        return QStringLiteral("The desktop already uses ") + keys.text()
            + QStringLiteral(" for another shortcut; Vesk left it as it was.");
    case DesktopShortcut::Result::noSettings:
        return QStringLiteral("This desktop's keyboard shortcut settings are not installed here; Vesk could not "
                              "add the shortcut.");
    case DesktopShortcut::Result::failed:
        break;
    }
    return QStringLiteral("The desktop's settings did not take the shortcut; Vesk could not add it.");
}

QString noTrayNotice()
{
    return QStringLiteral("This desktop shows no tray icons, so Vesk opens this panel when it starts. Start Vesk "
                          "again, or run vesk --ask, to bring the panel back.");
}

QString shortestDecimal(double value)
{
    QString s = QString::number(value, 'g', QLocale::FloatingPointShortest);
    if (std::isfinite(value) && !s.contains(QLatin1Char('.')) && !s.contains(QLatin1Char('e')))
        s += QStringLiteral(".0");
    return s;
}

QString diagnosticLine(bool visible, double x, double width, double screenWidth, double notchLeft, double notchRight)
{
    return QStringLiteral("Vesk-app: visible=") + (visible ? QStringLiteral("true") : QStringLiteral("false"))
        + QStringLiteral(" x=") + shortestDecimal(x) + QStringLiteral(" w=") + shortestDecimal(width)
        + QStringLiteral(" screen=") + shortestDecimal(screenWidth) + QStringLiteral(" notch=[")
        + shortestDecimal(notchLeft) + QStringLiteral("..") + shortestDecimal(notchRight) + QStringLiteral("]\n");
}

} // namespace vesk::MenuText
