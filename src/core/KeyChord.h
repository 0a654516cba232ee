#pragma once

#include <QString>
#include <QtCore/qnamespace.h>
#include <optional>

namespace vesk {

// The keys of the global shortcut: modifiers and one key, written as people do ("Ctrl+Alt+Space").
// The same keys are spelled differently by every party that binds them, so the chord writes each
// form: the portal's trigger ("CTRL+ALT+space"), a GTK accelerator ("<Control><Alt>space"), the X
// keysym, and Qt's key and modifiers. Only keys with one meaning on every keyboard layout are
// known: letters, digits, F1 to F24, Space, Return, Tab, the editing and arrow keys and a few
// punctuation marks.
struct KeyChord {
    enum Modifier : unsigned { ctrl = 1, alt = 2, shift = 4, super = 8 };

    unsigned modifiers = alt;
    QString key = QStringLiteral("space"); // the X keysym's name

    // Alt+Space, the shortcut a new user is taught.
    static KeyChord standard() { return {}; }

    // "Ctrl+Alt+Space", "ctrl + alt + space", "Super+F12" or an accelerator ("<Primary><Alt>space").
    // Nothing for an unknown key, a repeated or unknown modifier, or a key that types something
    // (a letter, Space, …) without Ctrl, Alt or Super, which would take that key from every
    // application.
    static std::optional<KeyChord> parse(const QString& text);
    // The chord of a key event; nothing for a modifier alone or a key not known here.
    static std::optional<KeyChord> fromQt(int qtKey, Qt::KeyboardModifiers qtModifiers);
    // The modifiers of a key event as the chord counts them.
    static unsigned modifiersOf(Qt::KeyboardModifiers qtModifiers);

    // "Ctrl+Alt+Space"; with another separator, "Ctrl  +  Alt  +  Space".
    QString text(const QString& separator = QStringLiteral("+")) const;
    // The desktop portal's trigger, in the form its GlobalShortcuts interface takes: "CTRL+ALT+space".
    QString portalTrigger() const;
    // A GTK accelerator as GNOME writes it ("<Control><Alt>space"), or as XFCE writes it
    // ("<Primary><Alt>space").
    QString accelerator(bool primary = false) const;
    quint32 keysym() const;
    int qtKey() const;
    Qt::KeyboardModifiers qtModifiers() const;

    bool operator==(const KeyChord&) const = default;
};

} // namespace vesk
