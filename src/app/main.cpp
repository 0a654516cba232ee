#include "AppMain.h"
#include "CommandLine.h"
#include "DisplayCheck.h"
#include "LaunchSwitches.h"
#include "PlatformServices.h"
#include "SelfChecks.h"

#include <QByteArray>
#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    // Before any application object, so --help and --version answer without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const auto parsed = vesk::CommandLine::parse(arguments, QStringLiteral(VESK_VERSION));
    if (const auto* exit = std::get_if<vesk::CommandLine::Exit>(&parsed)) {
        std::fputs(exit->out.toLocal8Bit().constData(), stdout);
        std::fputs(exit->err.toLocal8Bit().constData(), stderr);
        return exit->status;
    }
    const auto& line = std::get<vesk::CommandLine>(parsed);
    if (line.shortcut) {
        int qtArgc = 1;
        return vesk::storeShortcut(qtArgc, argv, *line.shortcut);
    }

    const vesk::LaunchSwitches switches = vesk::LaunchSwitches::fromEnvironment();
    // The self-check run never starts the user interface.
    if (switches.selfCheck)
        return vesk::runSelfChecks();

    // Said in one line, where Qt would abort with text about its plugins.
    if (const auto missing
        = vesk::DisplayCheck::problem(vesk::DisplayCheck::read(line.qtArguments), vesk::x11DisplayAnswers)) {
        std::fputs((*missing + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
        return 1;
    }

    // The application object sees only Qt's own options.
    std::vector<QByteArray> kept;
    for (const QString& argument : line.qtArguments)
        kept.push_back(argument.toLocal8Bit());
    std::vector<char*> qtArgv;
    for (QByteArray& argument : kept)
        qtArgv.push_back(argument.data());
    qtArgv.push_back(nullptr);
    int qtArgc = int(kept.size());
    return vesk::runApplication(qtArgc, qtArgv.data(), switches, {line.quitAfterStart, line.relaunch, line.ask});
}
