#include "CommandLine.h"

#include <QCommandLineParser>

namespace vesk {

namespace {

const QString environmentHelp
    = QStringLiteral("\nEnvironment (each VESK_ name also read as QEV_; a switch is on only when it is 1):\n"
                     "  VESK_FIRST_RUN_PREVIEW=1          Open the ask panel on its first-run page.\n"
                     "  VESK_ONBOARDING_PREVIEW=1         Open \"Set up Vesk\" in preview: nothing is saved or sent.\n"
                     "  VESK_SURFACE_PREVIEW=inbox        Open the inbox of merge questions at launch.\n"
                     "  VESK_APP_DEBUG                    Print the status item's diagnostic line after a second.\n"
                     "  VESK_INTERJECTION_SELFCHECK=1     Run the reminders' self-checks and exit.\n"
                     "  VESK_INTERJECTION_PREVIEW=1       Show a preview reminder card.\n"
                     "  VESK_INTERJECTION_TEST_CONTEXT    A window title standing in for the window in front.\n"
                     "  VESK_INTERJECTION_FIRST_PASS_SECONDS  Bring the first reminder pass forward.\n"
                     "\nQt's own options (-platform NAME, -display DISPLAY, …) are accepted too.\n");

// Qt's options that take a value (as the next argument or after "="), and those that take none.
const QStringList qtValueOptions{"platform",
                                 "platformpluginpath",
                                 "platformtheme",
                                 "plugin",
                                 "qwindowgeometry",
                                 "geometry",
                                 "qwindowicon",
                                 "icon",
                                 "qwindowtitle",
                                 "title",
                                 "session",
                                 "display",
                                 "name",
                                 "style",
                                 "stylesheet",
                                 "dialogs",
                                 "qmljsdebugger"};
const QStringList qtFlagOptions{"reverse", "nograb", "dograb", "sync", "widgetcount", "testability"};

// The name of a Qt option written with one or two dashes, with or without "=value"; empty for any
// other argument.
QString qtOptionName(const QString& argument)
{
    if (!argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("--"))
        return {};
    QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1).section(QLatin1Char('='), 0, 0);
    return qtValueOptions.contains(name) || qtFlagOptions.contains(name) ? name : QString();
}

} // namespace

std::variant<CommandLine, CommandLine::Exit> CommandLine::parse(const QStringList& arguments, const QString& version)
{
    const QString program = arguments.value(0, QStringLiteral("vesk"));
    CommandLine line;
    line.qtArguments << program;
    QStringList ours{program};
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString name = qtOptionName(arguments[i]);
        if (name.isEmpty()) {
            ours << arguments[i];
            continue;
        }
        line.qtArguments << arguments[i];
        if (qtValueOptions.contains(name) && !arguments[i].contains(QLatin1Char('=')) && i + 1 < arguments.size())
            line.qtArguments << arguments[++i];
    }

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Vesk, the tray front end of the veskd memory daemon."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption versionOption({QStringLiteral("v"), QStringLiteral("version")},
                                           QStringLiteral("Print the version and exit."));
    const QCommandLineOption quitAfterStart(
        QStringLiteral("quit-after-start"),
        QStringLiteral("Start completely, print \"ready\" at the first turn of the event loop and exit."));
    const QCommandLineOption relaunch(QStringLiteral("relaunch"),
                                      QStringLiteral("Wait up to 10 seconds for the running Vesk to quit, then start "
                                                     "in its place (Vesk uses it to restart after an update)."));
    // What a desktop shortcut runs where the desktop gives applications no global shortcut.
    const QCommandLineOption ask(QStringLiteral("ask"),
                                 QStringLiteral("Show the ask panel of the running Vesk, starting Vesk if none runs."));
    const QCommandLineOption shortcut(
        QStringLiteral("shortcut"),
        QStringLiteral("Use KEYS (for example Ctrl+Alt+Space) to open the ask panel from anywhere, from now on, and "
                       "exit. A running Vesk registers them at once."),
        QStringLiteral("KEYS"));
    parser.addOptions({versionOption, quitAfterStart, relaunch, ask, shortcut});

    const QString name = QStringLiteral("vesk");
    if (!parser.parse(ours))
        return Exit{2,
                    {},
                    name + QStringLiteral(": ") + parser.errorText() + QStringLiteral("\nTry '") + name
                        + QStringLiteral(" --help' for more information.\n")};
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        text.replace(QStringLiteral("<executable_name>"), name);
        return Exit{0, text + environmentHelp, {}};
    }
    if (parser.isSet(versionOption))
        return Exit{0, name + QLatin1Char(' ') + version + QLatin1Char('\n'), {}};
    if (!parser.positionalArguments().isEmpty())
        return Exit{2,
                    {},
                    name + QStringLiteral(": unexpected argument '") + parser.positionalArguments().first()
                        + QStringLiteral("'\nTry '") + name + QStringLiteral(" --help' for more information.\n")};
    line.quitAfterStart = parser.isSet(quitAfterStart);
    line.relaunch = parser.isSet(relaunch);
    line.ask = parser.isSet(ask);
    if (parser.isSet(shortcut)) {
        line.shortcut = KeyChord::parse(parser.value(shortcut));
        if (!line.shortcut)
            return Exit{2,
                        {},
                        name + QStringLiteral(": cannot use '") + parser.value(shortcut)
                            + QStringLiteral("' as a shortcut. Write Ctrl, Alt, Shift or Super joined by + to one "
                                             "key: a letter, a digit, F1 to F24, Space, Return, Tab, an arrow or "
                                             "editing key, for example Ctrl+Alt+Space. A key that types needs Ctrl, "
                                             "Alt or Super.\n")};
    }
    return line;
}

} // namespace vesk
