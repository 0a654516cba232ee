#include "KeyChord.h"

#include <QStringList>
#include <array>
#include <vector>

namespace vesk {

namespace {

struct Known {
    QString name;  // the X keysym's name
    QString shown; // as the chord's text writes it
    quint32 keysym = 0;
    int qt = 0;
    bool types = true; // types a character or moves the caret: never bound without a modifier
    QStringList aliases = {};
};

const std::vector<Known>& knownKeys()
{
    static const std::vector<Known> keys = [] {
        std::vector<Known> out;
        for (char c = 'a'; c <= 'z'; ++c)
            out.push_back(
                {QString(QLatin1Char(c)), QString(QLatin1Char(c)).toUpper(), quint32(c), Qt::Key_A + (c - 'a')});
        for (char c = '0'; c <= '9'; ++c)
            out.push_back({QString(QLatin1Char(c)), QString(QLatin1Char(c)), quint32(c), Qt::Key_0 + (c - '0')});
        for (int n = 1; n <= 24; ++n)
            out.push_back({QStringLiteral("F%1").arg(n), QStringLiteral("F%1").arg(n), quint32(0xffbd + n),
                           Qt::Key_F1 + n - 1, false});
        const auto named
            = [&](const char* name, const char* shown, quint32 keysym, int qt, bool types, QStringList aliases = {}) {
                  out.push_back({QString::fromLatin1(name), QString::fromLatin1(shown), keysym, qt, types, aliases});
              };
        named("space", "Space", 0x20, Qt::Key_Space, true);
        named("Return", "Return", 0xff0d, Qt::Key_Return, true, {QStringLiteral("Enter")});
        named("Tab", "Tab", 0xff09, Qt::Key_Tab, true);
        named("BackSpace", "Backspace", 0xff08, Qt::Key_Backspace, true);
        named("Insert", "Insert", 0xff63, Qt::Key_Insert, true, {QStringLiteral("Ins")});
        named("Delete", "Delete", 0xffff, Qt::Key_Delete, true, {QStringLiteral("Del")});
        named("Home", "Home", 0xff50, Qt::Key_Home, true);
        named("End", "End", 0xff57, Qt::Key_End, true);
        named("Prior", "PgUp", 0xff55, Qt::Key_PageUp, true, {QStringLiteral("PageUp"), QStringLiteral("Page_Up")});
        named("Next", "PgDown", 0xff56, Qt::Key_PageDown, true,
              {QStringLiteral("PageDown"), QStringLiteral("Page_Down"), QStringLiteral("PgDn")});
        named("Left", "Left", 0xff51, Qt::Key_Left, true);
        named("Up", "Up", 0xff52, Qt::Key_Up, true);
        named("Right", "Right", 0xff53, Qt::Key_Right, true);
        named("Down", "Down", 0xff54, Qt::Key_Down, true);
        named("Print", "Print", 0xff61, Qt::Key_Print, false);
        named("Pause", "Pause", 0xff13, Qt::Key_Pause, false);
        named("minus", "-", 0x2d, Qt::Key_Minus, true);
        named("equal", "=", 0x3d, Qt::Key_Equal, true);
        named("comma", ",", 0x2c, Qt::Key_Comma, true);
        named("period", ".", 0x2e, Qt::Key_Period, true);
        named("slash", "/", 0x2f, Qt::Key_Slash, true);
        named("semicolon", ";", 0x3b, Qt::Key_Semicolon, true);
        named("apostrophe", "'", 0x27, Qt::Key_Apostrophe, true);
        named("grave", "`", 0x60, Qt::Key_QuoteLeft, true);
        named("bracketleft", "[", 0x5b, Qt::Key_BracketLeft, true);
        named("bracketright", "]", 0x5d, Qt::Key_BracketRight, true);
        named("backslash", "\\", 0x5c, Qt::Key_Backslash, true);
        return out;
    }();
    return keys;
}

template <class Match> const Known* findKey(Match match)
{
    for (const Known& k : knownKeys())
        if (match(k))
            return &k;
    return nullptr;
}

const Known* named(const QString& text)
{
    return findKey([&](const Known& k) {
        return text.compare(k.name, Qt::CaseInsensitive) == 0 || text.compare(k.shown, Qt::CaseInsensitive) == 0
            || k.aliases.contains(text, Qt::CaseInsensitive);
    });
}

// Each modifier in the order the chord writes it, with the names it is known by.
struct ModifierName {
    KeyChord::Modifier bit;
    QString shown;
    QString trigger;
    QString gnome;
    QStringList aliases;
};
const std::array<ModifierName, 4>& modifierNames()
{
    static const std::array<ModifierName, 4> names{{
        {KeyChord::ctrl,
         QStringLiteral("Ctrl"),
         QStringLiteral("CTRL"),
         QStringLiteral("Control"),
         {QStringLiteral("Control"), QStringLiteral("Primary")}},
        {KeyChord::alt, QStringLiteral("Alt"), QStringLiteral("ALT"), QStringLiteral("Alt"), {QStringLiteral("Mod1")}},
        {KeyChord::shift, QStringLiteral("Shift"), QStringLiteral("SHIFT"), QStringLiteral("Shift"), {}},
        {KeyChord::super,
         QStringLiteral("Super"),
         QStringLiteral("LOGO"),
         QStringLiteral("Super"),
         {QStringLiteral("Meta"), QStringLiteral("Win"), QStringLiteral("Logo"), QStringLiteral("Mod4")}},
    }};
    return names;
}

std::optional<KeyChord::Modifier> modifierNamed(const QString& text)
{
    for (const ModifierName& m : modifierNames())
        if (text.compare(m.shown, Qt::CaseInsensitive) == 0 || m.aliases.contains(text, Qt::CaseInsensitive))
            return m.bit;
    return std::nullopt;
}

// A key that types needs a modifier that makes it a command; Shift alone only changes the character.
std::optional<KeyChord> checked(const Known* key, unsigned modifiers)
{
    if (!key || (key->types && !(modifiers & (KeyChord::ctrl | KeyChord::alt | KeyChord::super))))
        return std::nullopt;
    return KeyChord{modifiers, key->name};
}

} // namespace

std::optional<KeyChord> KeyChord::parse(const QString& text)
{
    unsigned modifiers = 0;
    QString rest = text.trimmed();
    QStringList parts;
    if (rest.startsWith(QLatin1Char('<'))) {
        // An accelerator: each modifier in angle brackets, then the key.
        while (rest.startsWith(QLatin1Char('<'))) {
            const qsizetype close = rest.indexOf(QLatin1Char('>'));
            if (close < 0)
                return std::nullopt;
            parts << rest.mid(1, close - 1);
            rest = rest.mid(close + 1);
        }
        parts << rest;
    } else {
        parts = rest.split(QLatin1Char('+'));
    }
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const auto modifier = modifierNamed(parts[i].trimmed());
        if (!modifier || (modifiers & *modifier))
            return std::nullopt;
        modifiers |= *modifier;
    }
    return checked(named(parts.last().trimmed()), modifiers);
}

unsigned KeyChord::modifiersOf(Qt::KeyboardModifiers qtModifiers)
{
    return (qtModifiers & Qt::ControlModifier ? ctrl : 0u) | (qtModifiers & Qt::AltModifier ? alt : 0u)
        | (qtModifiers & Qt::ShiftModifier ? shift : 0u) | (qtModifiers & Qt::MetaModifier ? super : 0u);
}

std::optional<KeyChord> KeyChord::fromQt(int qtKey, Qt::KeyboardModifiers qtModifiers)
{
    // Shift+Tab arrives as Backtab.
    if (qtKey == Qt::Key_Backtab)
        qtKey = Qt::Key_Tab;
    return checked(findKey([&](const Known& k) { return k.qt == qtKey; }), modifiersOf(qtModifiers));
}

QString KeyChord::text(const QString& separator) const
{
    QStringList parts;
    for (const ModifierName& m : modifierNames())
        if (modifiers & m.bit)
            parts << m.shown;
    const Known* known = named(key);
    parts << (known ? known->shown : key);
    return parts.join(separator);
}

QString KeyChord::portalTrigger() const
{
    QStringList parts;
    for (const ModifierName& m : modifierNames())
        if (modifiers & m.bit)
            parts << m.trigger;
    parts << key;
    return parts.join(QLatin1Char('+'));
}

QString KeyChord::accelerator(bool primary) const
{
    QString out;
    for (const ModifierName& m : modifierNames())
        if (modifiers & m.bit)
            out += QLatin1Char('<') + (primary && m.bit == ctrl ? QStringLiteral("Primary") : m.gnome)
                + QLatin1Char('>');
    return out + key;
}

quint32 KeyChord::keysym() const
{
    const Known* known = named(key);
    return known ? known->keysym : 0;
}

int KeyChord::qtKey() const
{
    const Known* known = named(key);
    return known ? known->qt : 0;
}

Qt::KeyboardModifiers KeyChord::qtModifiers() const
{
    Qt::KeyboardModifiers out;
    out.setFlag(Qt::ControlModifier, modifiers & ctrl);
    out.setFlag(Qt::AltModifier, modifiers & alt);
    out.setFlag(Qt::ShiftModifier, modifiers & shift);
    out.setFlag(Qt::MetaModifier, modifiers & super);
    return out;
}

} // namespace vesk
