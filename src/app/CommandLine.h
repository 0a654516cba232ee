#pragma once

#include "KeyChord.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <variant>

namespace vesk {

// The command line, read before any application object exists, so --help and --version answer
// without a display. Qt's own options (-platform, -display, …) are set aside for the application.
struct CommandLine {
    // The process prints and exits instead of starting.
    struct Exit {
        int status = 0;
        QString out; // for standard output
        QString err; // for standard error
        bool operator==(const Exit&) const = default;
    };

    // Start completely, print "ready" and quit at the first turn of the event loop.
    bool quitAfterStart = false;
    // Started by Vesk itself after an update: wait for the copy that started it to quit.
    bool relaunch = false;
    // Show the ask panel: the running Vesk's, or this one's once it has started.
    bool ask = false;
    // Store these keys as the ask shortcut (the running Vesk registers them at once) and exit.
    std::optional<KeyChord> shortcut;
    // The program name and Qt's own options, for the application object.
    QStringList qtArguments;

    // `arguments` includes the program name.
    static std::variant<CommandLine, Exit> parse(const QStringList& arguments, const QString& version);

    bool operator==(const CommandLine&) const = default;
};

} // namespace vesk
