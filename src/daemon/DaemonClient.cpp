#include "DaemonClient.h"

#include "Connection.h"
#include "Json.h"
#include "MainThread.h"
#include "Wire.h"
#include "WorkerPool.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStringDecoder>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <set>

#include <malloc.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace vesk {

// One caller waiting for a reply: who receives it, how it is read, and its place among the
// requests made (0 on the answer lane).
struct Waiter {
    QPointer<const QObject> receiver;
    UniqueFunction<DaemonClient::Reading::Task(const Reply&)> finish;
    bool onWorker = false;
    quint64 number = 0;
};

// One request on its way, and everyone waiting for its reply: its caller, and the callers of the
// identical reads made before the main thread saw the reply come in.
struct Flight {
    QByteArray text;
    // Under Shared::flightsMutex: the callers, until the reply is in; then the reply, which a
    // caller joining before the main thread has seen it come in reads on a worker.
    std::vector<Waiter> waiters;
    std::optional<Reply> landed;
};

// Everything the lanes touch. The lanes are joined before the client lets go of it, so only the
// main-thread tasks (watch states, the retry timer) need to check that it still exists.
struct DaemonClient::Shared {
    QString path;
    QByteArray address; // UTF-8 bytes of the path
    Clock* clock = nullptr;
    // Owns the watch retry timer on the main thread, so that it dies with the client.
    std::unique_ptr<QObject> context = std::make_unique<QObject>();

    // Readable once the client is going away: every wait of every lane ends on it.
    int wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    std::atomic<bool> stopping = false;

    std::mutex mutex;
    std::condition_variable retryWake;
    bool retryDue = false;
    // The newest watch state not yet seen by the main thread; one delivery is queued while set.
    std::optional<State> latest;
    // Main thread only: the watcher and its callback, which runs only while the watcher exists.
    QPointer<const QObject> watcher;
    StateCallback onState;
    // Main thread only: the ask-lane requests made so far, and those not yet completed.
    quint64 made = 0;
    std::set<quint64> open;
    // Worker threads: ask-lane replies handed to the main thread so far, applied or not.
    std::atomic<quint64> handedOver{0};
    // Main thread only: the reads in flight that an identical read joins instead of sending its
    // own, by request text, until the main thread has seen their reply come in.
    QHash<QByteArray, std::shared_ptr<Flight>> flights;
    std::mutex flightsMutex;
    // The ask lane, which lets go of large replies off the main thread; main thread, while the
    // client is not stopping.
    WorkerPool* asks = nullptr;

    ~Shared()
    {
        if (wake >= 0)
            ::close(wake);
    }
};

namespace {

constexpr qsizetype kReplyChunk = 8192;
constexpr qsizetype kWatchChunk = 4096;

QString supportFolder(const QString& home)
{
    return home + QStringLiteral("/Library/Application Support/vesk");
}
QString legacySupportFolder(const QString& home)
{
    return home + QStringLiteral("/Library/Application Support/qev");
}

bool isDirectory(const QString& p)
{
    return QFileInfo(p).isDir();
}

void onMainThread(std::function<void()> work)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(work), Qt::QueuedConnection);
}

// glibc keeps freed memory in its arenas: after a large reply (its bytes, or the decoded tree
// once the completion let go of it) it is given back, or a single big reply stays resident.
void trimIfLarge(qsizetype size)
{
    if (size > DaemonClient::trimAfter)
        ::malloc_trim(0);
}

// One request on its own connection. Connecting and each write or read wait at most `timeout`;
// the whole exchange at most twice that, so a daemon trickling bytes cannot hold a lane. A reply
// line longer than `cap` is no reply, and is not read further. What went wrong is kept: nothing
// was sent, or it was sent and no whole reply came (the daemon may have acted on it), or what
// came was no reply.
Reply exchange(DaemonClient::Shared& shared, QByteArray text, double timeout, qsizetype cap, QLatin1StringView kind,
               qsizetype& bytes)
{
    bytes = 0;
    using Result = Connection::Result;
    const Connection::Deadline overall = Connection::after(2 * timeout);
    const auto within = [&] { return std::min(Connection::after(timeout), overall); };
    Connection connection(shared.wake);
    if (shared.stopping || connection.open(shared.address, within()) != Result::ok)
        return Reply::failed(Failure::unreachable);
    const qsizetype zero = text.indexOf('\0');
    if (zero >= 0)
        text.truncate(zero);
    text.append('\n');
    // A write that fails is not examined: it surfaces as a failed or empty read.
    if (connection.write(text, within()) == Result::stopped)
        return Reply::failed(Failure::noReply);

    // Read into a chunk here and appended: a reply that comes in one read is copied once, at its
    // own size; a large one grows by doubling.
    QByteArray buffer;
    bool whole = false;
    char chunk[kReplyChunk];
    for (;;) {
        qsizetype got = 0;
        const Result r = connection.read(chunk, kReplyChunk, within(), got);
        if (r == Result::stopped)
            return Reply::failed(Failure::noReply);
        if (r != Result::ok)
            break;
        const void* newline = std::memchr(chunk, '\n', static_cast<size_t>(got));
        const qsizetype line = buffer.size() + (newline ? static_cast<const char*>(newline) - chunk : got);
        // Past the cap there is no reply, whatever follows.
        if (line > cap) {
            bytes = buffer.size() + got;
            trimIfLarge(std::exchange(buffer, QByteArray()).size());
            return Reply::failed(Failure::malformed);
        }
        buffer.append(chunk, got);
        if (newline) {
            whole = true;
            break;
        }
    }
    bool object = false;
    Reply reply = Wire::decodeReply(buffer, kind, &object);
    // Bytes that stopped short of a whole reply (none, or a line cut off by a time-out or a close)
    // are no answer at all.
    if (!whole && !object)
        reply = Reply::failed(Failure::noReply);
    bytes = buffer.size();
    trimIfLarge(std::exchange(buffer, QByteArray()).size());
    return reply;
}

// A reply read for one caller, on its way to the main thread.
struct Delivery {
    QPointer<const QObject> receiver;
    DaemonClient::Reading::Task applied;
    quint64 number = 0;
};

// Reads the reply for one caller, here on the worker.
Delivery readFor(DaemonClient::Shared& s, Waiter& waiter, const Reply& reply)
{
    Delivery d{std::move(waiter.receiver), waiter.finish(reply), waiter.number};
    waiter.finish = {};
    if (d.number)
        ++s.handedOver;
    return d;
}

// On the main thread: each completion while its receiver exists, then the request's bookkeeping.
void deliver(DaemonClient::Shared& s, std::vector<Delivery>& deliveries)
{
    for (Delivery& d : deliveries) {
        if (d.receiver)
            d.applied();
        d.applied = {};
        if (d.number)
            s.open.erase(d.number);
    }
    deliveries.clear();
}

// The main thread sees a read's reply come in: from now on an identical read is sent anew. A
// large reply is let go of on a worker, not here.
void land(const std::shared_ptr<DaemonClient::Shared>& s, std::shared_ptr<Flight> flight, qsizetype bytes)
{
    if (const auto it = s->flights.find(flight->text); it != s->flights.end() && *it == flight)
        s->flights.erase(it);
    if (bytes > DaemonClient::trimAfter && !s->stopping)
        s->asks->post([flight = std::move(flight), bytes]() mutable {
            flight.reset();
            trimIfLarge(bytes);
        });
}

// Sends one request, reads its reply here for every caller waiting for it, and hands them all to
// the main thread at once, after the main thread has seen the reply of a joinable read come in:
// a caller that asks again from its completion gets a new reply, not this one.
void fly(const std::shared_ptr<DaemonClient::Shared>& s, const DaemonClient::Route& route,
         std::shared_ptr<Flight> flight, bool joinable)
{
    qsizetype bytes = 0;
    Reply reply
        = exchange(*s, flight->text, route.timeout, std::min(route.cap, DaemonClient::replyCap), route.kind, bytes);
    std::vector<Waiter> waiters;
    {
        std::lock_guard lock(s->flightsMutex);
        waiters.swap(flight->waiters);
        if (joinable)
            flight->landed = reply;
    }
    std::vector<Delivery> deliveries;
    deliveries.reserve(waiters.size());
    // A reply read on the worker is let go of here, and the memory given back here; one handed
    // over as it is goes once the completions are done with it, on the main thread.
    bool asItIs = false;
    for (Waiter& w : waiters) {
        asItIs = asItIs || !w.onWorker;
        deliveries.push_back(readFor(*s, w, reply));
    }
    waiters.clear();
    reply = Reply();
    if (!asItIs && !joinable)
        trimIfLarge(bytes);
    if (!joinable)
        flight.reset();
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [s, flight = std::move(flight), deliveries = std::move(deliveries), bytes, asItIs]() mutable {
            if (flight)
                land(s, std::move(flight), asItIs ? 0 : bytes);
            deliver(*s, deliveries);
            if (asItIs)
                trimIfLarge(bytes);
        },
        Qt::QueuedConnection);
}

// A caller that joined a read whose reply is in but not yet seen by the main thread.
void flyLate(const std::shared_ptr<DaemonClient::Shared>& s, Waiter waiter, const Reply& reply)
{
    std::vector<Delivery> deliveries;
    deliveries.push_back(readFor(*s, waiter, reply));
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [s, deliveries = std::move(deliveries)]() mutable { deliver(*s, deliveries); },
        Qt::QueuedConnection);
}

// Hands the main thread the newest state. While a delivery is queued a newer state replaces the
// waiting one, so a flood of lines costs one queued task, not one per line.
void publish(const std::shared_ptr<DaemonClient::Shared>& shared, DaemonClient::State state)
{
    {
        std::lock_guard lock(shared->mutex);
        const bool queued = shared->latest.has_value();
        shared->latest = std::move(state);
        if (queued)
            return;
    }
    onMainThread([weak = std::weak_ptr(shared)] {
        const auto s = weak.lock();
        if (!s)
            return;
        std::optional<DaemonClient::State> newest;
        {
            std::lock_guard lock(s->mutex);
            newest.swap(s->latest);
        }
        if (newest && s->watcher && s->onState)
            s->onState(*newest);
    });
}

// The pause before the next watch connection runs on the clock, on the main thread; the watch
// lane sleeps until it fires or the client goes away.
void awaitRetry(const std::shared_ptr<DaemonClient::Shared>& shared)
{
    onMainThread([weak = std::weak_ptr(shared)] {
        if (const auto s = weak.lock())
            s->clock->after(DaemonClient::watchRetrySeconds, s->context.get(), [weak] {
                if (const auto s = weak.lock()) {
                    std::lock_guard lock(s->mutex);
                    s->retryDue = true;
                    s->retryWake.notify_all();
                }
            });
    });
    std::unique_lock lock(shared->mutex);
    shared->retryWake.wait(lock, [&] { return shared->retryDue || shared->stopping; });
    shared->retryDue = false;
}

// Reads one watch connection until it ends. Only the newest capture line of each read matters
// to the main thread, so the lines are looked at from the last; a line over the cap ends the
// connection.
void readWatch(const std::shared_ptr<DaemonClient::Shared>& shared, Connection& connection)
{
    Wire::LineSplitter splitter(DaemonClient::watchLineCap);
    char chunk[kWatchChunk];
    for (;;) {
        qsizetype got = 0;
        if (connection.read(chunk, kWatchChunk, Connection::never, got) != Connection::Result::ok)
            return;
        const QList<QByteArray> lines = splitter.feed(chunk, got);
        for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
            if (auto known = Wire::parseWatchLine(*line)) {
                publish(shared, *known);
                break;
            }
        }
        if (splitter.overflowed())
            return;
    }
}

void watchLoop(const std::shared_ptr<DaemonClient::Shared>& shared)
{
    while (!shared->stopping) {
        {
            Connection connection(shared->wake);
            const auto within = [] { return Connection::after(DaemonClient::defaultTimeout); };
            if (connection.open(shared->address, within()) == Connection::Result::ok
                && connection.write("{\"op\":\"watch\"}\n", within()) != Connection::Result::stopped)
                readWatch(shared, connection);
        }
        if (shared->stopping)
            return;
        publish(shared, DaemonClient::Unreachable{});
        awaitRetry(shared);
    }
}

QByteArray boolText(bool b)
{
    return b ? QByteArrayLiteral("true") : QByteArrayLiteral("false");
}

QByteArray optionalNumber(std::optional<qint64> n)
{
    return n ? QByteArray::number(*n) : QByteArrayLiteral("null");
}

QByteArray withId(const char* prefix, qint64 id)
{
    return QByteArray(prefix) + QByteArray::number(id) + '}';
}

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

// Template texts, and the writer's compact output of a payload whose first key is "op", begin
// {"op":"NAME"; any other text has no op and goes the default way.
QByteArrayView opOf(QByteArrayView text)
{
    constexpr QByteArrayView head = "{\"op\":\"";
    const qsizetype end = text.startsWith(head) ? text.indexOf('"', head.size()) : -1;
    return end < 0 ? QByteArrayView() : text.sliced(head.size(), end - head.size());
}

qint64 hourOf(const QDateTime& t)
{
    return t.toLocalTime().time().hour();
}

// Every operation's lane, time-out, reply cap, the kind of reply the daemon's contract fixes for
// it ("ok" for a change carried out, unless a reader names its own kind; an empty kind: the
// contract names none, and nothing is checked), and whether it only reads. Answers and the
// reminders' decisions (next_semantic_interjection, route_delivery) are never joined: each asks
// the daemon for something new.
struct OpRoute {
    QByteArrayView op;
    DaemonClient::Route route;
};
constexpr qsizetype MB = 1024 * 1024;
constexpr DaemonClient::Lane kAsk = DaemonClient::Lane::Ask;
constexpr double kWait = DaemonClient::defaultTimeout;
// A frame's text and boxes, a context package's contents, an answer with its evidence.
constexpr qsizetype kWhole = 64 * MB;
// An entity's edges and sources, which grow with what was seen.
constexpr qsizetype kEntity = 32 * MB;
// Lists of at most a few hundred short records.
constexpr qsizetype kList = 16 * MB;
constexpr qsizetype kSmall = 4 * MB;
constexpr QLatin1StringView kOk("ok");
constexpr QLatin1StringView kAny;
// Whether the operation only reads: an identical read in flight may answer it. Anything else
// (changes, and answers and decisions, which are not joined either) ends the joining of the reads
// sent before it.
constexpr bool kRead = true;
constexpr bool kChange = false;
constexpr OpRoute routes[] = {
    {"ask", {DaemonClient::Lane::Answer, DaemonClient::answerTimeout, kWhole, kAny, kChange}},
    {"hello", {kAsk, kWait, kSmall, kAny, kRead}},
    {"status", {kAsk, kWait, kSmall, QLatin1StringView("status"), kRead}},
    {"search", {kAsk, kWait, kList, kAny, kRead}},
    {"why", {kAsk, kWait, kEntity, QLatin1StringView("why"), kRead}},
    {"relations", {kAsk, kWait, kEntity, kAny, kRead}},
    {"relation_evidence", {kAsk, kWait, kEntity, QLatin1StringView("relation_evidence"), kRead}},
    {"frame", {kAsk, kWait, kWhole, kAny, kRead}},
    {"top", {kAsk, kWait, kList, kAny, kRead}},
    {"proposals", {kAsk, kWait, kList, kAny, kRead}},
    {"judge_merge", {kAsk, kWait, kSmall, kOk, kChange}},
    {"rename", {kAsk, kWait, kSmall, QLatin1StringView("renamed"), kChange}},
    {"reject_relation", {kAsk, kWait, kSmall, kOk, kChange}},
    {"correct_claim", {kAsk, kWait, kSmall, QLatin1StringView("claim_corrected"), kChange}},
    {"forget_entity_preview", {kAsk, kWait, kSmall, QLatin1StringView("forget_entity_preview"), kRead}},
    {"forget_entity", {kAsk, kWait, kSmall, kOk, kChange}},
    {"profile", {kAsk, kWait, kList, kAny, kRead}},
    {"recent_deliveries", {kAsk, kWait, kList, kAny, kRead}},
    {"inspect_context_package", {kAsk, kWait, kWhole, kAny, kRead}},
    {"set_capture", {kAsk, kWait, kSmall, kOk, kChange}},
    {"set_injection", {kAsk, kWait, kSmall, kOk, kChange}},
    {"set_tier", {kAsk, kWait, kSmall, kOk, kChange}},
    {"app_blocks", {kAsk, kWait, kList, kAny, kRead}},
    {"website_blocks", {kAsk, kWait, kList, kAny, kRead}},
    {"window_title_blocks", {kAsk, kWait, kList, kAny, kRead}},
    {"block_app", {kAsk, kWait, kSmall, kOk, kChange}},
    {"block_website", {kAsk, kWait, kSmall, kOk, kChange}},
    {"block_window_title", {kAsk, kWait, kSmall, kOk, kChange}},
    {"unblock_app", {kAsk, kWait, kSmall, kOk, kChange}},
    {"unblock_website", {kAsk, kWait, kSmall, kOk, kChange}},
    {"unblock_window_title", {kAsk, kWait, kSmall, kOk, kChange}},
    {"forget_rule_preview", {kAsk, kWait, kSmall, QLatin1StringView("rule_forget"), kRead}},
    {"forget_rule", {kAsk, kWait, kSmall, QLatin1StringView("rule_forget"), kChange}},
    {"forget_app_preview", {kAsk, kWait, kSmall, QLatin1StringView("app_forget_preview"), kRead}},
    {"forget_app", {kAsk, kWait, kSmall, QLatin1StringView("app_forgot"), kChange}},
    {"delete_expired_pixels", {kAsk, kWait, kSmall, QLatin1StringView("expired_pixels_deleted"), kChange}},
    {"complete_onboarding", {kAsk, kWait, kSmall, kOk, kChange}},
    {"connections", {kAsk, kWait, kList, QLatin1StringView("connections"), kRead}},
    {"route_delivery", {kAsk, kWait, kSmall, kAny, kChange}},
    {"record_human_delivery", {kAsk, kWait, kSmall, kOk, kChange}},
    {"record_human_outcome", {kAsk, kWait, kSmall, kOk, kChange}},
    {"next_semantic_interjection", {kAsk, kWait, kList, kAny, kChange}},
    {"set_delivery_policy", {kAsk, kWait, kSmall, kOk, kChange}},
    {"reset_interjection_learning", {kAsk, kWait, kSmall, kOk, kChange}},
    {"record_interjection_outcome", {kAsk, kWait, kSmall, kOk, kChange}},
    {"set_interjection_kind_stance", {kAsk, kWait, kSmall, kOk, kChange}},
    {"interjection_signals", {kAsk, kWait, kList, kAny, kRead}},
};

} // namespace

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
    , watchLane(std::make_unique<WorkerPool>(QStringLiteral("vesk.daemon.watch")))
    , asks(std::make_unique<WorkerPool>(QStringLiteral("vesk.daemon.ask"), askWorkers, askMost))
    , answers(std::make_unique<WorkerPool>(QStringLiteral("vesk.daemon.answer")))
{
    shared->asks = asks.get();
    shared->path = socketPath;
    shared->address = socketPath.toUtf8();
    shared->clock = &c;
}

DaemonClient::~DaemonClient()
{
    {
        std::lock_guard lock(shared->mutex);
        shared->stopping = true;
    }
    shared->retryWake.notify_all();
    // Ends every wait at once: connecting to a daemon whose queue is full, a silent or trickling
    // daemon, a flooding watch stream.
    const quint64 one = 1;
    if (shared->wake >= 0)
        (void)!::write(shared->wake, &one, sizeof one);
    // Joining the lanes: requests still queued see `stopping` and complete with nothing.
    watchLane.reset();
    asks.reset();
    answers.reset();
}

const QString& DaemonClient::path() const
{
    return shared->path;
}

DaemonClient::Reading::Reading(Completion done)
    : finish([done = std::move(done)](const Reply& reply) mutable -> Task {
        return [done = std::move(done), reply]() mutable { done(std::move(reply)); };
    })
{
}

void DaemonClient::request(const QByteArray& text, double timeout, Lane lane, const QObject* receiver, Completion done)
{
    Route route = routeOf(opOf(text));
    route.lane = lane;
    route.timeout = timeout;
    enqueue(text, route, false, receiver, Reading(std::move(done)));
}

void DaemonClient::enqueue(const QByteArray& text, Route route, bool mayJoin, const QObject* receiver, Reading done)
{
    const bool ask = route.lane == Lane::Ask;
    Waiter waiter{receiver, std::move(done.finish), done.onWorker, ask ? ++shared->made : 0};
    if (ask)
        shared->open.insert(waiter.number);
    const bool joinable = mayJoin && route.reads;
    if (!route.reads) {
        // Anything but a read: what was read before it is not what a read made after it must see.
        shared->flights.clear();
    } else if (const auto joined = shared->flights.constFind(text); joinable && joined != shared->flights.cend()) {
        const std::shared_ptr<Flight> flight = *joined;
        std::optional<Reply> landed;
        {
            std::lock_guard lock(shared->flightsMutex);
            if (!flight->landed) {
                flight->waiters.push_back(std::move(waiter));
                return;
            }
            landed = flight->landed;
        }
        asks->post([s = shared, waiter = std::move(waiter), reply = std::move(*landed)]() mutable {
            flyLate(s, std::move(waiter), reply);
        });
        return;
    }
    auto flight = std::make_shared<Flight>();
    flight->text = text;
    flight->waiters.push_back(std::move(waiter));
    if (joinable)
        shared->flights.insert(text, flight);
    (ask ? asks : answers)->post([s = shared, route, flight = std::move(flight), joinable]() mutable {
        fly(s, route, std::move(flight), joinable);
    });
}

quint64 DaemonClient::requestsMade() const
{
    return shared->made;
}

quint64 DaemonClient::repliesHandedOver() const
{
    return shared->handedOver.load();
}

bool DaemonClient::settledThrough(quint64 made) const
{
    return shared->open.empty() || *shared->open.begin() > made;
}

DaemonClient::Route DaemonClient::routeOf(QByteArrayView op)
{
    for (const OpRoute& r : routes)
        if (op == r.op)
            return r.route;
    return {};
}

void DaemonClient::send(const QByteArray& text, const QObject* receiver, Reading done)
{
    enqueue(text, routeOf(opOf(text)), true, receiver, std::move(done));
}

void DaemonClient::send(const QJsonObject& payload, const QObject* receiver, Reading done)
{
    QByteArray text;
    if (validStrings(payload))
        text = QJsonDocument(payload).toJson(QJsonDocument::Compact);
    QStringDecoder utf8(QStringDecoder::Utf8);
    (void)utf8.decode(text);
    if (text.isEmpty() || utf8.hasError()) {
        done.finish(Reply::failed(Failure::unsent))();
        return;
    }
    enqueue(text, routeOf(payload.value(QLatin1String("op")).toString().toUtf8()), true, receiver, std::move(done));
}

void DaemonClient::watch(const QObject* receiver, StateCallback onState)
{
    shared->watcher = receiver;
    shared->onState = std::move(onState);
    if (watching)
        return;
    watching = true;
    watchLane->post([s = shared] { watchLoop(s); });
}

void DaemonClient::hello(const QObject* receiver, Completion done)
{
    send(QByteArrayLiteral("{\"op\":\"hello\"}"), receiver, std::move(done));
}

void DaemonClient::status(const QObject* receiver, Completion done)
{
    send(QByteArrayLiteral("{\"op\":\"status\"}"), receiver, std::move(done));
}

void DaemonClient::needsOnboarding(const QObject* receiver, std::function<void(std::optional<bool>)> done)
{
    status(receiver, [done = std::move(done)](Reply reply) {
        std::optional<bool> needed;
        if (const auto onboarded = reply ? Json::boolean(*reply, u"onboarded") : std::nullopt)
            needed = !*onboarded;
        done(needed);
    });
}

// Memory, graph and answers.

void DaemonClient::ask(const QString& question, const QObject* receiver, Completion done)
{
    send({{QStringLiteral("op"), QStringLiteral("ask")}, {QStringLiteral("question"), question}}, receiver,
         std::move(done));
}

void DaemonClient::search(const QString& query, qint64 limit, const QObject* receiver, Completion done)
{
    send({{QStringLiteral("op"), QStringLiteral("search")},
          {QStringLiteral("query"), query},
          {QStringLiteral("limit"), limit}},
         receiver, std::move(done));
}

void DaemonClient::why(qint64 nodeId, const QObject* receiver, Completion done)
{
    send(withId("{\"op\":\"why\",\"node_id\":", nodeId), receiver, Reading(std::move(done)));
}

void DaemonClient::why(qint64 nodeId, const QObject* receiver, Reading done)
{
    send(withId("{\"op\":\"why\",\"node_id\":", nodeId), receiver, std::move(done));
}

void DaemonClient::relations(qint64 nodeId, const QObject* receiver, Completion done)
{
    send(withId("{\"op\":\"relations\",\"node_id\":", nodeId), receiver, Reading(std::move(done)));
}

void DaemonClient::relations(qint64 nodeId, const QObject* receiver, Reading done)
{
    send(withId("{\"op\":\"relations\",\"node_id\":", nodeId), receiver, std::move(done));
}

void DaemonClient::relationEvidence(qint64 edgeId, const QObject* receiver, Completion done)
{
    send(withId("{\"op\":\"relation_evidence\",\"edge_id\":", edgeId), receiver, std::move(done));
}

void DaemonClient::frame(qint64 frameId, const QObject* receiver, Completion done)
{
    send(withId("{\"op\":\"frame\",\"frame_id\":", frameId), receiver, std::move(done));
}

void DaemonClient::top(qint64 limit, const QObject* receiver, Completion done)
{
    send(withId("{\"op\":\"top\",\"limit\":", limit), receiver, std::move(done));
}

void DaemonClient::proposals(qint64 limit, const QObject* receiver, Completion done)
{
    send(withId("{\"op\":\"proposals\",\"limit\":", limit), receiver, Reading(std::move(done)));
}

void DaemonClient::proposals(qint64 limit, const QObject* receiver, Reading done)
{
    send(withId("{\"op\":\"proposals\",\"limit\":", limit), receiver, std::move(done));
}

void DaemonClient::judgeMerge(qint64 proposalId, std::optional<qint64> keep, const QObject* receiver, Completion done)
{
    send(QByteArrayLiteral("{\"op\":\"judge_merge\",\"proposal_id\":") + QByteArray::number(proposalId)
             + QByteArrayLiteral(",\"keep\":") + optionalNumber(keep) + '}',
         receiver, std::move(done));
}

void DaemonClient::rename(qint64 nodeId, const QString& label, const QObject* receiver, Completion done)
{
    send({{QStringLiteral("op"), QStringLiteral("rename")},
          {QStringLiteral("node_id"), nodeId},
          {QStringLiteral("label"), label}},
         receiver, std::move(done));
}

void DaemonClient::rejectRelation(qint64 edgeId, const QObject* receiver, Completion done)
{
    send(withId("{\"op\":\"reject_relation\",\"edge_id\":", edgeId), receiver, std::move(done));
}

void DaemonClient::correctClaim(const QString& claimText, const QString& judgement, const QList<qint64>& frameIds,
                                const QObject* receiver, Completion done)
{
    correctClaim(claimText, judgement, frameIds, receiver, Reading(std::move(done)));
}

void DaemonClient::correctClaim(const QString& claimText, const QString& judgement, const QList<qint64>& frameIds,
                                const QObject* receiver, Reading done)
{
    QJsonArray ids;
    for (qint64 id : frameIds)
        ids.append(id);
    send({{QStringLiteral("op"), QStringLiteral("correct_claim")},
          {QStringLiteral("claim_text"), claimText},
          {QStringLiteral("judgement"), judgement},
          {QStringLiteral("frame_ids"), ids}},
         receiver, std::move(done));
}

void DaemonClient::forgetEntityPreview(qint64 nodeId, const QObject* receiver, Completion done)
{
    send(withId("{\"op\":\"forget_entity_preview\",\"node_id\":", nodeId), receiver, std::move(done));
}

void DaemonClient::forgetEntity(qint64 nodeId, const QObject* receiver, Completion done)
{
    send(withId("{\"op\":\"forget_entity\",\"node_id\":", nodeId), receiver, std::move(done));
}

void DaemonClient::profile(const QObject* receiver, Completion done)
{
    send(QByteArrayLiteral("{\"op\":\"profile\"}"), receiver, std::move(done));
}

void DaemonClient::recentDeliveries(qint64 limit, const QObject* receiver, Completion done)
{
    send(withId("{\"op\":\"recent_deliveries\",\"limit\":", limit), receiver, std::move(done));
}

void DaemonClient::recentDeliveries(qint64 limit, const QObject* receiver, Reading done)
{
    send(withId("{\"op\":\"recent_deliveries\",\"limit\":", limit), receiver, std::move(done));
}

void DaemonClient::inspectContextPackage(const QString& packageId, const QObject* receiver, Completion done)
{
    send({{QStringLiteral("op"), QStringLiteral("inspect_context_package")}, {QStringLiteral("package_id"), packageId}},
         receiver, std::move(done));
}

// Recording, injection and tiers.

void DaemonClient::setCapture(bool paused, std::optional<qint64> untilMs, const QObject* receiver, Completion done)
{
    send(QByteArrayLiteral("{\"op\":\"set_capture\",\"paused\":") + boolText(paused)
             + QByteArrayLiteral(",\"until_ms\":") + optionalNumber(untilMs) + '}',
         receiver, std::move(done));
}

void DaemonClient::setInjection(bool enabled, std::optional<qint64> untilMs, const QObject* receiver, Completion done)
{
    send(QByteArrayLiteral("{\"op\":\"set_injection\",\"enabled\":") + boolText(enabled)
             + QByteArrayLiteral(",\"until_ms\":") + optionalNumber(untilMs) + '}',
         receiver, std::move(done));
}

void DaemonClient::setTier(const QString& name, bool enabled, const QObject* receiver, Completion done)
{
    send(QByteArrayLiteral("{\"op\":\"set_tier\",\"name\":\"") + name.toUtf8() + QByteArrayLiteral("\",\"enabled\":")
             + boolText(enabled) + '}',
         receiver, std::move(done));
}

// Capture exclusions and forgetting.

void DaemonClient::appBlocks(const QObject* receiver, Completion done)
{
    send(QByteArrayLiteral("{\"op\":\"app_blocks\"}"), receiver, std::move(done));
}

void DaemonClient::appBlocks(const QObject* receiver, Reading done)
{
    send(QByteArrayLiteral("{\"op\":\"app_blocks\"}"), receiver, std::move(done));
}

void DaemonClient::blockApp(const QString& bundleId, const std::optional<QString>& appName, const QObject* receiver,
                            Completion done)
{
    QJsonObject payload{{QStringLiteral("op"), QStringLiteral("block_app")}, {QStringLiteral("bundle_id"), bundleId}};
    if (appName)
        payload.insert(QStringLiteral("app_name"), *appName);
    send(payload, receiver, std::move(done));
}

void DaemonClient::unblockApp(qint64 ruleId, const QObject* receiver, Completion done)
{
    send(withId("{\"op\":\"unblock_app\",\"rule_id\":", ruleId), receiver, std::move(done));
}

void DaemonClient::websiteBlocks(const QObject* receiver, Completion done)
{
    send(QByteArrayLiteral("{\"op\":\"website_blocks\"}"), receiver, std::move(done));
}

void DaemonClient::websiteBlocks(const QObject* receiver, Reading done)
{
    send(QByteArrayLiteral("{\"op\":\"website_blocks\"}"), receiver, std::move(done));
}

void DaemonClient::blockWebsite(const QString& host, const QObject* receiver, Completion done)
{
    send({{QStringLiteral("op"), QStringLiteral("block_website")}, {QStringLiteral("host"), host}}, receiver,
         std::move(done));
}

void DaemonClient::unblockWebsite(qint64 ruleId, const QObject* receiver, Completion done)
{
    send(withId("{\"op\":\"unblock_website\",\"rule_id\":", ruleId), receiver, std::move(done));
}

void DaemonClient::windowTitleBlocks(const QObject* receiver, Completion done)
{
    send(QByteArrayLiteral("{\"op\":\"window_title_blocks\"}"), receiver, std::move(done));
}

void DaemonClient::windowTitleBlocks(const QObject* receiver, Reading done)
{
    send(QByteArrayLiteral("{\"op\":\"window_title_blocks\"}"), receiver, std::move(done));
}

void DaemonClient::blockWindowTitle(const QString& phrase, const QObject* receiver, Completion done)
{
    send({{QStringLiteral("op"), QStringLiteral("block_window_title")}, {QStringLiteral("phrase"), phrase}}, receiver,
         std::move(done));
}

void DaemonClient::unblockWindowTitle(qint64 ruleId, const QObject* receiver, Completion done)
{
    send(withId("{\"op\":\"unblock_window_title\",\"rule_id\":", ruleId), receiver, std::move(done));
}

void DaemonClient::forgetRulePreview(const QString& kind, const QString& value, const QObject* receiver,
                                     Completion done)
{
    send({{QStringLiteral("op"), QStringLiteral("forget_rule_preview")},
          {QStringLiteral("kind"), kind},
          {QStringLiteral("value"), value}},
         receiver, std::move(done));
}

void DaemonClient::forgetRule(const QString& kind, const QString& value, const QObject* receiver, Completion done)
{
    send({{QStringLiteral("op"), QStringLiteral("forget_rule")},
          {QStringLiteral("kind"), kind},
          {QStringLiteral("value"), value}},
         receiver, std::move(done));
}

void DaemonClient::forgetAppPreview(const QString& bundleId, const QObject* receiver, Completion done)
{
    send({{QStringLiteral("op"), QStringLiteral("forget_app_preview")}, {QStringLiteral("bundle_id"), bundleId}},
         receiver, std::move(done));
}

void DaemonClient::forgetApp(const QString& bundleId, const QObject* receiver, Completion done)
{
    send({{QStringLiteral("op"), QStringLiteral("forget_app")}, {QStringLiteral("bundle_id"), bundleId}}, receiver,
         std::move(done));
}

void DaemonClient::deleteExpiredPixels(const QObject* receiver, Completion done)
{
    send(QByteArrayLiteral("{\"op\":\"delete_expired_pixels\"}"), receiver, std::move(done));
}

// Setup and connections.

void DaemonClient::completeOnboarding(bool answerGeneration, bool embeddings, bool relations, bool profile,
                                      const QObject* receiver, Completion done)
{
    send(QByteArrayLiteral("{\"op\":\"complete_onboarding\",\"answer_generation\":") + boolText(answerGeneration)
             + QByteArrayLiteral(",\"embeddings\":") + boolText(embeddings) + QByteArrayLiteral(",\"relations\":")
             + boolText(relations) + QByteArrayLiteral(",\"profile\":") + boolText(profile) + '}',
         receiver, std::move(done));
}

void DaemonClient::connections(const QObject* receiver, Completion done)
{
    send(QByteArrayLiteral("{\"op\":\"connections\"}"), receiver, std::move(done));
}

void DaemonClient::connections(const QObject* receiver, Reading done)
{
    send(QByteArrayLiteral("{\"op\":\"connections\"}"), receiver, std::move(done));
}

// Proactive reminders.

void DaemonClient::routeDelivery(const QJsonObject& payload, const QObject* receiver, Completion done)
{
    send(payload, receiver, std::move(done));
}

void DaemonClient::recordHumanDelivery(qint64 nodeID, qint64 relevanceMillis, const QString& route,
                                       const QString& reason, const QObject* receiver, Completion done)
{
    if (route.size() > echoCap || reason.size() > echoCap)
        return done(Reply::failed(Failure::unsent));
    send(humanDeliveryPayload(nodeID, relevanceMillis, route, reason), receiver, std::move(done));
}

void DaemonClient::recordHumanOutcome(const QString& packageID, const QString& outcome, const QObject* receiver,
                                      Completion done)
{
    if (packageID.size() > echoCap)
        return done(Reply::failed(Failure::unsent));
    send(humanOutcomePayload(packageID, outcome), receiver, std::move(done));
}

void DaemonClient::nextSemanticInterjection(bool interruptionSafe, const QObject* receiver, Completion done)
{
    send(QByteArrayLiteral("{\"op\":\"next_semantic_interjection\",\"interruption_safe\":") + boolText(interruptionSafe)
             + QByteArrayLiteral(",\"local_hour\":") + QByteArray::number(hourOf(shared->clock->now())) + '}',
         receiver, std::move(done));
}

void DaemonClient::setDeliveryPolicy(bool enabled, qint64 dailyLimit, qint64 retryMinutes, bool reopened,
                                     std::optional<qint64> quietStart, std::optional<qint64> quietEnd,
                                     const QObject* receiver, Completion done)
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
    send(payload, receiver, std::move(done));
}

void DaemonClient::resetInterjectionLearning(const QObject* receiver, Completion done)
{
    send(QByteArrayLiteral("{\"op\":\"reset_interjection_learning\"}"), receiver, std::move(done));
}

void DaemonClient::recordInterjectionOutcome(std::optional<qint64> nodeID, const QString& kind, const QString& outcome,
                                             std::optional<double> confidence, std::optional<qint64> sources,
                                             const QObject* receiver, Completion done)
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
    send(payload, receiver, std::move(done));
}

void DaemonClient::setInterjectionKindStance(const QString& kind, const std::optional<QString>& stance,
                                             const QObject* receiver, Completion done)
{
    QJsonObject payload{{QStringLiteral("op"), QStringLiteral("set_interjection_kind_stance")},
                        {QStringLiteral("item_kind"), kind}};
    if (stance)
        payload.insert(QStringLiteral("stance"), *stance);
    send(payload, receiver, std::move(done));
}

void DaemonClient::interjectionSignals(const QObject* receiver, Completion done)
{
    send(QByteArrayLiteral("{\"op\":\"interjection_signals\"}"), receiver, std::move(done));
}

} // namespace vesk
