#include "Ops.h"

#include <QFile>
#include <QJsonArray>

namespace vesk::demo {

namespace {

QList<Rule>* rulesFor(Model& m, const QString& op)
{
    if (op.contains("app"))
        return &m.appRules;
    if (op.contains("website"))
        return &m.websiteRules;
    return &m.titleRules;
}

QString valueKey(const QString& op)
{
    if (op.contains("app"))
        return QStringLiteral("bundle_id");
    if (op.contains("website"))
        return QStringLiteral("host");
    return QStringLiteral("phrase");
}

} // namespace

QJsonObject Ops::hello(Args&)
{
    return QJsonObject{{"kind", "hello"}, {"daemon", "veskd-demo"}, {"version", "0.1"}, {"writable", writable}};
}

QJsonObject Ops::status(Args&)
{
    const qint64 t = now();
    const QList<qint64> expired = model.expiredPixelFrames(t);
    qint64 expiredBytes = 0;
    for (qint64 id : expired)
        expiredBytes += model.frames.at(id).imageBytes;
    std::optional<qint64> nextExpiry;
    const qint64 keepMs = model.retentionDays * 24 * 3600 * 1000;
    for (const auto& [id, f] : model.frames)
        if (!f.imagePath.isEmpty() && f.capturedMs + keepMs > t)
            nextExpiry = std::min(nextExpiry.value_or(f.capturedMs + keepMs), f.capturedMs + keepMs);

    QJsonArray tiers;
    for (const Tier& tier : model.tiers)
        tiers.append(QJsonObject{{"name", tier.name}, {"enabled", tier.enabled}, {"ready", tier.ready}});
    QJsonObject s{{"kind", "status"},
                  {"onboarded", model.onboarded},
                  {"frames", qint64(model.frames.size())},
                  {"nodes", qint64(model.nodes.size())},
                  {"pixel_bytes", model.pixelBytes()},
                  {"db_bytes", model.databaseBytes()},
                  {"capture_paused", model.capturePaused},
                  {"injection_enabled", model.injectionEnabled},
                  {"injections_today", model.injectionsToday},
                  {"tiers", tiers},
                  {"retention_days", model.retentionDays},
                  {"expired_pixel_frames", qint64(expired.size())},
                  {"expired_pixel_bytes", expiredBytes},
                  {"screen_recording", true},
                  {"accessibility", true},
                  {"interjections_enabled", model.policyEnabled},
                  {"interjections_daily_limit", model.dailyLimit},
                  {"interjections_retry_minutes", model.retryMinutes},
                  {"interjections_reopened", model.reopenedEnabled}};
    if (model.capturePaused && model.captureUntilMs)
        s.insert("capture_paused_until_ms", *model.captureUntilMs);
    if (!model.injectionEnabled && model.injectionUntilMs)
        s.insert("injection_paused_until_ms", *model.injectionUntilMs);
    if (nextExpiry)
        s.insert("next_pixel_expiry_ms", *nextExpiry);
    if (model.quietStart && model.quietEnd) {
        s.insert("interjections_quiet_start_hour", *model.quietStart);
        s.insert("interjections_quiet_end_hour", *model.quietEnd);
    }
    return s;
}

QJsonObject Ops::setCapture(Args& a)
{
    const bool paused = a.boolean("paused");
    const std::optional<qint64> until = a.optionalInteger("until_ms");
    if (!a.ok())
        return {};
    const bool was = model.capturing();
    const QString reason = model.captureReason(now());
    model.capturePaused = paused;
    model.captureUntilMs = paused ? until : std::nullopt;
    if (captureChanged && (was != model.capturing() || reason != model.captureReason(now())))
        captureChanged();
    return okReply();
}

QJsonObject Ops::setInjection(Args& a)
{
    const bool enabled = a.boolean("enabled");
    const std::optional<qint64> until = a.optionalInteger("until_ms");
    if (!a.ok())
        return {};
    model.injectionEnabled = enabled;
    model.injectionUntilMs = enabled ? std::nullopt : until;
    return okReply();
}

QJsonObject Ops::setTier(Args& a)
{
    const QString name = a.string("name");
    const bool enabled = a.boolean("enabled");
    if (!a.ok())
        return {};
    for (Tier& tier : model.tiers)
        if (tier.name == name) {
            tier.enabled = enabled;
            return okReply();
        }
    return errorReply(QStringLiteral("no tier called \"%1\"").arg(name));
}

QJsonObject Ops::listRules(const QString& op)
{
    const QString key = valueKey(op);
    QJsonArray rules;
    for (const Rule& r : *rulesFor(model, op)) {
        QJsonObject o{{"id", r.id}, {key, r.value}};
        if (!r.appName.isEmpty())
            o.insert("app_name", r.appName);
        rules.append(o);
    }
    return QJsonObject{{"kind", op}, {"rules", rules}};
}

QJsonObject Ops::blockRule(const QString& op, Args& a)
{
    const QString key = valueKey(op);
    QString value = a.string(key.toLatin1().constData());
    const std::optional<QString> appName = op == "block_app" ? a.optionalString("app_name") : std::nullopt;
    if (!a.ok())
        return {};
    // Only the hostname of a website is kept, so a pasted address still makes a usable rule.
    value = op == "block_website" ? normalizedHost(value) : value.trimmed();
    if (value.isEmpty())
        return errorReply(op == "block_website" ? QStringLiteral("That does not name a website.")
                                                : QStringLiteral("A rule needs something to match."));
    QList<Rule>& rules = *rulesFor(model, op);
    for (const Rule& r : rules)
        if (r.value.compare(value, op == "block_app" ? Qt::CaseSensitive : Qt::CaseInsensitive) == 0)
            return okReply({{"rule_id", r.id}});
    rules.append(Rule{model.nextRuleId++, value, appName.value_or(QString())});
    return okReply({{"rule_id", rules.last().id}});
}

QJsonObject Ops::unblockRule(const QString& op, Args& a)
{
    const qint64 id = a.integer("rule_id");
    if (!a.ok())
        return {};
    QList<Rule>& rules = *rulesFor(model, op);
    if (rules.removeIf([id](const Rule& r) { return r.id == id; }) == 0)
        return errorReply(QStringLiteral("no rule %1 of this kind").arg(id));
    return okReply();
}

QJsonObject Ops::forgetRule(Args& a, bool apply)
{
    const QString kind = a.string("kind");
    const QString value = a.string("value");
    if (!a.ok())
        return {};
    QSet<qint64> matching;
    if (kind == "url_host") {
        const QString host = normalizedHost(value);
        if (host.isEmpty())
            return errorReply(QStringLiteral("That does not name a website."));
        for (const auto& [id, f] : model.frames) {
            const QString frameHost = normalizedHost(f.url);
            if (!frameHost.isEmpty() && (frameHost == host || frameHost.endsWith("." + host)))
                matching.insert(id);
        }
    } else if (kind == "window_title_substr") {
        if (value.trimmed().isEmpty())
            return errorReply(QStringLiteral("A title phrase cannot be empty."));
        for (const auto& [id, f] : model.frames)
            if (f.title.contains(value.trimmed(), Qt::CaseInsensitive))
                matching.insert(id);
    } else {
        return errorReply(QStringLiteral("unknown rule kind \"%1\"").arg(kind));
    }
    const ForgetCounts counts = model.countForget(matching, {}, 0);
    if (apply)
        model.applyForget(counts, 0);
    QJsonObject reply = countsObject("rule_forget", counts);
    reply.insert("applied", apply);
    return reply;
}

QJsonObject Ops::forgetApp(Args& a, bool apply)
{
    const QString bundle = a.string("bundle_id").trimmed();
    if (!a.ok())
        return {};
    if (bundle.isEmpty())
        return errorReply(QStringLiteral("an application needs its identifier"));
    QSet<qint64> matching;
    for (const auto& [id, f] : model.frames)
        if (f.bundleId == bundle)
            matching.insert(id);
    const ForgetCounts counts = model.countForget(matching, {}, 0);
    if (apply)
        model.applyForget(counts, 0);
    return countsObject(apply ? "app_forgot" : "app_forget_preview", counts);
}

QJsonObject Ops::deleteExpiredPixels(Args&)
{
    qint64 count = 0, bytes = 0;
    for (qint64 id : model.expiredPixelFrames(now())) {
        Frame& f = model.frames.at(id);
        QFile::remove(f.imagePath);
        bytes += f.imageBytes;
        ++count;
        f.imagePath.clear();
        f.imageBytes = 0;
        f.redaction = QStringLiteral("retention: pixels older than %1 days were deleted").arg(model.retentionDays);
    }
    return QJsonObject{{"kind", "expired_pixels_deleted"}, {"frames", count}, {"bytes_freed", bytes}};
}

QJsonObject Ops::completeOnboarding(Args& a)
{
    const QHash<QString, bool> choices{{"answers", a.boolean("answer_generation")},
                                       {"embeddings", a.boolean("embeddings")},
                                       {"relations", a.boolean("relations")},
                                       {"profile", a.boolean("profile")}};
    if (!a.ok())
        return {};
    for (Tier& tier : model.tiers)
        tier.enabled = choices.value(tier.name, tier.enabled);
    const bool was = model.capturing();
    model.onboarded = true;
    if (captureChanged && was != model.capturing())
        captureChanged();
    return okReply();
}

QJsonObject Ops::connections(Args&)
{
    return QJsonObject{{"kind", "connections"}, {"clis", model.connections}};
}

} // namespace vesk::demo
