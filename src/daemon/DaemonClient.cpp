#include "DaemonClient.h"

#include "Json.h"
#include "SerialQueue.h"
#include "Wire.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStringDecoder>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <set>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace vesk {

// Everything the lanes touch. The lanes are joined before the client lets go of it, so only the
// main-thread deliveries of watch states need to check that it still exists.
struct DaemonClient::Shared {
    QString path;
    QByteArray address; // UTF-8 bytes of the path

    std::mutex mutex;
    bool stopping = false;
    std::set<int> liveFds; // sockets that a blocking read may be waiting on
    std::condition_variable retryWake;

    int fd = -1;        // the watch connection; watch lane only
    StateCallback onState; // main thread only
};

namespace {

constexpr qsizetype kReplyChunk = 8192;
constexpr qsizetype kWatchChunk = 4096;
// sun_path holds 108 bytes on Linux, but the daemon's contract is a path under 104 bytes.
constexpr qsizetype kPathLimit = 104;

QString supportFolder(const QString& home) { return home + QStringLiteral("/Library/Application Support/vesk"); }
QString legacySupportFolder(const QString& home) { return home + QStringLiteral("/Library/Application Support/qev"); }

bool isDirectory(const QString& p) { return QFileInfo(p).isDir(); }

void deliver(Completion done, Reply reply)
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [done = std::move(done), reply = std::move(reply)] { done(reply); },
        Qt::QueuedConnection);
}

// Registers a socket so the destructor can shut it down; unregisters and closes it on scope exit.
class LiveSocket {
public:
    explicit LiveSocket(DaemonClient::Shared& s)
        : shared(s)
    {
    }
    ~LiveSocket()
    {
        if (fd < 0)
            return;
        {
            std::lock_guard lock(shared.mutex);
            shared.liveFds.erase(fd);
        }
        ::close(fd);
    }
    // Creates and connects; false on any failure or when the client is going away.
    bool open()
    {
        fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return false;
        {
            std::lock_guard lock(shared.mutex);
            if (shared.stopping)
                return false;
            shared.liveFds.insert(fd);
        }
        if (shared.address.size() >= kPathLimit)
            return false;
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path, shared.address.constData(), static_cast<size_t>(shared.address.size()));
        int rc;
        do {
            rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
        } while (rc != 0 && errno == EINTR);
        if (rc != 0)
            return false;
        // A shutdown issued before the connect finished would not have reached this socket.
        std::lock_guard lock(shared.mutex);
        return !shared.stopping;
    }
    int get() const { return fd; }

private:
    DaemonClient::Shared& shared;
    int fd = -1;
};

void setTimeouts(int fd, double timeout)
{
    timeval tv{};
    const double whole = std::floor(timeout);
    tv.tv_sec = static_cast<time_t>(whole);
    tv.tv_usec = static_cast<suseconds_t>((timeout - whole) * 1000000.0);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

// Writes the whole line; failures are not examined here, they surface as a failed read.
void writeLine(int fd, QByteArray text)
{
    const qsizetype zero = text.indexOf('\0');
    if (zero >= 0)
        text.truncate(zero);
    text.append('\n');
    const char* p = text.constData();
    qsizetype left = text.size();
    while (left > 0) {
        // MSG_NOSIGNAL: a daemon that hung up must not kill us with SIGPIPE.
        const ssize_t n = ::send(fd, p, static_cast<size_t>(left), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        p += n;
        left -= n;
    }
}

ssize_t readSome(int fd, char* into, qsizetype size)
{
    ssize_t n;
    do {
        n = ::recv(fd, into, static_cast<size_t>(size), 0);
    } while (n < 0 && errno == EINTR);
    return n;
}

Reply exchange(DaemonClient::Shared& shared, const QByteArray& text, double timeout)
{
    LiveSocket socket(shared);
    if (!socket.open())
        return std::nullopt;
    setTimeouts(socket.get(), timeout);
    writeLine(socket.get(), text);

    QByteArray buffer;
    char chunk[kReplyChunk];
    for (;;) {
        const ssize_t n = readSome(socket.get(), chunk, kReplyChunk);
        if (n <= 0)
            break;
        buffer.append(chunk, n);
        if (std::memchr(chunk, '\n', static_cast<size_t>(n)))
            break;
    }
    return Wire::decodeReply(buffer);
}

void emitState(const std::weak_ptr<DaemonClient::Shared>& weak, DaemonClient::State state)
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [weak, state = std::move(state)] {
            if (auto s = weak.lock(); s && s->onState)
                s->onState(state);
        },
        Qt::QueuedConnection);
}

void watchLoop(const std::shared_ptr<DaemonClient::Shared>& shared)
{
    const std::weak_ptr<DaemonClient::Shared> weak = shared;
    for (;;) {
        {
            LiveSocket socket(*shared);
            if (socket.open()) {
                shared->fd = socket.get();
                writeLine(socket.get(), QByteArrayLiteral("{\"op\":\"watch\"}"));
                Wire::LineSplitter splitter;
                char chunk[kWatchChunk];
                for (;;) {
                    const ssize_t n = readSome(socket.get(), chunk, kWatchChunk);
                    if (n <= 0)
                        break;
                    for (const QByteArray& line : splitter.feed(chunk, n)) {
                        if (auto known = Wire::parseWatchLine(line))
                            emitState(weak, *known);
                    }
                }
            }
            shared->fd = -1;
        }
        std::unique_lock lock(shared->mutex);
        if (shared->stopping)
            return;
        lock.unlock();
        emitState(weak, DaemonClient::Unreachable{});
        lock.lock();
        const auto wait = std::chrono::milliseconds(static_cast<int>(DaemonClient::watchRetrySeconds * 1000));
        if (shared->retryWake.wait_for(lock, wait, [&] { return shared->stopping; }))
            return;
    }
}

QByteArray boolText(bool b) { return b ? QByteArrayLiteral("true") : QByteArrayLiteral("false"); }

QByteArray optionalNumber(std::optional<qint64> n) { return n ? QByteArray::number(*n) : QByteArrayLiteral("null"); }

QByteArray withId(const char* prefix, qint64 id) { return QByteArray(prefix) + QByteArray::number(id) + '}'; }

// A string with a lone surrogate cannot become valid UTF-8; such a request is not sent.
bool validStrings(const QJsonValue& v)
{
    if (v.isString())
        return v.toString().isValidUtf16();
    if (v.isArray()) {
        for (const QJsonValue& e : v.toArray())
            if (!validStrings(e))
                return false;
    }
    if (v.isObject()) {
        const QJsonObject o = v.toObject();
        for (auto it = o.begin(); it != o.end(); ++it)
            if (!it.key().isValidUtf16() || !validStrings(it.value()))
                return false;
    }
    return true;
}

qint64 hourOf(const QDateTime& t) { return t.toLocalTime().time().hour(); }

// Fractions travel as integer thousandths, halves rounded away from zero.
std::optional<qint64> thousandths(double fraction)
{
    const double scaled = std::round(fraction * 1000.0);
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 9223372036854775808.0)
        return std::nullopt;
    return static_cast<qint64>(scaled);
}

} // namespace

std::optional<QJsonObject> routeDeliveryPayload(const RouteFacts& f)
{
    const auto relevance = thousandths(f.relevance);
    const auto minimum = thousandths(f.minimum);
    if (!relevance || !minimum)
        return std::nullopt;
    return QJsonObject{
        {QStringLiteral("op"), QStringLiteral("route_delivery")},
        {QStringLiteral("relevance_millis"), *relevance},
        {QStringLiteral("minimum_relevance_millis"), *minimum},
        {QStringLiteral("policy_available"), true},
        {QStringLiteral("policy_allows"), f.policyAllows},
        {QStringLiteral("fresh"), f.fresh},
        {QStringLiteral("muted"), f.muted},
        {QStringLiteral("cooling_down"), f.coolingDown},
        {QStringLiteral("within_budget"), f.withinBudget},
        {QStringLiteral("agent_can_act"), f.agentCanAct},
        {QStringLiteral("requires_human"), f.requiresHuman},
        {QStringLiteral("interruption_safe"), f.interruptionSafe},
    };
}

QJsonObject humanDeliveryPayload(qint64 nodeID, qint64 relevanceMillis, const QString& route, const QString& reason)
{
    return QJsonObject{
        {QStringLiteral("op"), QStringLiteral("record_human_delivery")},
        {QStringLiteral("node_id"), nodeID},
        {QStringLiteral("relevance_millis"), relevanceMillis},
        {QStringLiteral("route"), route},
        {QStringLiteral("reason"), reason},
    };
}

QJsonObject humanOutcomePayload(const QString& packageID, const QString& outcome)
{
    return QJsonObject{
        {QStringLiteral("op"), QStringLiteral("record_human_outcome")},
        {QStringLiteral("package_id"), packageID},
        {QStringLiteral("outcome"), outcome},
    };
}

QString DaemonClient::socketPathForHome(const QString& home)
{
    if (!isDirectory(supportFolder(home)) && isDirectory(legacySupportFolder(home)))
        return legacySupportFolder(home) + QStringLiteral("/state/qevd.sock");
    return supportFolder(home) + QStringLiteral("/state/veskd.sock");
}

DaemonClient::DaemonClient(Clock& clock)
    : DaemonClient(socketPathForHome(QDir::homePath()), clock)
{
}

DaemonClient::DaemonClient(const QString& socketPath, Clock& c)
    : shared(std::make_shared<Shared>())
    , clock(c)
    , queue(std::make_unique<SerialQueue>(QStringLiteral("vesk.daemon.watch")))
    , asks(std::make_unique<SerialQueue>(QStringLiteral("vesk.daemon.ask")))
    , answers(std::make_unique<SerialQueue>(QStringLiteral("vesk.daemon.answer")))
{
    shared->path = socketPath;
    shared->address = socketPath.toUtf8();
}

DaemonClient::~DaemonClient()
{
    {
        std::lock_guard lock(shared->mutex);
        shared->stopping = true;
        for (int fd : shared->liveFds)
            ::shutdown(fd, SHUT_RDWR);
    }
    shared->retryWake.notify_all();
    // Joining the lanes: requests still queued see `stopping` and complete with nothing.
    queue.reset();
    asks.reset();
    answers.reset();
}

const QString& DaemonClient::path() const
{
    return shared->path;
}

void DaemonClient::request(const QByteArray& text, double timeout, Lane lane, Completion done)
{
    SerialQueue& target = lane == Lane::Answer ? *answers : *asks;
    target.post([s = shared, text, timeout, done = std::move(done)]() mutable {
        deliver(std::move(done), exchange(*s, text, timeout));
    });
}

void DaemonClient::send(const QJsonObject& payload, Completion done, double timeout, Lane lane)
{
    QByteArray text;
    if (validStrings(payload))
        text = QJsonDocument(payload).toJson(QJsonDocument::Compact);
    QStringDecoder utf8(QStringDecoder::Utf8);
    (void)utf8.decode(text);
    if (text.isEmpty() || utf8.hasError()) {
        done(std::nullopt);
        return;
    }
    request(text, timeout, lane, std::move(done));
}

void DaemonClient::watch(StateCallback onState)
{
    shared->onState = std::move(onState);
    if (watching)
        return;
    watching = true;
    queue->post([s = shared] { watchLoop(s); });
}

void DaemonClient::hello(Completion done) { request(QByteArrayLiteral("{\"op\":\"hello\"}"), std::move(done)); }

void DaemonClient::status(Completion done) { request(QByteArrayLiteral("{\"op\":\"status\"}"), std::move(done)); }

void DaemonClient::needsOnboarding(std::function<void(std::optional<bool>)> done)
{
    status([done = std::move(done)](Reply reply) {
        std::optional<bool> needed;
        if (const auto onboarded = reply ? Json::boolean(*reply, u"onboarded") : std::nullopt)
            needed = !*onboarded;
        done(needed);
    });
}

// Memory, graph and answers.

void DaemonClient::ask(const QString& question, Completion done)
{
    send({{QStringLiteral("op"), QStringLiteral("ask")}, {QStringLiteral("question"), question}}, std::move(done),
         answerTimeout, Lane::Answer);
}

void DaemonClient::search(const QString& query, qint64 limit, Completion done)
{
    send({{QStringLiteral("op"), QStringLiteral("search")}, {QStringLiteral("query"), query}, {QStringLiteral("limit"), limit}},
         std::move(done));
}

void DaemonClient::why(qint64 nodeId, Completion done) { request(withId("{\"op\":\"why\",\"node_id\":", nodeId), std::move(done)); }

void DaemonClient::relations(qint64 nodeId, Completion done)
{
    request(withId("{\"op\":\"relations\",\"node_id\":", nodeId), std::move(done));
}

void DaemonClient::relationEvidence(qint64 edgeId, Completion done)
{
    request(withId("{\"op\":\"relation_evidence\",\"edge_id\":", edgeId), std::move(done));
}

void DaemonClient::frame(qint64 frameId, Completion done)
{
    request(withId("{\"op\":\"frame\",\"frame_id\":", frameId), std::move(done));
}

void DaemonClient::top(qint64 limit, Completion done) { request(withId("{\"op\":\"top\",\"limit\":", limit), std::move(done)); }

void DaemonClient::proposals(qint64 limit, Completion done)
{
    request(withId("{\"op\":\"proposals\",\"limit\":", limit), std::move(done));
}

void DaemonClient::judgeMerge(qint64 proposalId, std::optional<qint64> keep, Completion done)
{
    request(QByteArrayLiteral("{\"op\":\"judge_merge\",\"proposal_id\":") + QByteArray::number(proposalId)
                + QByteArrayLiteral(",\"keep\":") + optionalNumber(keep) + '}',
            std::move(done));
}

void DaemonClient::rename(qint64 nodeId, const QString& label, Completion done)
{
    send({{QStringLiteral("op"), QStringLiteral("rename")}, {QStringLiteral("node_id"), nodeId}, {QStringLiteral("label"), label}},
         std::move(done));
}

void DaemonClient::rejectRelation(qint64 edgeId, Completion done)
{
    request(withId("{\"op\":\"reject_relation\",\"edge_id\":", edgeId), std::move(done));
}

void DaemonClient::correctClaim(const QString& claimText, const QString& judgement, const QList<qint64>& frameIds,
                                Completion done)
{
    QJsonArray ids;
    for (qint64 id : frameIds)
        ids.append(id);
    send({{QStringLiteral("op"), QStringLiteral("correct_claim")},
          {QStringLiteral("claim_text"), claimText},
          {QStringLiteral("judgement"), judgement},
          {QStringLiteral("frame_ids"), ids}},
         std::move(done));
}

void DaemonClient::forgetEntityPreview(qint64 nodeId, Completion done)
{
    request(withId("{\"op\":\"forget_entity_preview\",\"node_id\":", nodeId), std::move(done));
}

void DaemonClient::forgetEntity(qint64 nodeId, Completion done)
{
    request(withId("{\"op\":\"forget_entity\",\"node_id\":", nodeId), std::move(done));
}

void DaemonClient::profile(Completion done) { request(QByteArrayLiteral("{\"op\":\"profile\"}"), std::move(done)); }

void DaemonClient::recentDeliveries(qint64 limit, Completion done)
{
    request(withId("{\"op\":\"recent_deliveries\",\"limit\":", limit), std::move(done));
}

void DaemonClient::inspectContextPackage(const QString& packageId, Completion done)
{
    send({{QStringLiteral("op"), QStringLiteral("inspect_context_package")}, {QStringLiteral("package_id"), packageId}},
         std::move(done));
}

// Recording, injection and tiers.

void DaemonClient::setCapture(bool paused, std::optional<qint64> untilMs, Completion done)
{
    request(QByteArrayLiteral("{\"op\":\"set_capture\",\"paused\":") + boolText(paused) + QByteArrayLiteral(",\"until_ms\":")
                + optionalNumber(untilMs) + '}',
            std::move(done));
}

void DaemonClient::setInjection(bool enabled, std::optional<qint64> untilMs, Completion done)
{
    request(QByteArrayLiteral("{\"op\":\"set_injection\",\"enabled\":") + boolText(enabled)
                + QByteArrayLiteral(",\"until_ms\":") + optionalNumber(untilMs) + '}',
            std::move(done));
}

void DaemonClient::setTier(const QString& name, bool enabled, Completion done)
{
    request(QByteArrayLiteral("{\"op\":\"set_tier\",\"name\":\"") + name.toUtf8() + QByteArrayLiteral("\",\"enabled\":")
                + boolText(enabled) + '}',
            std::move(done));
}

// Capture exclusions and forgetting.

void DaemonClient::appBlocks(Completion done) { request(QByteArrayLiteral("{\"op\":\"app_blocks\"}"), std::move(done)); }

void DaemonClient::blockApp(const QString& bundleId, const std::optional<QString>& appName, Completion done)
{
    QJsonObject payload{{QStringLiteral("op"), QStringLiteral("block_app")}, {QStringLiteral("bundle_id"), bundleId}};
    if (appName)
        payload.insert(QStringLiteral("app_name"), *appName);
    send(payload, std::move(done));
}

void DaemonClient::unblockApp(qint64 ruleId, Completion done)
{
    request(withId("{\"op\":\"unblock_app\",\"rule_id\":", ruleId), std::move(done));
}

void DaemonClient::websiteBlocks(Completion done)
{
    request(QByteArrayLiteral("{\"op\":\"website_blocks\"}"), std::move(done));
}

void DaemonClient::blockWebsite(const QString& host, Completion done)
{
    send({{QStringLiteral("op"), QStringLiteral("block_website")}, {QStringLiteral("host"), host}}, std::move(done));
}

void DaemonClient::unblockWebsite(qint64 ruleId, Completion done)
{
    request(withId("{\"op\":\"unblock_website\",\"rule_id\":", ruleId), std::move(done));
}

void DaemonClient::windowTitleBlocks(Completion done)
{
    request(QByteArrayLiteral("{\"op\":\"window_title_blocks\"}"), std::move(done));
}

void DaemonClient::blockWindowTitle(const QString& phrase, Completion done)
{
    send({{QStringLiteral("op"), QStringLiteral("block_window_title")}, {QStringLiteral("phrase"), phrase}}, std::move(done));
}

void DaemonClient::unblockWindowTitle(qint64 ruleId, Completion done)
{
    request(withId("{\"op\":\"unblock_window_title\",\"rule_id\":", ruleId), std::move(done));
}

void DaemonClient::forgetRulePreview(const QString& kind, const QString& value, Completion done)
{
    send({{QStringLiteral("op"), QStringLiteral("forget_rule_preview")}, {QStringLiteral("kind"), kind}, {QStringLiteral("value"), value}},
         std::move(done));
}

void DaemonClient::forgetRule(const QString& kind, const QString& value, Completion done)
{
    send({{QStringLiteral("op"), QStringLiteral("forget_rule")}, {QStringLiteral("kind"), kind}, {QStringLiteral("value"), value}},
         std::move(done));
}

void DaemonClient::forgetAppPreview(const QString& bundleId, Completion done)
{
    send({{QStringLiteral("op"), QStringLiteral("forget_app_preview")}, {QStringLiteral("bundle_id"), bundleId}}, std::move(done));
}

void DaemonClient::forgetApp(const QString& bundleId, Completion done)
{
    send({{QStringLiteral("op"), QStringLiteral("forget_app")}, {QStringLiteral("bundle_id"), bundleId}}, std::move(done));
}

void DaemonClient::deleteExpiredPixels(Completion done)
{
    request(QByteArrayLiteral("{\"op\":\"delete_expired_pixels\"}"), std::move(done));
}

// Setup and connections.

void DaemonClient::completeOnboarding(bool answerGeneration, bool embeddings, bool relations, bool profile, Completion done)
{
    request(QByteArrayLiteral("{\"op\":\"complete_onboarding\",\"answer_generation\":") + boolText(answerGeneration)
                + QByteArrayLiteral(",\"embeddings\":") + boolText(embeddings) + QByteArrayLiteral(",\"relations\":")
                + boolText(relations) + QByteArrayLiteral(",\"profile\":") + boolText(profile) + '}',
            std::move(done));
}

void DaemonClient::connections(Completion done) { request(QByteArrayLiteral("{\"op\":\"connections\"}"), std::move(done)); }

// Proactive reminders.

void DaemonClient::routeDelivery(const RouteFacts& facts, Completion done)
{
    const auto payload = routeDeliveryPayload(facts);
    if (!payload) {
        done(std::nullopt);
        return;
    }
    send(*payload, std::move(done));
}

void DaemonClient::recordHumanDelivery(qint64 nodeID, qint64 relevanceMillis, const QString& route, const QString& reason,
                                       Completion done)
{
    send(humanDeliveryPayload(nodeID, relevanceMillis, route, reason), std::move(done));
}

void DaemonClient::recordHumanOutcome(const QString& packageID, const QString& outcome, Completion done)
{
    send(humanOutcomePayload(packageID, outcome), std::move(done));
}

void DaemonClient::nextSemanticInterjection(bool interruptionSafe, Completion done)
{
    request(QByteArrayLiteral("{\"op\":\"next_semantic_interjection\",\"interruption_safe\":") + boolText(interruptionSafe)
                + QByteArrayLiteral(",\"local_hour\":") + QByteArray::number(hourOf(clock.now())) + '}',
            std::move(done));
}

void DaemonClient::setDeliveryPolicy(bool enabled, qint64 dailyLimit, qint64 retryMinutes, bool reopened,
                                     std::optional<qint64> quietStart, std::optional<qint64> quietEnd, Completion done)
{
    QJsonObject payload{{QStringLiteral("op"), QStringLiteral("set_delivery_policy")},
                        {QStringLiteral("human_enabled"), enabled},
                        {QStringLiteral("daily_limit"), dailyLimit},
                        {QStringLiteral("retry_minutes"), retryMinutes},
                        {QStringLiteral("reopened_enabled"), reopened}};
    if (quietStart)
        payload.insert(QStringLiteral("quiet_start_hour"), *quietStart);
    if (quietEnd)
        payload.insert(QStringLiteral("quiet_end_hour"), *quietEnd);
    send(payload, std::move(done));
}

void DaemonClient::resetInterjectionLearning(Completion done)
{
    request(QByteArrayLiteral("{\"op\":\"reset_interjection_learning\"}"), std::move(done));
}

void DaemonClient::recordInterjectionOutcome(std::optional<qint64> nodeID, const QString& kind, const QString& outcome,
                                             std::optional<double> confidence, std::optional<qint64> sources, Completion done)
{
    QJsonObject payload{{QStringLiteral("op"), QStringLiteral("record_interjection_outcome")},
                        {QStringLiteral("item_kind"), kind},
                        {QStringLiteral("outcome"), outcome}};
    if (nodeID)
        payload.insert(QStringLiteral("node_id"), *nodeID);
    if (confidence)
        payload.insert(QStringLiteral("confidence"), *confidence);
    if (sources)
        payload.insert(QStringLiteral("sources"), *sources);
    send(payload, std::move(done));
}

void DaemonClient::setInterjectionKindStance(const QString& kind, const std::optional<QString>& stance, Completion done)
{
    QJsonObject payload{{QStringLiteral("op"), QStringLiteral("set_interjection_kind_stance")}, {QStringLiteral("item_kind"), kind}};
    if (stance)
        payload.insert(QStringLiteral("stance"), *stance);
    send(payload, std::move(done));
}

void DaemonClient::interjectionSignals(Completion done)
{
    request(QByteArrayLiteral("{\"op\":\"interjection_signals\"}"), std::move(done));
}

} // namespace vesk
