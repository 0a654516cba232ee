#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

// The words of the inbox and of its merge questions (which an entity page shows too), built from
// daemon replies without any widget.
namespace vesk::InboxText {

// A merge question: two names the daemon suspects are the same thing, with every key a card needs.
struct Proposal {
    qint64 id = 0;
    qint64 aId = 0;
    QString a;
    std::optional<qint64> an; // nothing: the count is unavailable
    qint64 bId = 0;
    QString b;
    std::optional<qint64> bn;
    std::optional<QString> method;
    bool operator==(const Proposal&) const = default;
};
std::optional<Proposal> proposal(const QJsonObject& item);
// The proposals of a reply that make a card, in reply order; with a label, only those naming it.
QList<Proposal> proposals(const QJsonObject& reply, const std::optional<QString>& naming = std::nullopt);

// How the daemon found the pair, as the inbox's cards say it.
QString methodLine(const std::optional<QString>& method);

// The inbox's "waiting on you" lines.
QString waitingStatus(qsizetype total, qsizetype shown);
QString waitingFooter(qsizetype total, qsizetype shown);
inline constexpr qsizetype inboxCards = 25;

// Recognised items: the nodes of a "top" reply that make a row (a label and an id), those of the
// kinds worth showing grouped in display order under their headings. `any` says whether any node
// made a row at all, so "nothing yet" and "nothing of the kind worth knowing" can differ.
struct Recognised {
    qint64 id = 0;
    QString label;
    QString kind;
    qint64 sources = 0;
    QString meta;        // "+2 other spellings  ·  3 sources  ·  yesterday"
    double strength = 0; // of the track's width, from 0.02 to 1
    bool operator==(const Recognised&) const = default;
};
struct KindGroup {
    QString heading;
    QList<Recognised> items;
};
struct RecognisedItems {
    bool any = false;
    QList<KindGroup> groups;
};
RecognisedItems recognised(const QJsonObject& reply, const QDateTime& now);
std::optional<QString> lastSeen(const QJsonObject& node, const QDateTime& now);

} // namespace vesk::InboxText
