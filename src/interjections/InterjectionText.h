#pragma once

#include "Candidate.h"

#include <QString>
#include <optional>

// The reminders' words: the last-decision notes and the card's lines.
namespace vesk::InterjectionText {

// A fraction as a whole percentage: 0.61 → 61.
qint64 percent(double fraction);

// "unresolved question" for "open_question", otherwise the kind itself.
QString kindPhrase(const QString& kind);
// The kind's name on the card ("Open question", "Task", …, "Memory").
QString cardKind(const QString& kind);

// Notes that take no data.
inline const QString interruptionsOff = QStringLiteral("Stayed quiet · interruptions are off");
inline const QString capReached = QStringLiteral("Stayed quiet · daily cap reached");
inline const QString ownAppInFront = QStringLiteral("Stayed quiet · Vesk itself was in front");
inline const QString meetingApp = QStringLiteral("Stayed quiet · meeting or presentation app detected");
inline const QString fullScreen = QStringLiteral("Stayed quiet · full-screen focus detected");
inline const QString titleUnavailable = QStringLiteral("Stayed quiet · the foreground window title was unavailable");
inline const QString noUsableTitle = QStringLiteral("Stayed quiet · the foreground window had no usable title");
inline const QString memoryUnavailable = QStringLiteral("Stayed quiet · local memory was unavailable");
inline const QString presenting = QStringLiteral("Stayed quiet · Presentation Mode");
inline const QString nothingRelevant = QStringLiteral("Stayed quiet · no relevant open item was found");
inline const QString unclassified = QStringLiteral("Stayed quiet · vesk could not say what kind of item this is");
inline const QString coolingDown = QStringLiteral("Stayed quiet · this item is in its 7-day cooldown");
inline const QString deliveryUnavailable = QStringLiteral("Delivery unavailable · vesk could not apply its policy");

QString quietHours(qint64 start, qint64 end);
QString muted(const QString& kind);
QString belowGate(double relevance, double gate);
// A daemon reason code in words: "held_presentation" → "Stayed quiet · held presentation".
QString heldFor(const QString& reason);
QString spokeSearch(double relevance, double gate);
QString spokeReopened(const QString& kind);

// The card's lines.
QString kicker(const QString& kind);
QString relatedTo(const QString& context);
QString evidence(const Candidate& candidate, bool semantic);
// "2 of 2 today · 86% relevance · 40% opened"; the relevance parts only with a relevance.
QString cardMetrics(std::optional<double> relevance, qint64 today, qint64 cap, qint64 shown, qint64 opened);

} // namespace vesk::InterjectionText
