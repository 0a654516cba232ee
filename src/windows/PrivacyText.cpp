#include "PrivacyText.h"

#include "Bytes.h"
#include "DataText.h"
#include "Json.h"
#include "Phrases.h"
#include "SafeText.h"

namespace vesk::PrivacyText {

Mode modeOf(int segment)
{
    switch (segment) {
    case 1:
        return Mode::websites;
    case 2:
        return Mode::windowTitles;
    default:
        return Mode::applications;
    }
}

const Copy& copy(Mode mode)
{
    static const Copy applications{
        QStringLiteral("Applications"),
        QStringLiteral("Applications Vesk must not capture"),
        QStringLiteral("Choose an application to exclude. Removing its rule allows future capture, subject to the "
                       "other exclusions."),
        QStringLiteral("No application exclusions yet."),
        QStringLiteral("Add application…"),
        QStringLiteral("bundle_id"),
        QStringLiteral("Allow future capture of this application?"),
        {},
        {},
        QStringLiteral("Could not exclude that application."),
    };
    static const Copy websites{
        QStringLiteral("Websites"),
        QStringLiteral("Websites Vesk must not capture"),
        QStringLiteral("A website rule includes its subdomains. Vesk stores only the hostname."),
        QStringLiteral("No website exclusions yet."),
        QStringLiteral("Add website…"),
        QStringLiteral("host"),
        QStringLiteral("Allow future capture of this website?"),
        QStringLiteral("url_host"),
        QStringLiteral("that website"),
        QStringLiteral("Could not exclude that website."),
    };
    static const Copy windowTitles{
        QStringLiteral("Window titles"),
        QStringLiteral("Window titles Vesk must not capture"),
        QStringLiteral("Matching is case-insensitive and applies when the phrase appears anywhere in a title. Broad "
                       "phrases may exclude more windows than you expect."),
        QStringLiteral("No window-title exclusions yet."),
        QStringLiteral("Add title phrase…"),
        QStringLiteral("phrase"),
        QStringLiteral("Allow future capture of matching window titles?"),
        QStringLiteral("window_title_substr"),
        QStringLiteral("windows with that title"),
        QStringLiteral("Could not add that title exclusion."),
    };
    switch (mode) {
    case Mode::websites:
        return websites;
    case Mode::windowTitles:
        return windowTitles;
    case Mode::applications:
        break;
    }
    return applications;
}

std::optional<QList<Rule>> rules(const Reply& reply, Mode mode)
{
    const QJsonValue list = reply ? reply->value(u"rules") : QJsonValue();
    if (!list.isArray())
        return std::nullopt;
    const QJsonArray elements = list.toArray();
    const QString& key = copy(mode).valueKey;
    QList<Rule> out;
    for (const QJsonValue& e : elements) {
        const QJsonObject r = e.toObject();
        const auto id = Json::id(r, u"id");
        const auto value = Json::string(r, key);
        if (id && value)
            out.append(Rule{*id, *value});
    }
    // Rules of another kind, or nothing but wrong elements: this is no list of this section's rules.
    if (!elements.isEmpty() && out.isEmpty())
        return std::nullopt;
    return out;
}

Listing listing(const Reply& reply, Mode mode)
{
    Listing out;
    const auto all = rules(reply, mode);
    if (all)
        for (const Rule& rule : *all)
            out.values << rule.value;
    out.shown = DataText::listed(all, shownRules, reply);
    return out;
}

QString notShown(qsizetype more, Mode mode)
{
    static const QString nouns[] = {QStringLiteral("application exclusion"), QStringLiteral("website exclusion"),
                                    QStringLiteral("window-title exclusion")};
    return DataText::notShown(more, nouns[int(mode)]);
}

QString explanation(Mode mode, const QString& windowTitlesNeed)
{
    const QString& fixed = copy(mode).explanation;
    if (mode != Mode::websites || windowTitlesNeed.isEmpty())
        return fixed;
    return fixed + QStringLiteral(" The website is read from the browser's window title. ") + windowTitlesNeed;
}

QString removeText(const QString& value)
{
    return QStringLiteral("Vesk will be allowed to capture ") + SafeText::isolated(value)
        + QStringLiteral(" after this rule is removed. Existing data is unchanged.");
}

QString excludeAppTitle(const QString& name)
{
    return QStringLiteral("Exclude ") + name + QStringLiteral(" from future capture?");
}

QString excludeAppText(const QString& applicationId)
{
    return QStringLiteral("Vesk will identify the application by ") + applicationId
        + QStringLiteral(". New frames from it will not be stored. Existing screenshots, extracted text, and memory "
                         "stay unless you select the separate option below.");
}

ForgetOption forgetOption(const ForgetPreview& preview)
{
    if (!preview.somethingToForget())
        return {QStringLiteral("No existing captures from this application"), false};
    return {QStringLiteral("Also forget existing data from this application (")
                + countPhrase(preview.frames.value_or(0), QStringLiteral("screenshot")) + QLatin1Char(')'),
            true};
}

QString offerTitle(const QString& subject)
{
    return QStringLiteral("Also forget what Vesk already captured from ") + subject + QLatin1Char('?');
}

QString offerText(qint64 frames)
{
    return QStringLiteral("The exclusion is active and stops new capture. ")
        + countPhrase(frames, QStringLiteral("screenshot record"))
        + QStringLiteral(" taken before it stay unless you forget them now.");
}

QString forgetTitle(const QString& subject)
{
    return QStringLiteral("Permanently forget existing data from ") + subject + QLatin1Char('?');
}

std::optional<ForgetPreview> forgetPreview(const Reply& reply, QStringView kind)
{
    if (!Json::isKind(reply, kind))
        return std::nullopt;
    const auto n = [&reply](QStringView key) { return DataText::countOrZero(reply->value(key)); };
    return ForgetPreview{n(u"frames"),
                         Json::int64(*reply, u"bytes_freed").value_or(0),
                         n(u"text_lines"),
                         n(u"sightings"),
                         n(u"nodes_deleted"),
                         n(u"nodes_kept"),
                         n(u"kept_sightings_lost")};
}

std::optional<Removed> forgotten(const Reply& reply, Mode mode)
{
    const bool done = mode == Mode::applications
        ? Json::isKind(reply, u"app_forgot")
        : Json::isKind(reply, u"rule_forget") && Json::boolean(*reply, u"applied") == true;
    if (!done)
        return std::nullopt;
    return Removed{DataText::countOrZero(reply->value(u"frames"))};
}

QString forgetText(const ForgetPreview& p, const QString& closing)
{
    return QStringLiteral("This irreversibly deletes ") + countPhrase(p.frames, QStringLiteral("screenshot record"))
        + QStringLiteral(" and pixels (") + Bytes::fileSize(p.bytesFreed) + QStringLiteral("), ")
        + countPhrase(p.textLines, QStringLiteral("extracted text line")) + QStringLiteral(", and ")
        + countPhrase(p.sightings, QStringLiteral("memory sighting")) + QStringLiteral(".\n\n")
        + countPhrase(p.nodesDeleted, QStringLiteral("memory item")) + QStringLiteral(" will be deleted. ")
        + countPhrase(p.nodesKept, QStringLiteral("item")) + QStringLiteral(" will remain but lose ")
        + countPhrase(p.keptSightingsLost, QStringLiteral("sighting")) + closing;
}

QString forgottenTitle(const QString& subject)
{
    return QStringLiteral("Existing data from ") + subject + QStringLiteral(" was forgotten.");
}

QString forgottenText(const Removed& removed, const QString& remains)
{
    if (!removed.frames)
        return QStringLiteral("How many screenshot records were removed is unavailable. ") + remains;
    return QStringLiteral("Removed ") + countPhrase(*removed.frames, QStringLiteral("screenshot record"))
        + QStringLiteral(". ") + remains;
}

Verdict verdict(const std::optional<ForgetPreview>& fresh, qint64 expected, const QString& subject,
                const QString& remains)
{
    const QString records = countPhrase(expected, QStringLiteral("screenshot record"));
    const std::optional<qint64> left = fresh ? fresh->frames : std::nullopt;
    if (!left)
        return {true, QStringLiteral("Vesk could not check whether it was forgotten."),
                QStringLiteral("The daemon did not answer in time, and asking again what is left brought no answer "
                               "either, so the forget may or may not have run. ")
                    + remains};
    if (*left == 0)
        return {false, QStringLiteral("Forgotten."),
                QStringLiteral("The daemon took longer than Vesk waits, so it could not confirm at the time — but the ")
                    + records + QStringLiteral(" from ") + subject + QStringLiteral(" are gone. Checked just now. ")
                    + remains};
    if (*left >= expected)
        return {false, QStringLiteral("Nothing was deleted."),
                QStringLiteral("The daemon did not get to the request, and nothing changed: all ") + records
                    + QStringLiteral(" from ") + subject + QStringLiteral(" are still there. ") + remains};
    return {true, QStringLiteral("Partly done, and still going."),
            QString::number(expected - *left) + QStringLiteral(" of ") + records
                + QStringLiteral(" are already gone and ") + QString::number(*left)
                + QStringLiteral(" remain; the daemon may still be deleting them. ") + remains};
}

} // namespace vesk::PrivacyText
