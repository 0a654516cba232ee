#include "Options.h"

namespace vesk::demo {

namespace {

// "--name=value" or "--name value"; advances `i` past a separate value.
std::optional<QString> valueOf(const QStringList& args, qsizetype& i, const QString& name)
{
    const QString& arg = args.at(i);
    if (arg.startsWith(name + QLatin1Char('=')))
        return arg.mid(name.size() + 1);
    if (arg == name && i + 1 < args.size())
        return args.at(++i);
    return std::nullopt;
}

bool isOption(const QString& arg, const QString& name)
{
    return arg == name || arg.startsWith(name + QLatin1Char('='));
}

} // namespace

std::optional<Options> parseOptions(const QStringList& arguments, QString* error)
{
    Options o;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        std::optional<QString> value;
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            o.help = true;
        } else if (arg == QLatin1String("--unwritable")) {
            o.writable = false;
        } else if (isOption(arg, "--socket") && (value = valueOf(arguments, i, "--socket"))) {
            o.socketPath = *value;
        } else if (isOption(arg, "--seed") && (value = valueOf(arguments, i, "--seed"))) {
            o.seedPath = *value;
        } else if (isOption(arg, "--onboarded") && (value = valueOf(arguments, i, "--onboarded"))) {
            if (*value != QLatin1String("true") && *value != QLatin1String("false")) {
                *error = QStringLiteral("--onboarded takes true or false");
                return std::nullopt;
            }
            o.onboarded = *value == QLatin1String("true");
        } else if (isOption(arg, "--answers") && (value = valueOf(arguments, i, "--answers"))) {
            if (value->isEmpty()) {
                *error = QStringLiteral("--answers needs a failure code");
                return std::nullopt;
            }
            o.answerFailure = *value;
        } else if (isOption(arg, "--slow") && (value = valueOf(arguments, i, "--slow"))) {
            const qsizetype eq = value->lastIndexOf(QLatin1Char('='));
            bool ok = false;
            const double seconds = eq > 0 ? value->mid(eq + 1).toDouble(&ok) : 0;
            if (!ok || seconds < 0 || seconds > 3600) {
                *error = QStringLiteral("--slow takes OP=SECONDS, for example --slow ask=5");
                return std::nullopt;
            }
            o.slow[value->left(eq)] = seconds;
        } else if (isOption(arg, "--fail") && (value = valueOf(arguments, i, "--fail"))) {
            o.fail.insert(*value);
        } else if (isOption(arg, "--drop") && (value = valueOf(arguments, i, "--drop"))) {
            o.drop.insert(*value);
        } else if (isOption(arg, "--garbage") && (value = valueOf(arguments, i, "--garbage"))) {
            o.garbage.insert(*value);
        } else if (isOption(arg, "--split") && (value = valueOf(arguments, i, "--split"))) {
            o.split.insert(*value);
        } else {
            *error = QStringLiteral("unknown or incomplete argument: ") + arg;
            return std::nullopt;
        }
    }
    return o;
}

QString usage()
{
    return QStringLiteral(
        "usage: veskd-demo [options]\n"
        "A stand-in for veskd that serves a seeded demo memory over the daemon socket.\n"
        "\n"
        "  --socket PATH        listen here instead of $HOME/Library/Application Support/vesk/state/veskd.sock\n"
        "  --seed FILE          load this demo memory instead of the built-in one\n"
        "  --onboarded=false    start as if setup had not been finished\n"
        "  --unwritable         hello reports \"writable\": false and every change is refused\n"
        "  --answers=CODE       every ask fails with this failure code (quota_exceeded, upstream_busy, ...)\n"
        "  --slow OP=SECONDS    answer OP only after this many seconds\n"
        "  --fail OP            answer OP with {\"kind\":\"error\"}\n"
        "  --drop OP            close OP's connection without answering\n"
        "  --garbage OP         answer OP with a line that is not JSON\n"
        "  --split OP           write OP's reply in many small pieces\n"
        "Each fault switch may be given several times, once per operation.\n");
}

QString defaultSocketPath(const QString& home)
{
    return home + QStringLiteral("/Library/Application Support/vesk/state/veskd.sock");
}

} // namespace vesk::demo
