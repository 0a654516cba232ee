#include "Ops.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <cmath>
#include <limits>

namespace vesk::demo {

void Args::fail(const char* key, const char* expected)
{
    if (error.isEmpty())
        error = QStringLiteral("\"%1\" must be %2").arg(QLatin1String(key), QLatin1String(expected));
}

qint64 Args::integer(const char* key)
{
    const std::optional<qint64> v = optionalInteger(key);
    if (!v)
        fail(key, "an integer");
    return v.value_or(0);
}

std::optional<qint64> Args::optionalInteger(const char* key)
{
    const QJsonValue v = o.value(QLatin1String(key));
    if (v.isUndefined() || v.isNull())
        return std::nullopt;
    const double d = v.toDouble(std::numeric_limits<double>::quiet_NaN());
    if (!v.isDouble() || !std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 9.0e15) {
        fail(key, "an integer");
        return std::nullopt;
    }
    return v.toInteger(qint64(d));
}

double Args::number(const char* key)
{
    const std::optional<double> v = optionalNumber(key);
    if (!v)
        fail(key, "a number");
    return v.value_or(0);
}

std::optional<double> Args::optionalNumber(const char* key)
{
    const QJsonValue v = o.value(QLatin1String(key));
    if (v.isUndefined() || v.isNull())
        return std::nullopt;
    if (!v.isDouble() || !std::isfinite(v.toDouble())) {
        fail(key, "a number");
        return std::nullopt;
    }
    return v.toDouble();
}

bool Args::boolean(const char* key)
{
    const QJsonValue v = o.value(QLatin1String(key));
    if (!v.isBool())
        fail(key, "true or false");
    return v.toBool();
}

QString Args::string(const char* key)
{
    const std::optional<QString> v = optionalString(key);
    if (!v)
        fail(key, "a string");
    return v.value_or(QString());
}

std::optional<QString> Args::optionalString(const char* key)
{
    const QJsonValue v = o.value(QLatin1String(key));
    if (v.isUndefined() || v.isNull())
        return std::nullopt;
    if (!v.isString()) {
        fail(key, "a string");
        return std::nullopt;
    }
    return v.toString();
}

QList<qint64> Args::integers(const char* key)
{
    QList<qint64> out;
    const QJsonValue v = o.value(QLatin1String(key));
    if (!v.isArray()) {
        fail(key, "an array of integers");
        return out;
    }
    for (const QJsonValue& x : v.toArray()) {
        if (!x.isDouble() || x.toDouble() != std::floor(x.toDouble())) {
            fail(key, "an array of integers");
            return {};
        }
        out.append(x.toInteger(qint64(x.toDouble())));
    }
    return out;
}

QJsonObject Args::errorReply() const
{
    return demo::errorReply(error);
}

QJsonObject errorReply(const QString& message)
{
    return QJsonObject{{"kind", "error"}, {"message", message}};
}

QJsonObject okReply(QJsonObject extra)
{
    extra.insert("kind", "ok");
    return extra;
}

Ops::Ops(Model& m, std::function<qint64()> clock)
    : model(m)
    , now(std::move(clock))
{
}

bool Ops::isChange(const QString& op)
{
    static const QSet<QString> changes{"judge_merge",
                                       "rename",
                                       "reject_relation",
                                       "correct_claim",
                                       "forget_entity",
                                       "set_capture",
                                       "set_injection",
                                       "set_tier",
                                       "block_app",
                                       "unblock_app",
                                       "block_website",
                                       "unblock_website",
                                       "block_window_title",
                                       "unblock_window_title",
                                       "forget_rule",
                                       "forget_app",
                                       "delete_expired_pixels",
                                       "complete_onboarding",
                                       "record_human_delivery",
                                       "record_human_outcome",
                                       "set_delivery_policy",
                                       "reset_interjection_learning",
                                       "record_interjection_outcome",
                                       "set_interjection_kind_stance"};
    return changes.contains(op);
}

QJsonObject Ops::captureLine() const
{
    return QJsonObject{{"kind", "capture"},
                       {"capturing", model.capturing()},
                       {"displays", model.capturing() ? model.displays : 0},
                       {"reason", model.captureReason(now())}};
}

void Ops::tick()
{
    const qint64 t = now();
    if (model.capturePaused && model.captureUntilMs && *model.captureUntilMs <= t) {
        model.capturePaused = false;
        model.captureUntilMs.reset();
        if (captureChanged)
            captureChanged();
    }
    if (!model.injectionEnabled && model.injectionUntilMs && *model.injectionUntilMs <= t) {
        model.injectionEnabled = true;
        model.injectionUntilMs.reset();
    }
}

QJsonObject Ops::handle(const QJsonObject& request)
{
    const QJsonValue opValue = request.value("op");
    if (!opValue.isString())
        return errorReply(QStringLiteral("a request needs a string \"op\""));
    const QString op = opValue.toString();
    if (!writable && isChange(op))
        return errorReply(QStringLiteral("this process may read but not change the memory"));
    tick();

    using Handler = QJsonObject (Ops::*)(Args&);
    static const QHash<QString, Handler> handlers{
        {"hello", &Ops::hello},
        {"status", &Ops::status},
        {"ask", &Ops::ask},
        {"search", &Ops::search},
        {"why", &Ops::why},
        {"relations", &Ops::relations},
        {"relation_evidence", &Ops::relationEvidence},
        {"frame", &Ops::frame},
        {"top", &Ops::top},
        {"proposals", &Ops::proposals},
        {"judge_merge", &Ops::judgeMerge},
        {"rename", &Ops::rename},
        {"reject_relation", &Ops::rejectRelation},
        {"correct_claim", &Ops::correctClaim},
        {"forget_entity_preview", &Ops::forgetEntityPreview},
        {"forget_entity", &Ops::forgetEntity},
        {"profile", &Ops::profile},
        {"recent_deliveries", &Ops::recentDeliveries},
        {"inspect_context_package", &Ops::inspectContextPackage},
        {"set_capture", &Ops::setCapture},
        {"set_injection", &Ops::setInjection},
        {"set_tier", &Ops::setTier},
        {"delete_expired_pixels", &Ops::deleteExpiredPixels},
        {"complete_onboarding", &Ops::completeOnboarding},
        {"connections", &Ops::connections},
        {"route_delivery", &Ops::routeDelivery},
        {"record_human_delivery", &Ops::recordHumanDelivery},
        {"record_human_outcome", &Ops::recordHumanOutcome},
        {"next_semantic_interjection", &Ops::nextSemanticInterjection},
        {"set_delivery_policy", &Ops::setDeliveryPolicy},
        {"reset_interjection_learning", &Ops::resetInterjectionLearning},
        {"record_interjection_outcome", &Ops::recordInterjectionOutcome},
        {"set_interjection_kind_stance", &Ops::setInterjectionKindStance},
        {"interjection_signals", &Ops::interjectionSignals},
    };
    Args args(request);
    if (const auto it = handlers.find(op); it != handlers.end()) {
        QJsonObject reply = (this->*it.value())(args);
        return args.ok() ? reply : args.errorReply();
    }
    if (op == "app_blocks" || op == "website_blocks" || op == "window_title_blocks")
        return listRules(op);
    if (op == "block_app" || op == "block_website" || op == "block_window_title") {
        QJsonObject reply = blockRule(op, args);
        return args.ok() ? reply : args.errorReply();
    }
    if (op == "unblock_app" || op == "unblock_website" || op == "unblock_window_title") {
        QJsonObject reply = unblockRule(op, args);
        return args.ok() ? reply : args.errorReply();
    }
    if (op == "forget_rule_preview" || op == "forget_rule") {
        QJsonObject reply = forgetRule(args, op == "forget_rule");
        return args.ok() ? reply : args.errorReply();
    }
    if (op == "forget_app_preview" || op == "forget_app") {
        QJsonObject reply = forgetApp(args, op == "forget_app");
        return args.ok() ? reply : args.errorReply();
    }
    return errorReply(QStringLiteral("unknown op \"%1\"").arg(op));
}

QJsonObject Ops::countsObject(const QString& kind, const ForgetCounts& c)
{
    return QJsonObject{{"kind", kind},
                       {"frames", qint64(c.frames.size())},
                       {"text_lines", c.textLines},
                       {"messages", qint64(c.messages.size())},
                       {"sightings", c.sightings},
                       {"nodes_deleted", qint64(c.nodesDeleted.size())},
                       {"nodes_kept", c.nodesKept},
                       {"kept_sightings_lost", c.keptSightingsLost},
                       {"bytes_freed", c.bytesFreed}};
}

QStringList Ops::terms(const QString& text)
{
    static const QSet<QString> empty{
        "the",   "and",     "for",  "with",     "about",    "what",   "was",   "were",      "are",  "did",
        "does",  "who",     "how",  "why",      "when",     "where",  "which", "this",      "that", "these",
        "those", "have",    "has",  "had",      "from",     "into",   "there", "their",     "you",  "your",
        "our",   "its",     "can",  "could",    "should",   "would",  "will",  "any",       "all",  "not",
        "but",   "working", "work", "doing",    "recently", "lately", "today", "yesterday", "week", "last",
        "tell",  "show",    "know", "remember", "again",    "need",   "some"};
    static const QRegularExpression split(QStringLiteral("[^\\w./:#-]+"));
    QStringList out;
    for (QString word : text.toLower().split(split, Qt::SkipEmptyParts)) {
        while (!word.isEmpty() && QStringLiteral(".:-#/").contains(word.back()))
            word.chop(1);
        if (word.size() >= 3 && !empty.contains(word) && !out.contains(word))
            out.append(word);
    }
    return out;
}

} // namespace vesk::demo
