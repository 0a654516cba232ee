#pragma once

#include "Model.h"

#include <QJsonObject>
#include <functional>
#include <optional>

namespace vesk::demo {

// Reads a request's fields strictly: the first missing or mistyped field is remembered, and the
// handler answers with an error instead of guessing.
class Args {
public:
    explicit Args(const QJsonObject& request)
        : o(request)
    {
    }
    qint64 integer(const char* key);
    std::optional<qint64> optionalInteger(const char* key); // absent or null is nothing
    double number(const char* key);
    std::optional<double> optionalNumber(const char* key);
    bool boolean(const char* key);
    QString string(const char* key);
    std::optional<QString> optionalString(const char* key);
    QList<qint64> integers(const char* key);
    bool ok() const { return error.isEmpty(); }
    QJsonObject errorReply() const;

private:
    void fail(const char* key, const char* expected);
    const QJsonObject& o;
    QString error;
};

QJsonObject errorReply(const QString& message);
QJsonObject okReply(QJsonObject extra = {});

// Every operation of the protocol, answered from the model. Not thread-safe: the server calls it
// from its one event loop.
class Ops {
public:
    Ops(Model& model, std::function<qint64()> now);

    bool writable = true;
    QString answerFailure;                // when set, every ask fails with this code
    std::function<void()> captureChanged; // called after a change of the recording state

    // The reply for one request object; errors are {"kind":"error","message":...}.
    QJsonObject handle(const QJsonObject& request);
    static bool isChange(const QString& op);

    // The line written on watch connections.
    QJsonObject captureLine() const;
    // Ends timed pauses whose end has passed; called before every request and once a second.
    void tick();

    // Memory, graph and answers (OpsMemory.cpp).
    QJsonObject ask(Args& a);
    QJsonObject search(Args& a);
    QJsonObject why(Args& a);
    QJsonObject relations(Args& a);
    QJsonObject relationEvidence(Args& a);
    QJsonObject frame(Args& a);
    QJsonObject top(Args& a);
    QJsonObject proposals(Args& a);
    QJsonObject judgeMerge(Args& a);
    QJsonObject rename(Args& a);
    QJsonObject rejectRelation(Args& a);
    QJsonObject correctClaim(Args& a);
    QJsonObject forgetEntityPreview(Args& a);
    QJsonObject forgetEntity(Args& a);

    // Status, switches, privacy and setup (OpsControl.cpp).
    QJsonObject hello(Args& a);
    QJsonObject status(Args& a);
    QJsonObject setCapture(Args& a);
    QJsonObject setInjection(Args& a);
    QJsonObject setTier(Args& a);
    QJsonObject listRules(const QString& op);
    QJsonObject blockRule(const QString& op, Args& a);
    QJsonObject unblockRule(const QString& op, Args& a);
    QJsonObject forgetRule(Args& a, bool apply);
    QJsonObject forgetApp(Args& a, bool apply);
    QJsonObject deleteExpiredPixels(Args& a);
    QJsonObject completeOnboarding(Args& a);
    QJsonObject connections(Args& a);

    // Handoffs, profile and reminders (OpsDelivery.cpp).
    QJsonObject profile(Args& a);
    QJsonObject recentDeliveries(Args& a);
    QJsonObject inspectContextPackage(Args& a);
    QJsonObject routeDelivery(Args& a);
    QJsonObject recordHumanDelivery(Args& a);
    QJsonObject recordHumanOutcome(Args& a);
    QJsonObject nextSemanticInterjection(Args& a);
    QJsonObject setDeliveryPolicy(Args& a);
    QJsonObject resetInterjectionLearning(Args& a);
    QJsonObject recordInterjectionOutcome(Args& a);
    QJsonObject setInterjectionKindStance(Args& a);
    QJsonObject interjectionSignals(Args& a);

    // Shared by the forget operations.
    static QJsonObject countsObject(const QString& kind, const ForgetCounts& c);
    // Lower-case words of three letters or more that carry meaning.
    static QStringList terms(const QString& text);

private:
    Model& model;
    std::function<qint64()> now;
};

} // namespace vesk::demo
