#pragma once

#include "KeyChord.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QSet>
#include <QString>
#include <optional>

// The words of asking and searching (the search, the answer and the first-run page) and of the
// entity and evidence rows they show, built from daemon replies without any widget, so each one
// can be checked on its own.
namespace vesk::AskText {

inline const QString opening = QStringLiteral("Search your local memory, or press return to ask a question.");
// The key hints of a search (and of every page that keeps its keys) and of an answer.
inline const QString searchHint = QStringLiteral("return to ask · shift+return to search · esc to close");
inline const QString answerHint = QStringLiteral("Ctrl+Shift+C copy for agent · return to ask · esc to close");

// An object's "sources": 0 when absent, nothing when the daemon gave one that is no count.
std::optional<qint64> sourceCount(const QJsonObject& item);
// "1 source", "3 sources", "at least 5 sources" for an object with "sources" and
// "sources_truncated"; "sources unavailable" for a count below 0 or no number.
QString sourcePhrase(const QJsonObject& item);

// The age of an item's "observed_at_ms" ("just now", "4 min ago", …); nothing when it is absent
// or outside the sane range of times.
std::optional<QString> evidenceWhen(const QJsonObject& item, const QDateTime& now);

// Failure titles by the daemon's code (exact strings).
QString failureTitle(const QString& code);
// The codes that mean the answer service, not the user, has to act: they always get Retry and a
// fixed text that asks for no model account.
bool isServiceAccessCode(const QString& code);
QString failureBody(const QString& code, const QString& message);
// A failure's "quota_reset_at" in seconds; nothing when absent or outside the sane range of times.
std::optional<qint64> resetAt(const QJsonObject& failure);
// "This device can ask again after <date and time>." in the user's locale.
QString resetLine(qint64 resetAtSeconds);

// The first-run page's lead, which teaches the keys that open the panel.
QString firstRunLead(const KeyChord& keys);

// The first-run readiness line for a status reply; `askReady` is nothing when the button should
// keep its state (the daemon could not be read).
struct Readiness {
    QString text;
    std::optional<bool> askReady;
    bool operator==(const Readiness&) const = default;
};
Readiness readiness(const std::optional<QJsonObject>& status);

// The three lines of an evidence row; nothing when the item has no numeric "frame_id".
struct EvidenceLines {
    qint64 frameId = 0;
    QString title;
    QString detail;
    QString meta;
    bool screen = false; // false: an agent conversation, which has no pixels
    bool operator==(const EvidenceLines&) const = default;
};
std::optional<EvidenceLines> evidenceLines(const QJsonObject& item, const QDateTime& now);

// An entity row's label and meta line; nothing without a string "label" and an integer "node_id".
// The meta line names the kind in words (EntityText::kindWord).
struct EntityLines {
    qint64 id = 0;
    QString label;
    QString kind;
    qint64 sources = 0; // below 0: unavailable
    QString meta;
    bool operator==(const EntityLines&) const = default;
};
std::optional<EntityLines> entityLines(const QJsonObject& node, bool cited);

// The rows of a reply's array, element by element: elements that yield no row are left out, so
// one bad element never costs the good ones.
// A search reply's "nodes".
QList<EntityLines> searchRows(const QJsonObject& reply);
// What an answer rests on: its "evidence" rows when any element yields one, else its cited
// "sources" as entity rows; `evidence` says which.
struct AnswerSources {
    bool evidence = false;
    QList<EvidenceLines> items;
    QList<EntityLines> entities;
    bool isEmpty() const { return items.isEmpty() && entities.isEmpty(); }
};
AnswerSources answerSources(const QJsonObject& reply, const QDateTime& now);

// A claim's frames: its "frame_ids" of 1 or more, in order; none at all unless every element is
// an integer.
QList<qint64> keptFrameIds(const QJsonObject& claim);
// The claims that carry a non-empty "text", in reply order (their tags count from 1 in this order).
QList<QJsonObject> textClaims(const QJsonObject& reply);

// The plain-text digest for a coding agent; nothing unless the reply holds a non-empty answer.
// `correctedTags` are the claim numbers (from 1) whose correction was saved.
struct Digest {
    QString text;
    int omitted = 0;
    bool operator==(const Digest&) const = default;
};
std::optional<Digest> agentDigest(const QString& question, const QJsonObject& reply, const QSet<int>& correctedTags);

} // namespace vesk::AskText
