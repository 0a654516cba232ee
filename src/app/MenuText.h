#pragma once

#include "Alerts.h"
#include "DaemonClient.h"
#include "KeyChord.h"
#include "PlatformServices.h"

#include <QDateTime>
#include <QString>
#include <optional>

// The words of the status item and its menu, kept apart from the widgets so each can be checked.
namespace vesk::MenuText {

struct StateLines {
    QString glyph;
    bool recording = false; // drawn in Ink.dot and outlined
    QString tooltip;
    QString title;
    bool operator==(const StateLines&) const = default;
};

// Glyph, tooltip and first menu line for a daemon state; the tooltip gains the waiting count.
StateLines forState(const DaemonClient::State& state, qint64 pendingProposals);

// Bytes shown in mebibytes with one decimal; a negative count is absent.
QString pixelsLine(std::optional<qint64> bytes);
QString databaseLine(std::optional<qint64> bytes);

// "Resume recording  ·  paused until 14:05" and its plain forms.
QString captureLine(bool paused, std::optional<qint64> pausedUntilMs, const QDateTime& now);
QString injectionLine(bool enabled, std::optional<qint64> count, std::optional<qint64> pausedUntilMs,
                      const QDateTime& now);
// The lines right after a switch, before the next status reply: no pause end, no count.
QString captureSwitchLine(bool paused);
QString injectionSwitchLine(bool enabled);

// The tier titles in menu order, and the line of one tier.
QString tierTitle(const QString& tier);
struct TierState {
    bool enabled = false;
    bool ready = false;
    bool operator==(const TierState&) const = default;
};
QString tierLine(const QString& tier, std::optional<TierState> state);

// The confirmation shown before a tier is turned on.
struct TierAlert {
    QString title;
    QString text;
};
TierAlert tierAlert(const QString& tier);
// The confirmation that asks before a tier is turned on, in those words; Cancel is its safe answer.
AlertSpec tierConfirmation(const QString& tier);

QString inboxLine(qint64 proposals);
QString digestLine(qint64 count);
// The line at the top of the menu while presenting: why asking and the windows do nothing.
QString presentingLine();
QString presentationLine(bool on);

// Why the shortcut's keys could not be registered, as the end of a sentence ("another app owns it").
QString shortcutReason(Hotkey::Registration registration);
// The standard-error line when the shortcut's keys could not be registered; empty when they were.
// It names the keys, how to choose others, and the menu only where a tray host shows it.
QString shortcutFailureLine(Hotkey::Registration registration, const KeyChord& keys, bool trayHost);
// The same on the ask panel, for a start from the launcher, which shows no standard error.
QString shortcutNotice(Hotkey::Registration registration, const KeyChord& keys, bool trayHost);
// Keys to suggest in those lines: Ctrl+Alt+Space, or others when those failed.
KeyChord suggestedKeys(const KeyChord& failed);
// What a change of keys came to: they open Vesk now, or why not and which keys still do.
QString appliedLine(const KeyChord& keys, Hotkey::Registration registration, const KeyChord& before, bool stored);
// The question before a command shortcut is added to the desktop's settings.
AlertSpec desktopShortcutOffer(const KeyChord& keys, Hotkey::Registration registration);
// What became of the offer to add a desktop shortcut that runs `vesk --ask`, in one line.
QString desktopShortcutLine(DesktopShortcut::Result result, const KeyChord& keys);
// The ask panel's notice when no tray host shows the status item.
QString noTrayNotice();

// The diagnostic line of VESK_APP_DEBUG.
QString diagnosticLine(bool visible, double x, double width, double screenWidth, double notchLeft, double notchRight);
// The shortest decimal that reads back as the same double, always with a fractional part.
QString shortestDecimal(double value);

} // namespace vesk::MenuText
