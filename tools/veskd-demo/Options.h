#pragma once

#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

namespace vesk::demo {

// The command line: where to listen, what to load, and the switches that make it misbehave on purpose.
struct Options {
    QString socketPath;   // empty: under $HOME
    QString seedPath;     // empty: the demo memory built into the program
    bool writable = true; // --unwritable: hello says "writable": false and changes are refused
    std::optional<bool> onboarded;
    QString answerFailure;      // --answers=CODE: every ask fails with this code
    QMap<QString, double> slow; // --slow OP=SECONDS
    QSet<QString> fail, drop, garbage, split;
    bool help = false;
};

// Nothing and a reason when the arguments cannot be read.
std::optional<Options> parseOptions(const QStringList& arguments, QString* error);

QString usage();

// The socket the real daemon listens on for this home folder.
QString defaultSocketPath(const QString& home);

} // namespace vesk::demo
