#pragma once

#include "Clock.h"
#include "Reply.h"
#include "UniqueFunction.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <tuple>
#include <type_traits>
#include <variant>

namespace vesk {

class WorkerPool;

using Completion = std::function<void(Reply)>;

// Pure builders of the delivery records, so a request can be inspected without sending it.
QJsonObject humanDeliveryPayload(qint64 nodeID, qint64 relevanceMillis, const QString& route, const QString& reason);
QJsonObject humanOutcomePayload(const QString& packageID, const QString& outcome);

// What a read run on a worker may be given: `ReadRules::plain<Read, Done, Args...>()` holds when
// `Read` is a function or a lambda without captures, called with the reply and the copied
// arguments, and `Done` takes the value it returns.
namespace ReadRules {
template <class T, template <class...> class Of> constexpr bool isA = false;
template <class... T, template <class...> class Of> constexpr bool isA<Of<T...>, Of> = true;
// A value copied to the worker: nothing that points back at what the main thread owns.
template <class T>
concept CopiedValue
    = std::is_copy_constructible_v<T> && !std::is_pointer_v<
          T> && !std::is_member_pointer_v<T> && !std::is_reference_v<T> && !isA<T, QPointer> && !isA<T, std::shared_ptr> && !isA<T, std::weak_ptr> && !isA<T, std::reference_wrapper>;
template <class Read>
concept Captureless = std::is_function_v<std::remove_pointer_t<Read>> ||(
    std::is_class_v<Read>&& std::is_empty_v<Read>&& std::is_default_constructible_v<Read>);

template <class Read, class Done, class... Args> constexpr bool plain()
{
    if constexpr (!Captureless<Read> || !(CopiedValue<Args> && ...)
                  || !std::is_invocable_v<const Read&, const Reply&, const Args&...>) {
        return false;
    } else {
        using Value = std::invoke_result_t<const Read&, const Reply&, const Args&...>;
        return !std::is_void_v<
                   Value> && std::is_move_constructible_v<Value> && std::is_invocable_v<Done&, Value&&> && std::is_move_constructible_v<Done>;
    }
}
} // namespace ReadRules

// The only path to the daemon: one Unix-domain socket connection per request, one JSON line each
// way, plus one long-lived watch stream. Every operation takes the object that receives its reply:
// the completion runs once, on the main thread, while that object exists, and is dropped with it,
// so no caller writes its own guard. Requests other than `ask` run side by side, a few at once
// (askWorkers), in the order they were made but finishing in any order: one slow reply holds one
// worker, not the requests behind it. A request that must follow another (a change, then the read
// that shows it) is made from the first one's completion. Answers have a lane of their own, one at
// a time. A request that cannot be built completes at once, before the call returns.
// Needs a QCoreApplication; call from the main thread.
class DaemonClient {
public:
    struct Known {
        bool capturing = false;
        std::optional<qint64> displays; // nothing: not a count
        QString reason;
        bool operator==(const Known&) const = default;
    };
    struct Unreachable {
        bool operator==(const Unreachable&) const = default;
    };
    using State = std::variant<Known, Unreachable>;
    using StateCallback = std::function<void(const State&)>;

    enum class Lane { Ask, Answer };

    static constexpr double defaultTimeout = 30.0;
    static constexpr double answerTimeout = 180.0;
    static constexpr double watchRetrySeconds = 2.0;
    // How many requests of the ask lane are in flight at once while the daemon answers; and how
    // many at most while replies hang on. A request made while every worker waits starts at once
    // on a further one, up to askMost: identical reads being joined, what the background can hold
    // (the menu's status, hello and proposals, the reminders' signals and the six relations of a
    // pass, whose other steps follow one another) stays well below it, so a window's own requests
    // start at once whatever the daemon does with the others.
    static constexpr int askWorkers = 4;
    static constexpr int askMost = 16;
    // What a daemon can make the client hold: a reply line past its operation's cap (Route) is no
    // reply, and none is allowed more than replyCap; a watch line past watchLineCap is dropped and
    // the stream opened again.
    static constexpr qsizetype replyCap = 64 * 1024 * 1024;
    // After a reply this large the freed memory is handed back to the system.
    static constexpr qsizetype trimAfter = 4 * 1024 * 1024;
    static constexpr qsizetype watchLineCap = 1024 * 1024;
    // A package id or reason the daemon gave is sent back only up to this many characters; a
    // longer one is no id the daemon could mean, and the request is not sent.
    static constexpr qsizetype echoCap = 1024;

    // The lane, time-out, reply cap and reply kind of an operation, by its "op" name: every sender
    // goes through this. The cap fits what the operation can carry: a list of a few hundred short
    // records needs megabytes, not hundreds of them. An answer of any other kind than `kind` (or
    // without one, as {} is) is no reply to the operation: it fails as malformed, like one that is
    // not JSON. Where the daemon's contract fixes no kind, `kind` is empty and any object is the
    // reply.
    struct Route {
        Lane lane = Lane::Ask;
        double timeout = defaultTimeout;
        qsizetype cap = 4 * 1024 * 1024;
        QLatin1StringView kind;
        // Only reads: a second identical request (the same text) made while one is in flight
        // waits for that one's reply instead of sending its own, until any other operation is
        // sent (a change must never be followed by a read of what was there before it). Each
        // caller still gets the reply read its own way, on its own receiver, or dropped with it.
        bool reads = false;
    };
    static Route routeOf(QByteArrayView op);

    // The socket under $HOME (or the legacy one when only the legacy folder exists).
    explicit DaemonClient(Clock& clock = systemClock());
    // An explicit socket path (tests, tools).
    explicit DaemonClient(const QString& socketPath, Clock& clock = systemClock());
    // Stops the lanes at once, whatever the daemon does: requests in flight or still queued
    // complete with nothing.
    ~DaemonClient();

    DaemonClient(const DaemonClient&) = delete;
    DaemonClient& operator=(const DaemonClient&) = delete;

    static QString socketPathForHome(const QString& home);

    // A completion whose reply is read on the worker that received it: `read(reply, args...)` turns
    // the reply into the caller's own value there, and `done(value)` gets it on the main thread
    // under the rules of any completion (while the receiver exists, dropped with it). A large reply
    // is then read, cut to what is shown and let go of without holding the main thread. Several run
    // at once, so `read` must not reach anything the main thread owns: it is a plain function or a
    // lambda that captures nothing, and what else it needs is handed over as copied values
    // (`std::tuple(args...)`), never a pointer, a reference or a QPointer. Anything else does not
    // compile. `done` is moved to the main thread with the value, never copied.
    class Reading {
    public:
        template <class Read, class Done>
        requires(ReadRules::plain<Read, Done>()) Reading(Read read, Done done)
            : Reading(read, std::tuple<>(), std::move(done))
        {
        }
        template <class Read, class... Args, class Done>
        requires(ReadRules::plain<Read, Done, Args...>()) Reading(Read read, std::tuple<Args...> args, Done done)
            : finish([read, args = std::move(args), done = std::move(done)](const Reply& reply) mutable -> Task {
                auto value = std::apply([&](const Args&... a) { return std::invoke(read, reply, a...); }, args);
                return [done = std::move(done), value = std::move(value)]() mutable { done(std::move(value)); };
            })
            , onWorker(true)
        {
        }
        // The reply itself, handed to the main thread as it is.
        Reading(Completion done);

        Reading(Reading&&) = default;
        Reading& operator=(Reading&&) = default;

        // What runs on the main thread once the reply is read.
        using Task = UniqueFunction<void()>;

    private:
        friend class DaemonClient;
        UniqueFunction<Task(const Reply&)> finish;
        bool onWorker = false;
    };

    const QString& path() const;

    // Sends one request line and delivers the decoded reply or nothing. Connecting, each write and
    // each read wait at most `timeout`; the whole request at most twice that.
    void request(const QByteArray& text, double timeout, Lane lane, const QObject* receiver, Completion done);
    // The same, on the lane and time-out its "op" calls for (routeOf).
    void request(const QByteArray& text, const QObject* receiver, Completion done)
    {
        send(text, receiver, Reading(std::move(done)));
    }

    // State watch: replaces the receiver and its callback and starts the reconnecting watch loop
    // (once). The callback sees the newest state, while the receiver exists: states that arrive
    // while one is waiting replace it. The pause before reconnecting runs on the clock.
    void watch(const QObject* receiver, StateCallback onState);
    void hello(const QObject* receiver, Completion done);
    void status(const QObject* receiver, Completion done);
    // The negation of the status reply's Boolean "onboarded"; nothing when it cannot be read.
    void needsOnboarding(const QObject* receiver, std::function<void(std::optional<bool>)> done);

    // Memory, graph and answers.
    void ask(const QString& question, const QObject* receiver, Completion done);
    void search(const QString& query, qint64 limit, const QObject* receiver, Completion done);
    void why(qint64 nodeId, const QObject* receiver, Completion done);
    void why(qint64 nodeId, const QObject* receiver, Reading done);
    void relations(qint64 nodeId, const QObject* receiver, Completion done);
    void relations(qint64 nodeId, const QObject* receiver, Reading done);
    void relationEvidence(qint64 edgeId, const QObject* receiver, Completion done);
    void frame(qint64 frameId, const QObject* receiver, Completion done);
    void top(qint64 limit, const QObject* receiver, Completion done);
    void proposals(qint64 limit, const QObject* receiver, Completion done);
    void proposals(qint64 limit, const QObject* receiver, Reading done);
    void judgeMerge(qint64 proposalId, std::optional<qint64> keep, const QObject* receiver, Completion done);
    void rename(qint64 nodeId, const QString& label, const QObject* receiver, Completion done);
    void rejectRelation(qint64 edgeId, const QObject* receiver, Completion done);
    void correctClaim(const QString& claimText, const QString& judgement, const QList<qint64>& frameIds,
                      const QObject* receiver, Completion done);
    void correctClaim(const QString& claimText, const QString& judgement, const QList<qint64>& frameIds,
                      const QObject* receiver, Reading done);
    void forgetEntityPreview(qint64 nodeId, const QObject* receiver, Completion done);
    void forgetEntity(qint64 nodeId, const QObject* receiver, Completion done);
    void profile(const QObject* receiver, Completion done);
    void recentDeliveries(const QObject* receiver, Completion done) { recentDeliveries(20, receiver, std::move(done)); }
    void recentDeliveries(qint64 limit, const QObject* receiver, Completion done);
    void recentDeliveries(qint64 limit, const QObject* receiver, Reading done);
    void inspectContextPackage(const QString& packageId, const QObject* receiver, Completion done);

    // Recording, injection and tiers. setTier's name is inserted verbatim: fixed tier names only.
    void setCapture(bool paused, std::optional<qint64> untilMs, const QObject* receiver, Completion done);
    void setInjection(bool enabled, std::optional<qint64> untilMs, const QObject* receiver, Completion done);
    void setTier(const QString& name, bool enabled, const QObject* receiver, Completion done);

    // Capture exclusions and forgetting.
    void appBlocks(const QObject* receiver, Completion done);
    void appBlocks(const QObject* receiver, Reading done);
    void blockApp(const QString& bundleId, const std::optional<QString>& appName, const QObject* receiver,
                  Completion done);
    void unblockApp(qint64 ruleId, const QObject* receiver, Completion done);
    void websiteBlocks(const QObject* receiver, Completion done);
    void websiteBlocks(const QObject* receiver, Reading done);
    void blockWebsite(const QString& host, const QObject* receiver, Completion done);
    void unblockWebsite(qint64 ruleId, const QObject* receiver, Completion done);
    void windowTitleBlocks(const QObject* receiver, Completion done);
    void windowTitleBlocks(const QObject* receiver, Reading done);
    void blockWindowTitle(const QString& phrase, const QObject* receiver, Completion done);
    void unblockWindowTitle(qint64 ruleId, const QObject* receiver, Completion done);
    void forgetRulePreview(const QString& kind, const QString& value, const QObject* receiver, Completion done);
    void forgetRule(const QString& kind, const QString& value, const QObject* receiver, Completion done);
    void forgetAppPreview(const QString& bundleId, const QObject* receiver, Completion done);
    void forgetApp(const QString& bundleId, const QObject* receiver, Completion done);
    void deleteExpiredPixels(const QObject* receiver, Completion done);

    // Setup and connections.
    void completeOnboarding(bool answerGeneration, bool embeddings, bool relations, bool profile,
                            const QObject* receiver, Completion done);
    void connections(const QObject* receiver, Completion done);
    void connections(const QObject* receiver, Reading done);

    // Proactive reminders.
    // The request the reminders built from their facts ("route_delivery"): the client only sends it.
    void routeDelivery(const QJsonObject& payload, const QObject* receiver, Completion done);
    void recordHumanDelivery(qint64 nodeID, qint64 relevanceMillis, const QString& route, const QString& reason,
                             const QObject* receiver, Completion done);
    void recordHumanOutcome(const QString& packageID, const QString& outcome, const QObject* receiver, Completion done);
    // "local_hour" is the hour of the clock's current local time when the request is built.
    void nextSemanticInterjection(bool interruptionSafe, const QObject* receiver, Completion done);
    void setDeliveryPolicy(bool enabled, qint64 dailyLimit, qint64 retryMinutes, bool reopened,
                           std::optional<qint64> quietStart, std::optional<qint64> quietEnd, const QObject* receiver,
                           Completion done);
    void resetInterjectionLearning(const QObject* receiver, Completion done);
    void recordInterjectionOutcome(std::optional<qint64> nodeID, const QString& kind, const QString& outcome,
                                   std::optional<double> confidence, std::optional<qint64> sources,
                                   const QObject* receiver, Completion done);
    void setInterjectionKindStance(const QString& kind, const std::optional<QString>& stance, const QObject* receiver,
                                   Completion done);
    void interjectionSignals(const QObject* receiver, Completion done);

    // Requests of the ask lane made so far, and whether every one of the first `made` has
    // completed (or been dropped with its receiver). Replies come in any order, so this, not the
    // order of the replies, tells that earlier requests are done. Main thread.
    quint64 requestsMade() const;
    bool settledThrough(quint64 made) const;
    // Ask-lane replies handed to the main thread so far, whether or not their completions ran
    // yet: lets a test hold replies queued without running them. Any thread.
    quint64 repliesHandedOver() const;

    // The lanes' shared state (sockets in flight, the watch callback); internal to the client.
    struct Shared;

private:
    // Serializer-style requests: a payload the writer cannot turn into valid UTF-8 is not sent.
    void send(const QJsonObject& payload, const QObject* receiver, Reading done);
    // Template-style requests, whose text begins with their "op".
    void send(const QByteArray& text, const QObject* receiver, Reading done);
    // `mayJoin`: a read may wait for an identical one in flight (the named operations; not a
    // request() with a lane and time-out of its own).
    void enqueue(const QByteArray& text, Route route, bool mayJoin, const QObject* receiver, Reading done);

    std::shared_ptr<Shared> shared;
    std::unique_ptr<WorkerPool> watchLane; // "vesk.daemon.watch"
    std::unique_ptr<WorkerPool> asks;      // "vesk.daemon.ask", askWorkers side by side
    std::unique_ptr<WorkerPool> answers;   // "vesk.daemon.answer"
    bool watching = false;
};

} // namespace vesk
