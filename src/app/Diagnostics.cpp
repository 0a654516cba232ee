#include "Diagnostics.h"

namespace vesk::Diagnostics {

QStringList doctorCommand(const QString& daemon)
{
    return {QStringLiteral("sh"), QStringLiteral("-c"),
            QStringLiteral("\"$0\" doctor; printf '\\n%s' 'Press Return to close this window.'; read -r _"), daemon};
}

std::optional<AlertSpec> run(Launcher& launcher, const std::optional<QString>& daemon)
{
    AlertSpec alert;
    alert.style = AlertSpec::Style::warning;
    alert.title = QStringLiteral("Vesk could not run diagnostics");
    if (!daemon) {
        alert.text = QStringLiteral("The daemon program veskd is not installed beside Vesk, so there is nothing here "
                                    "to diagnose. If you run veskd from elsewhere, run “veskd doctor” in a terminal.");
        return alert;
    }
    const QString yourself = QStringLiteral(" Run “") + *daemon + QStringLiteral(" doctor” in a terminal yourself.");
    switch (launcher.runInTerminal(doctorCommand(*daemon))) {
    case Launcher::Launch::started:
        return std::nullopt;
    case Launcher::Launch::noTerminal:
        alert.text = QStringLiteral("No terminal emulator is installed: Vesk looked for x-terminal-emulator, "
                                    "$TERMINAL, gnome-terminal, konsole, xfce4-terminal and xterm.")
            + yourself;
        break;
    case Launcher::Launch::failed:
        alert.text = QStringLiteral("The terminal emulator would not start.") + yourself;
        break;
    }
    return alert;
}

} // namespace vesk::Diagnostics
