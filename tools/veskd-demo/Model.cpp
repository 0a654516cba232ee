#include "Model.h"

#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QUrl>
#include <algorithm>

namespace vesk::demo {

namespace {

constexpr qint64 minuteMs = 60 * 1000;

QList<qint64> intList(const QJsonValue& v)
{
    QList<qint64> out;
    for (const QJsonValue& x : v.toArray())
        out.append(x.toInteger());
    return out;
}

QStringList stringList(const QJsonValue& v)
{
    QStringList out;
    for (const QJsonValue& x : v.toArray())
        out.append(x.toString());
    return out;
}

QList<Rule> rulesFrom(const QJsonArray& array, const QString& key)
{
    QList<Rule> out;
    for (const QJsonValue& v : array) {
        const QJsonObject o = v.toObject();
        out.append(Rule{o.value("id").toInteger(), o.value(key).toString(), o.value("app_name").toString()});
    }
    return out;
}

bool lineMentions(const QString& line, const QString& name)
{
    return !name.isEmpty() && line.contains(name, Qt::CaseInsensitive);
}

} // namespace

bool Model::load(const QJsonObject& seed, qint64 nowMs, QString* error)
{
    const auto ago = [nowMs](const QJsonObject& o) { return nowMs - o.value("ago_min").toInteger() * minuteMs; };
    for (const QJsonValue& v : seed.value("nodes").toArray()) {
        const QJsonObject o = v.toObject();
        Node n{o.value("id").toInteger(),     o.value("label").toString(),    o.value("type").toString(),
               o.value("score").toDouble(),   stringList(o.value("aliases")), intList(o.value("frames")),
               o.value("reopened").toString()};
        if (n.id < 1 || n.label.isEmpty()) {
            *error = QStringLiteral("seed node without id or label");
            return false;
        }
        nodes[n.id] = n;
    }
    for (const QJsonValue& v : seed.value("frames").toArray()) {
        const QJsonObject o = v.toObject();
        Frame f;
        f.id = o.value("id").toInteger();
        f.capturedMs = ago(o);
        f.app = o.value("app").toString();
        f.bundleId = o.value("bundle_id").toString();
        f.title = o.value("title").toString();
        f.url = o.value("url").toString();
        f.redaction = o.value("redaction").toString();
        for (const QString& text : stringList(o.value("lines")))
            f.lines.append(Line{text, {}});
        if (f.id < 1) {
            *error = QStringLiteral("seed frame without id");
            return false;
        }
        frames[f.id] = f;
    }
    for (const QJsonValue& v : seed.value("messages").toArray()) {
        const QJsonObject o = v.toObject();
        Message m{o.value("id").toInteger(), o.value("agent").toString(), ago(o), o.value("text").toString()};
        messages[m.id] = m;
    }
    for (const QJsonValue& v : seed.value("edges").toArray()) {
        const QJsonObject o = v.toObject();
        Edge e{o.value("id").toInteger(), o.value("from").toInteger(), o.value("to").toInteger(),
               o.value("phrase").toString(), o.value("extractor").toString()};
        if (!nodes.count(e.from) || !nodes.count(e.to)) {
            *error = QStringLiteral("seed edge %1 names an unknown node").arg(e.id);
            return false;
        }
        edges[e.id] = e;
    }
    for (const QJsonValue& v : seed.value("proposals").toArray()) {
        const QJsonObject o = v.toObject();
        Proposal p{o.value("id").toInteger(), o.value("a").toInteger(), o.value("b").toInteger(),
                   o.value("method").toString()};
        if (!nodes.count(p.a) || !nodes.count(p.b)) {
            *error = QStringLiteral("seed proposal %1 names an unknown node").arg(p.id);
            return false;
        }
        proposals[p.id] = p;
    }
    for (const QJsonValue& v : seed.value("packages").toArray()) {
        const QJsonObject o = v.toObject();
        Package p;
        p.id = o.value("id").toString();
        p.recipient = o.value("recipient").toString();
        p.createdMs = ago(o);
        p.nodes = intList(o.value("nodes"));
        p.states = intList(o.value("states"));
        p.frames = intList(o.value("frames"));
        p.messages = intList(o.value("messages"));
        p.transitions = intList(o.value("transitions"));
        p.contradictions = intList(o.value("contradictions"));
        for (const QJsonValue& om : o.value("omissions").toArray())
            p.omissions.append({om.toArray().at(0).toString(), om.toArray().at(1).toInteger()});
        p.policyVersion = o.value("policy_version").toString();
        p.tokenCost = o.value("token_cost").toInteger();
        packages.append(p);
    }
    std::sort(packages.begin(), packages.end(),
              [](const Package& a, const Package& b) { return a.createdMs < b.createdMs; });

    const QJsonObject profile = seed.value("profile").toObject();
    for (const QJsonValue& v : profile.value("sentences").toArray())
        profileSentences.append({v.toObject().value("text").toString(), intList(v.toObject().value("cites"))});
    profileDropped = profile.value("uncited_dropped").toInteger();
    connections = seed.value("connections").toArray();

    const QJsonObject rules = seed.value("rules").toObject();
    appRules = rulesFrom(rules.value("apps").toArray(), "bundle_id");
    websiteRules = rulesFrom(rules.value("websites").toArray(), "host");
    titleRules = rulesFrom(rules.value("window_titles").toArray(), "phrase");
    for (const auto* list : {&appRules, &websiteRules, &titleRules})
        for (const Rule& r : *list)
            nextRuleId = std::max(nextRuleId, r.id + 1);

    for (const QJsonValue& v : seed.value("tiers").toArray()) {
        const QJsonObject o = v.toObject();
        tiers.append(Tier{o.value("name").toString(), o.value("enabled").toBool(), o.value("ready").toBool()});
    }
    onboarded = seed.value("onboarded").toBool(true);
    displays = seed.value("displays").toInteger(1);
    retentionDays = seed.value("retention_days").toInteger(7);
    capturePaused = seed.value("capture_paused").toBool();
    injectionEnabled = seed.value("injection_enabled").toBool(true);
    injectionsToday = seed.value("injections_today").toInteger();

    const QJsonObject policy = seed.value("policy").toObject();
    policyEnabled = policy.value("enabled").toBool(true);
    dailyLimit = policy.value("daily_limit").toInteger(2);
    retryMinutes = policy.value("retry_minutes").toInteger(60);
    reopenedEnabled = policy.value("reopened").toBool(true);
    if (policy.value("quiet_start_hour").isDouble() && policy.value("quiet_end_hour").isDouble()) {
        quietStart = policy.value("quiet_start_hour").toInteger();
        quietEnd = policy.value("quiet_end_hour").toInteger();
    }

    const QJsonObject counters = seed.value("signals").toObject();
    shownTotal = counters.value("shown").toInteger();
    openedTotal = counters.value("opened").toInteger();
    heldBackTotal = counters.value("held_back").toInteger();
    shownToday = counters.value("shown_today").toInteger();
    for (const QJsonValue& v : counters.value("stances").toArray())
        stances[v.toArray().at(0).toString()] = v.toArray().at(1).toString();
    for (const QJsonValue& v : counters.value("held_back_items").toArray()) {
        const QJsonObject o = v.toObject();
        heldBack.append(HeldItem{o.value("node_id").toInteger(), o.value("item_kind").toString(),
                                 o.value("label").toString(), o.value("sources").toInteger(),
                                 o.value("confidence").toDouble()});
    }
    return true;
}

bool Model::nodeSeenIn(const Node& n, const Frame& f) const
{
    if (n.extraFrames.contains(f.id))
        return true;
    for (const Line& line : f.lines) {
        if (lineMentions(line.text, n.label))
            return true;
        for (const QString& alias : n.aliases)
            if (lineMentions(line.text, alias))
                return true;
    }
    return false;
}

bool Model::nodeSeenIn(const Node& n, const Message& m) const
{
    if (lineMentions(m.text, n.label))
        return true;
    return std::any_of(n.aliases.begin(), n.aliases.end(), [&](const QString& a) { return lineMentions(m.text, a); });
}

QList<qint64> Model::framesOf(const Node& n) const
{
    QList<qint64> out;
    for (const auto& [id, f] : frames)
        if (nodeSeenIn(n, f))
            out.append(id);
    return out;
}

QList<qint64> Model::messagesOf(const Node& n) const
{
    QList<qint64> out;
    for (const auto& [id, m] : messages)
        if (nodeSeenIn(n, m))
            out.append(id);
    return out;
}

qint64 Model::lastSeenMs(const Node& n) const
{
    qint64 last = 0;
    for (qint64 id : framesOf(n))
        last = std::max(last, frames.at(id).capturedMs);
    for (qint64 id : messagesOf(n))
        last = std::max(last, messages.at(id).atMs);
    return last;
}

QList<qint64> Model::nodesSeenIn(qint64 frameId) const
{
    QList<qint64> out;
    const Frame* f = frame(frameId);
    if (!f)
        return out;
    for (const auto& [id, n] : nodes)
        if (nodeSeenIn(n, *f))
            out.append(id);
    return out;
}

QList<qint64> Model::edgeFrames(const Edge& e) const
{
    QList<qint64> out;
    const Node* a = node(e.from);
    const Node* b = node(e.to);
    if (!a || !b)
        return out;
    for (const auto& [id, f] : frames)
        if (nodeSeenIn(*a, f) && nodeSeenIn(*b, f))
            out.append(id);
    return out;
}

QList<const Edge*> Model::edgesOf(qint64 nodeId) const
{
    QList<const Edge*> out;
    for (const auto& [id, e] : edges)
        if (e.from == nodeId || e.to == nodeId)
            out.append(&e);
    return out;
}

const Node* Model::node(qint64 id) const
{
    const auto it = nodes.find(id);
    return it == nodes.end() ? nullptr : &it->second;
}

const Frame* Model::frame(qint64 id) const
{
    const auto it = frames.find(id);
    return it == frames.end() ? nullptr : &it->second;
}

bool Model::tierEnabled(const QString& name) const
{
    return std::any_of(tiers.begin(), tiers.end(), [&](const Tier& t) { return t.name == name && t.enabled; });
}

QString Model::captureReason(qint64 nowMs) const
{
    if (!onboarded)
        return QStringLiteral("setup is not finished");
    if (!capturePaused)
        return QStringLiteral("recording");
    if (captureUntilMs && *captureUntilMs > nowMs)
        return QStringLiteral("paused until ")
            + QDateTime::fromMSecsSinceEpoch(*captureUntilMs).toString(QStringLiteral("HH:mm"));
    return QStringLiteral("paused by you");
}

bool Model::hourIsQuiet(qint64 hour) const
{
    if (!quietStart || !quietEnd)
        return false;
    const qint64 s = *quietStart, e = *quietEnd;
    if (s < e)
        return s <= hour && hour < e;
    if (e < s)
        return hour >= s || hour < e;
    return false;
}

QList<qint64> Model::expiredPixelFrames(qint64 nowMs) const
{
    QList<qint64> out;
    const qint64 keepMs = retentionDays * 24 * 60 * minuteMs;
    for (const auto& [id, f] : frames)
        if (!f.imagePath.isEmpty() && f.capturedMs + keepMs <= nowMs)
            out.append(id);
    return out;
}

qint64 Model::pixelBytes() const
{
    qint64 total = 0;
    for (const auto& [id, f] : frames)
        if (!f.imagePath.isEmpty())
            total += f.imageBytes;
    return total;
}

qint64 Model::databaseBytes() const
{
    // Everything but the pixels: the text, the graph and the records, as they would be stored.
    qint64 total = 0;
    for (const auto& [id, f] : frames) {
        total += 96 + f.app.size() + f.title.size() + f.url.size();
        for (const Line& l : f.lines)
            total += 48 + l.text.toUtf8().size();
    }
    for (const auto& [id, m] : messages)
        total += 64 + m.text.toUtf8().size();
    for (const auto& [id, n] : nodes)
        total += 80 + n.label.toUtf8().size() + n.aliases.join(QString()).toUtf8().size();
    total += qint64(edges.size()) * 72 + qint64(proposals.size()) * 40 + qint64(packages.size()) * 256;
    return total;
}

ForgetCounts Model::countForget(const QSet<qint64>& frameIds, const QSet<qint64>& messageIds, qint64 alsoNode) const
{
    ForgetCounts c;
    c.frames = frameIds;
    c.messages = messageIds;
    for (qint64 id : frameIds) {
        const Frame* f = frame(id);
        if (!f)
            continue;
        c.textLines += f->lines.size();
        if (!f->imagePath.isEmpty())
            c.bytesFreed += f->imageBytes;
    }
    for (const auto& [id, n] : nodes) {
        const QList<qint64> fs = framesOf(n);
        const QList<qint64> ms = messagesOf(n);
        qint64 lost = 0;
        for (qint64 f : fs)
            lost += frameIds.contains(f);
        for (qint64 m : ms)
            lost += messageIds.contains(m);
        const qint64 total = fs.size() + ms.size();
        if (id == alsoNode) {
            c.sightings += total;
            c.nodesDeleted.insert(id);
        } else if (lost > 0 && lost == total) {
            c.sightings += lost;
            c.nodesDeleted.insert(id);
        } else if (lost > 0) {
            c.sightings += lost;
            c.nodesKept += 1;
            c.keptSightingsLost += lost;
        }
    }
    return c;
}

void Model::applyForget(const ForgetCounts& counts, qint64 alsoNode)
{
    for (qint64 id : counts.frames) {
        const auto it = frames.find(id);
        if (it == frames.end())
            continue;
        if (!it->second.imagePath.isEmpty())
            QFile::remove(it->second.imagePath);
        frames.erase(it);
    }
    for (qint64 id : counts.messages)
        messages.erase(id);
    QSet<qint64> gone = counts.nodesDeleted;
    if (alsoNode > 0)
        gone.insert(alsoNode);
    for (qint64 id : gone)
        nodes.erase(id);
    for (auto it = nodes.begin(); it != nodes.end(); ++it)
        it->second.extraFrames.removeIf([&](qint64 f) { return counts.frames.contains(f); });
    std::erase_if(edges, [&](const auto& e) { return gone.contains(e.second.from) || gone.contains(e.second.to); });
    std::erase_if(proposals, [&](const auto& p) { return gone.contains(p.second.a) || gone.contains(p.second.b); });
    heldBack.removeIf([&](const HeldItem& h) { return gone.contains(h.nodeId); });
}

void Model::merge(qint64 keep, qint64 gone)
{
    Node& k = nodes.at(keep);
    const Node g = nodes.at(gone);
    for (const QString& spelling : QStringList{g.label} + g.aliases)
        if (!k.aliases.contains(spelling, Qt::CaseInsensitive) && spelling.compare(k.label, Qt::CaseInsensitive) != 0)
            k.aliases.append(spelling);
    for (qint64 f : g.extraFrames)
        if (!k.extraFrames.contains(f))
            k.extraFrames.append(f);
    k.score = std::max(k.score, g.score);
    for (auto& [id, e] : edges) {
        if (e.from == gone)
            e.from = keep;
        if (e.to == gone)
            e.to = keep;
    }
    std::erase_if(edges, [](const auto& e) { return e.second.from == e.second.to; });
    std::erase_if(proposals, [gone](const auto& p) { return p.second.a == gone || p.second.b == gone; });
    for (HeldItem& h : heldBack)
        if (h.nodeId == gone)
            h.nodeId = keep;
    // What cited the old entity cites the kept one: a merge is not a forgetting, so the profile
    // stays and handoffs keep pointing at something that exists.
    const auto repoint = [keep, gone](QList<qint64>& ids) {
        if (ids.removeAll(gone) > 0 && !ids.contains(keep))
            ids.append(keep);
    };
    for (auto& sentence : profileSentences)
        repoint(sentence.second);
    for (Package& p : packages)
        repoint(p.nodes);
    nodes.erase(gone);
}

Package& Model::addPackage(const QString& recipient, qint64 nowMs)
{
    Package p;
    p.id = QStringLiteral("pkg-demo-%1").arg(nextPackage++);
    p.recipient = recipient;
    p.createdMs = nowMs;
    p.policyVersion = QStringLiteral("delivery-3");
    packages.append(p);
    return packages.last();
}

QJsonObject Model::nodeObject(const Node& n) const
{
    return QJsonObject{{"node_id", n.id},
                       {"label", n.label},
                       {"node_type", n.type},
                       {"sources", sourceCount(n)},
                       {"sources_truncated", false}};
}

QString normalizedHost(const QString& typed)
{
    QString text = typed.trimmed();
    if (!text.contains(QStringLiteral("://")))
        text.prepend(QStringLiteral("https://"));
    QString host = QUrl(text).host().toLower();
    if (host.startsWith(QStringLiteral("www.")))
        host.remove(0, 4);
    return host;
}

} // namespace vesk::demo
