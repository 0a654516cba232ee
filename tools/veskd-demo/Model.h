#pragma once

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QRectF>
#include <QSet>
#include <QString>
#include <QStringList>
#include <map>
#include <optional>

namespace vesk::demo {

struct Node {
    qint64 id = 0;
    QString label;
    QString type;
    double score = 0;
    QStringList aliases;       // other spellings; they find the node too
    QList<qint64> extraFrames; // sightings the text alone does not show (a merged spelling, an app)
    QString reopenedAs;        // state class when this item came back recently, else empty
};

struct Line {
    QString text;
    QRectF box; // fractions of the screenshot, y from the top; filled in by the painter
};

struct Frame {
    qint64 id = 0;
    qint64 capturedMs = 0;
    QString app;
    QString bundleId;
    QString title;
    QString url;
    QList<Line> lines;
    QString redaction; // pixels removed, and why; empty while they are kept
    QString imagePath; // empty when there is no picture on disk
    qint64 imageBytes = 0;
};

// A line of a conversation with a coding agent: evidence without pixels.
struct Message {
    qint64 id = 0;
    QString agent;
    qint64 atMs = 0;
    QString text;
};

struct Edge {
    qint64 id = 0;
    qint64 from = 0;
    qint64 to = 0;
    QString phrase;
    QString extractor;
};

struct Proposal {
    qint64 id = 0;
    qint64 a = 0;
    qint64 b = 0;
    QString method;
};

struct Package {
    QString id;
    QString recipient;
    qint64 createdMs = 0;
    QList<qint64> nodes, states, frames, messages, transitions, contradictions;
    QList<QPair<QString, qint64>> omissions;
    QString policyVersion;
    qint64 tokenCost = 0;
    QStringList outcomes;
};

struct Rule {
    qint64 id = 0;
    QString value;
    QString appName; // applications only
};

struct Tier {
    QString name;
    bool enabled = false;
    bool ready = false;
};

struct HeldItem {
    qint64 nodeId = 0;
    QString kind;
    QString label;
    qint64 sources = 0;
    double confidence = 0;
};

// What deleting a set of frames and agent lines would take with it.
struct ForgetCounts {
    QSet<qint64> frames;
    QSet<qint64> messages;
    qint64 textLines = 0;
    qint64 sightings = 0;
    QSet<qint64> nodesDeleted;
    qint64 nodesKept = 0;
    qint64 keptSightingsLost = 0;
    qint64 bytesFreed = 0;
};

// The demo memory: everything the stand-in daemon knows, loaded from the seed and changed by the
// operations. Sightings (which node was seen where) are derived from the text, never stored, so a
// rename, merge or forget shows up in every read that follows.
class Model {
public:
    // Loads the seed; times in it are minutes before `nowMs`.
    bool load(const QJsonObject& seed, qint64 nowMs, QString* error);

    std::map<qint64, Node> nodes;
    std::map<qint64, Frame> frames;
    std::map<qint64, Message> messages;
    std::map<qint64, Edge> edges;
    std::map<qint64, Proposal> proposals;
    QList<Package> packages; // oldest first
    QList<QPair<QString, QList<qint64>>> profileSentences;
    qint64 profileDropped = 0;
    QJsonArray connections;
    QList<Rule> appRules, websiteRules, titleRules;
    QList<Tier> tiers;

    bool onboarded = true;
    qint64 displays = 1;
    qint64 retentionDays = 7;
    bool capturePaused = false;
    std::optional<qint64> captureUntilMs;
    bool injectionEnabled = true;
    std::optional<qint64> injectionUntilMs;
    qint64 injectionsToday = 0;

    // Delivery policy.
    bool policyEnabled = true;
    qint64 dailyLimit = 2;
    qint64 retryMinutes = 60;
    bool reopenedEnabled = true;
    std::optional<qint64> quietStart, quietEnd;

    // Interjection counters and learned stances.
    qint64 shownTotal = 0, openedTotal = 0, heldBackTotal = 0, shownToday = 0;
    std::map<QString, QString> stances;
    QList<HeldItem> heldBack;
    QSet<qint64> offeredReopened;
    qint64 semanticAsks = 0;

    // Corrections already recorded, as "judgement|claim text".
    QSet<QString> corrections;

    qint64 nextRuleId = 100;
    qint64 nextPackage = 1;

    // --- reading ---
    bool nodeSeenIn(const Node& n, const Frame& f) const;
    bool nodeSeenIn(const Node& n, const Message& m) const;
    QList<qint64> framesOf(const Node& n) const;   // ascending
    QList<qint64> messagesOf(const Node& n) const; // ascending
    qint64 sourceCount(const Node& n) const { return framesOf(n).size() + messagesOf(n).size(); }
    qint64 lastSeenMs(const Node& n) const;
    QList<qint64> nodesSeenIn(qint64 frameId) const;
    QList<qint64> edgeFrames(const Edge& e) const; // frames where both ends were seen
    QList<const Edge*> edgesOf(qint64 nodeId) const;
    const Node* node(qint64 id) const;
    const Frame* frame(qint64 id) const;
    bool tierEnabled(const QString& name) const;
    bool capturing() const { return onboarded && !capturePaused; }
    QString captureReason(qint64 nowMs) const;
    bool hourIsQuiet(qint64 hour) const;

    // Frames whose pixels are past retention and still on disk.
    QList<qint64> expiredPixelFrames(qint64 nowMs) const;
    qint64 pixelBytes() const;
    qint64 databaseBytes() const;

    // --- changing ---
    ForgetCounts countForget(const QSet<qint64>& frameIds, const QSet<qint64>& messageIds, qint64 alsoNode) const;
    void applyForget(const ForgetCounts& counts, qint64 alsoNode);
    // Folds `gone` into `keep`: its spelling becomes an alias, its relations, sightings and citations
    // move over, and the proposals that named it no longer apply.
    void merge(qint64 keep, qint64 gone);
    Package& addPackage(const QString& recipient, qint64 nowMs);

    QJsonObject nodeObject(const Node& n) const; // label, node_id, node_type, sources, …
};

QString normalizedHost(const QString& typed);

} // namespace vesk::demo
