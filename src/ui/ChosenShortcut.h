#pragma once

#include "KeyChord.h"

#include <QObject>

namespace vesk {

// The keys that open the ask panel, as a window that lets the user change them sees them: the keys
// in force, a way to try others, and the word on how that went. The shell's shortcut implements it;
// a window gets it from the composition root. Main thread only.
class ChosenShortcut : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual const KeyChord& keys() const = 0;
    // Registers `keys` at once in place of the current ones; ends in `applied`.
    virtual void apply(const KeyChord& keys) = 0;

signals:
    // The keys in force, at start and after an applied change.
    void keysChanged(const vesk::KeyChord& keys);
    // What `apply` came to, and the line that says so.
    void applied(const vesk::KeyChord& keys, bool registered, const QString& line);
};

} // namespace vesk
