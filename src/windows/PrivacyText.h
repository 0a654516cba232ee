#pragma once

#include "DaemonClient.h"
#include "DataText.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The words of the privacy exclusions window and the reading of its replies. No widgets: each
// function is tested on its own.
namespace vesk::PrivacyText {

// The three sections, in the order of their segments.
enum class Mode { applications, websites, windowTitles };
// Any segment other than 1 or 2 counts as applications.
Mode modeOf(int segment);

// What a section says and asks the daemon.
struct Copy {
    QString segment;
    QString heading;
    QString explanation;
    QString empty;
    QString addTitle;
    QString valueKey; // the rule's value in a list reply
    QString removeQuestion;
    QString forgetKind;    // websites and title phrases: the kind a forget preview is asked for
    QString forgetSubject; // websites and title phrases: what the forget dialogs call the rule's data
    QString addFailed;     // websites and title phrases: the failure of adding a rule
};
const Copy& copy(Mode mode);

// One rule the daemon holds: its id and its value (a desktop id, a hostname or a phrase).
struct Rule {
    qint64 id = 0;
    QString value;
    bool operator==(const Rule&) const = default;
};

inline const QString loading = QStringLiteral("Loading privacy exclusions…");
inline const QString loadFailed
    = QStringLiteral("Could not load privacy exclusions. Vesk could not look; this is not an empty list.");
inline const QString note = QStringLiteral("Exclusions stop future capture. Existing data stays unless you separately "
                                           "choose to forget it. Built-in safety exclusions remain active.");
inline const QString notInstalled = QStringLiteral("Application not currently installed");

// The rules of a list reply in reply order, without those lacking a numeric id or a string value;
// nothing when the reply holds no "rules" array, or one with elements none of which is such a rule:
// a failed load, never an empty list.
std::optional<QList<Rule>> rules(const Reply& reply, Mode mode);

// What the window lays out of a section's rules: a list a person scans for the one to remove.
inline constexpr qsizetype shownRules = 100;
// The rules of a list reply cut to those shown, with every rule's value (the chooser leaves out the
// applications already excluded, shown or not); made to run on a worker.
struct Listing {
    DataText::Listed<Rule> shown;
    QStringList values;
};
Listing listing(const Reply& reply, Mode mode);
// "9900 more website exclusions are not shown."
QString notShown(qsizetype more, Mode mode);

// A section's explanation; the websites section adds what this desktop needs for the daemon to read
// window titles (`windowTitlesNeed`, the platform's words), which is how a website is told.
QString explanation(Mode mode, const QString& windowTitlesNeed);

// The question before removing a rule, with the daemon's value isolated from the words around it.
QString removeText(const QString& value);

// --- adding an application
QString excludeAppTitle(const QString& name);
QString excludeAppText(const QString& applicationId);
// What forgetting the captures under a rule would delete, as its preview counts it; a count below 0
// is nothing (unavailable).
struct ForgetPreview {
    std::optional<qint64> frames = 0;
    qint64 bytesFreed = 0; // below 0 shown as 0 bytes
    std::optional<qint64> textLines = 0;
    std::optional<qint64> sightings = 0;
    std::optional<qint64> nodesDeleted = 0;
    std::optional<qint64> nodesKept = 0;
    std::optional<qint64> keptSightingsLost = 0;
    bool operator==(const ForgetPreview&) const = default;

    // There is something to forget only when the daemon counted one screenshot record or more: an
    // unavailable count is never a reason to delete. Both forget paths ask this.
    bool somethingToForget() const { return frames.value_or(0) >= 1; }
};
// The preview of a reply of `kind` ("app_forget_preview", "rule_forget"); a count that is absent or
// not a number is 0. Nothing when the reply is not of that kind.
std::optional<ForgetPreview> forgetPreview(const Reply& reply, QStringView kind);
// What a forget the daemon confirmed ("app_forgot" for an application, or a "rule_forget" that says
// it was applied) removed: the screenshot records, nothing when their count is unavailable.
struct Removed {
    std::optional<qint64> frames;
    bool operator==(const Removed&) const = default;
};
// Nothing when the daemon did not confirm it.
std::optional<Removed> forgotten(const Reply& reply, Mode mode);

// The option to forget earlier captures as well, and whether it can be chosen.
struct ForgetOption {
    QString text;
    bool enabled = false;
    bool operator==(const ForgetOption&) const = default;
};
ForgetOption forgetOption(const ForgetPreview& preview);
// The closing sentences of the irreversible forget.
inline const QString ruleClosing = QStringLiteral(". This cannot be undone.");
inline const QString appClosing
    = QStringLiteral(". Other applications and agent conversations are not included. This cannot be undone.");

// --- offering to forget earlier captures (websites and title phrases)
QString offerTitle(const QString& subject);
QString offerText(qint64 frames);

// --- the irreversible forget
QString forgetTitle(const QString& subject);
// What the forget would delete, from the counts of its preview.
QString forgetText(const ForgetPreview& preview, const QString& closing);
QString forgottenTitle(const QString& subject);
// "Removed 2 screenshot records" and what still holds.
QString forgottenText(const Removed& removed, const QString& remains);

// A forget that brought no reply may have run: what a fresh preview says about it, against the
// `expected` screenshot records the confirmed preview counted. `remains` is what still holds.
struct Verdict {
    bool warning = false;
    QString title; // "Forgotten.", "Nothing was deleted.", "Partly done, and still going." or that Vesk could not check
    QString text;
    bool operator==(const Verdict&) const = default;
};
Verdict verdict(const std::optional<ForgetPreview>& fresh, qint64 expected, const QString& subject,
                const QString& remains);

} // namespace vesk::PrivacyText
