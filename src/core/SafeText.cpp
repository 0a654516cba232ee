#include "SafeText.h"

namespace vesk::SafeText {

namespace {

constexpr char16_t kEsc = 0x1B;
constexpr char16_t kCsi = 0x9B;
constexpr char16_t kStringTerminator = 0x9C;
constexpr char16_t kFirstStrongIsolate = 0x2068;
constexpr char16_t kPopIsolate = 0x2069;

// The explicit direction controls: embeddings and overrides, isolates, and the invisible marks.
bool directionControl(char16_t c)
{
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// What ends a paragraph for the direction rules, and with it any isolate still open.
bool paragraphEnd(char16_t c)
{
    return c == u'\n' || c == u'\r' || (c >= 0x1C && c <= 0x1E) || c == 0x85 || c == 0x2029;
}

bool control(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 || directionControl(c);
}

// C1 introducers of a control string (device control, start of string, operating system
// command, privacy message, application program command), which runs up to its terminator.
bool stringIntroducer(char16_t c)
{
    return c == 0x90 || c == 0x98 || c == 0x9D || c == 0x9E || c == 0x9F;
}

// The index just past the escape sequence that starts at `i` (ESC, or a C1 introducer).
qsizetype skipSequence(const QString& s, qsizetype i)
{
    const qsizetype n = s.size();
    char16_t kind = s.at(i).unicode();
    qsizetype j = i + 1;
    if (kind == kEsc) {
        if (j == n)
            return j;
        // ESC and one of these letters is the seven-bit form of a C1 introducer.
        switch (s.at(j).unicode()) {
        case u'[':
            kind = kCsi;
            break;
        case u']':
            kind = 0x9D;
            break;
        case u'P':
            kind = 0x90;
            break;
        case u'X':
            kind = 0x98;
            break;
        case u'^':
            kind = 0x9E;
            break;
        case u'_':
            kind = 0x9F;
            break;
        default:
            // ESC, its intermediate characters, and the one that ends it.
            while (j < n && s.at(j).unicode() >= 0x20 && s.at(j).unicode() <= 0x2F)
                ++j;
            return j < n && s.at(j).unicode() >= 0x30 && s.at(j).unicode() <= 0x7E ? j + 1 : j;
        }
        ++j;
    }
    if (kind == kCsi) {
        while (j < n && s.at(j).unicode() >= 0x20 && s.at(j).unicode() <= 0x3F)
            ++j;
        return j < n && s.at(j).unicode() >= 0x40 && s.at(j).unicode() <= 0x7E ? j + 1 : j;
    }
    if (!stringIntroducer(kind))
        return j;
    // A control string ends at BEL or a string terminator; one that never ends takes the rest,
    // as a terminal would.
    for (; j < n; ++j) {
        const char16_t c = s.at(j).unicode();
        if (c == 0x07 || c == kStringTerminator)
            return j + 1;
        if (c == kEsc && j + 1 < n && s.at(j + 1) == u'\\')
            return j + 2;
    }
    return n;
}

} // namespace

QString clipboardCommand(const QString& command)
{
    QString out;
    out.reserve(command.size());
    for (qsizetype i = 0; i < command.size();) {
        const char16_t c = command.at(i).unicode();
        if (c == kEsc || c == kCsi || stringIntroducer(c)) {
            i = skipSequence(command, i);
            continue;
        }
        if (!control(c))
            out.append(QChar(c));
        ++i;
    }
    return out;
}

QString isolated(const QString& fromDaemon)
{
    if (fromDaemon.isEmpty())
        return {};
    QString out;
    out.reserve(fromDaemon.size() + 2);
    out.append(QChar(kFirstStrongIsolate));
    for (qsizetype i = 0; i < fromDaemon.size(); ++i) {
        const char16_t c = fromDaemon.at(i).unicode();
        if (directionControl(c)) {
            out.append(QChar(QChar::ReplacementCharacter));
        } else if (paragraphEnd(c)) {
            // Each paragraph is isolated on its own: the break would end one isolate for all.
            out.append(QChar(kPopIsolate));
            out.append(QChar(c));
            if (c == u'\r' && i + 1 < fromDaemon.size() && fromDaemon.at(i + 1) == u'\n')
                out.append(fromDaemon.at(++i));
            out.append(QChar(kFirstStrongIsolate));
        } else {
            out.append(QChar(c));
        }
    }
    out.append(QChar(kPopIsolate));
    return out;
}

} // namespace vesk::SafeText
