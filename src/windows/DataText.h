#pragma once

#include "AgentConnection.h"
#include "DaemonClient.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

// The words of the "Your data" window, read from the daemon's replies into values that hold every
// field the window shows. No widgets: each function is tested on its own.
namespace vesk::DataText {

// The five sections, top to bottom.
inline const QString handoffsHeading = QStringLiteral("recent handoffs");
inline const QString connectionsHeading = QStringLiteral("what can read this");
inline const QString machineHeading = QStringLiteral("on this machine");
inline const QString profileHeading = QStringLiteral("what Vesk says about you");
inline const QString changeHeading = QStringLiteral("what you can change");

// --- reading shared by the data and privacy windows

// A count the window reads as 0 when the daemon leaves it out: absent or not a number is 0, any
// other number is read as an integer, and one below 0 is no count (unavailable, never shown
// negative and never a reason to delete).
std::optional<qint64> countOrZero(const QJsonValue& v);
// What a failed request says after the window's own title: the daemon's words when it gave them,
// else whether the daemon could not be reached (nothing was asked), did not answer, refused without
// a reason, or answered with something that could not be read.
QString failureText(const Reply& reply);
// A section's own words for a read that failed, followed by the daemon's when it refused with a
// reason: "… Vesk could not look; this is not an empty list.\nThe daemon said: Store locked."
QString failedRead(const QString& text, const Reply& reply);

// A list read on the worker that received it, cut to what the window lays out: its first `cap`
// elements and how many more were read, or nothing and the daemon's reason when the read failed.
template <class T> struct Listed {
    std::optional<QList<T>> items;
    qsizetype more = 0;
    std::optional<QString> said;
};
template <class T> Listed<T> listed(std::optional<QList<T>> all, qsizetype cap, const Reply& reply)
{
    Listed<T> out;
    out.said = reply.daemonMessage();
    if (all && all->size() > cap) {
        out.more = all->size() - cap;
        all->resize(cap);
    }
    out.items = std::move(all);
    return out;
}
// The same words as failedRead, from a list read elsewhere.
QString failedRead(const QString& text, const std::optional<QString>& said);
// The line under a list that was cut: "12 more handoffs are not shown."
QString notShown(qsizetype more, const QString& noun);

// What the window lays out of a list, chosen from what a person reads there: the handoffs asked
// for are 8, so a daemon sending a few more still has them shown; a handful of agent tools exist;
// and a name or recipient is read in one line.
inline constexpr qsizetype shownHandoffs = 20;
inline constexpr qsizetype shownTools = 50;
inline constexpr qsizetype shownName = 200;
inline constexpr qsizetype shownCommand = 2000;

// --- storage and retention (the status reply)

struct Storage {
    QString storage;                         // three lines: screenshots, database, counts
    QString retention;                       // the retention period and the expiry sentence
    std::optional<qint64> expiredFrames = 0; // nothing: unavailable
    std::optional<qint64> expiredBytes = 0;
    bool operator==(const Storage&) const = default;
};

inline const QString storageUnreachable = QStringLiteral("Vesk is not reachable, so it cannot report its size.");
inline const QString retentionFailed
    = QStringLiteral("Could not load retention. Vesk could not look; these are unavailable, not zero.");

// "1 MB of 5120 MB" and "3 MB, uncapped" from a byte count, in whole mebibytes (the menu gives
// tenths, in mebibytes too); "unavailable" without one.
QString pixelSize(std::optional<qint64> bytes);
QString databaseSize(std::optional<qint64> bytes);
// Expired payloads now, else the next expiry (unknown when its time is out of range), else that
// nothing waits to expire.
QString expirySentence(std::optional<qint64> expiredFrames, const QJsonValue& nextExpiryMs);
Storage storage(const QJsonObject& status);

// The question before deleting expired pixels, with the counts of the last status reply.
QString deleteQuestion(qint64 expiredFrames, std::optional<qint64> expiredBytes);

// What a deletion did, or why it did not happen: the alert's title and text.
struct Outcome {
    bool deleted = false;
    QString title;
    QString text;
    bool operator==(const Outcome&) const = default;
};
Outcome deletion(const Reply& reply);

// --- recent handoffs

// One handoff row of `recent_deliveries` (a JSON array read by position).
// Counts are nothing when unavailable; the time is nothing when out of range.
struct Handoff {
    QString packageId;
    QString recipient;
    std::optional<QDateTime> sent;
    std::optional<qint64> tokens = 0;
    std::optional<qint64> references = 0;
    std::optional<qint64> leftOut = 0;
    bool operator==(const Handoff&) const = default;
};

inline const QString handoffsFailed
    = QStringLiteral("Could not load handoffs. Vesk could not look; this is unavailable, not none.");
inline const QString nothingSent = QStringLiteral("Nothing sent yet. Agent and desktop handoffs will appear here.");
inline const QString handoffsExplained = QStringLiteral(
    "Evidence references can include memories, screens and messages. Inspect a handoff to see the breakdown.");
inline const QString handoffFailed = QStringLiteral("Could not open this handoff. Vesk could not look; this is "
                                                    "unavailable, not empty. Close the details and inspect again "
                                                    "to retry.");

// The rows in reply order, without those that are not arrays or whose package id is not a string;
// nothing when the reply has no "deliveries" array or when none of its elements is such a row (a
// failed read, never an empty list).
std::optional<QList<Handoff>> handoffs(const Reply& reply);
// The same, cut to the handoffs the window shows; made to run on a worker.
Listed<Handoff> handoffList(const Reply& reply);
// Two lines: when and to whom (a recipient cut to one line of shownName characters), then what it
// carried.
QString deliveryLine(const Handoff& handoff);
// What a package referenced, cost and left out, line by line; each text the daemon gave is cut at
// `shown` characters.
QString packageDetail(const QJsonObject& package, qsizetype shown = shownName);
QString readableOmission(const QString& reason);

// --- agent connections

inline const QString connectionsFailed
    = QStringLiteral("Could not load agent connections. Vesk could not look; no connection state is shown.");
inline const QString agentsReadOnly = QStringLiteral("Agents can read your memory and cannot change it. Nothing an "
                                                     "agent says gets written back, so a model's mistake cannot end "
                                                     "up in your history.");

// The tool's name ("?" when it has none, cut to one line) and its status word: "Codex   ·   installed,
// not connected".
QString connectionLine(const AgentConnection& connection);
// The tools, cut to those the window shows; made to run on a worker.
Listed<AgentConnection> toolList(const Reply& reply);

// --- profile

struct Profile {
    QString body;
    QString meta;
    bool failed = false;
    bool operator==(const Profile&) const = default;
};
Profile profile(const Reply& reply);

// --- fixed texts

inline const QString changeBody = QStringLiteral(
    "You fix what Vesk got wrong where you see it. When two names look like one thing, it asks you which to keep "
    "instead of deciding. A relation it read off a screen takes one click to remove, and does not come back.");
inline const QString changeMeta
    = QStringLiteral("Forget takes an entity and everything derived from it, and shows you the counts before it "
                     "does. None of this needs a file, a query, or a support request.");
inline const QString retentionNote
    = QStringLiteral("Retention deletes screenshot pixels only. Extracted text, provenance, and memory remain until "
                     "you use Forget on the relevant entity.");
inline const QString encryptedNote = QStringLiteral("Encrypted, in a documented, open format, and it stays here.");

} // namespace vesk::DataText
