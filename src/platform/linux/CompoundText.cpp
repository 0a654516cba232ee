#include "CompoundText.h"

#include <QStringDecoder>
#include <algorithm>
#include <optional>

namespace vesk {

namespace {

constexpr char esc = 0x1b;
constexpr unsigned char csi = 0x9b;
const QChar replacement(0xfffd);

// A character set as an escape sequence designates it into the left (GL) or right (GR) half.
struct Set {
    enum class Kind { ascii, katakana, encoded };
    Kind kind = Kind::ascii;
    // For encoded sets: the encoding whose high half holds the set (a Latin or other 8-bit
    // encoding for a 96-character set, an EUC encoding for a double-byte set).
    QByteArray encoding;
};

Set ascii()
{
    return {};
}
Set encoded(const char* name)
{
    return {Set::Kind::encoded, QByteArray(name)};
}

// The 96-character sets by the final byte of their designation.
std::optional<Set> ninetySix(char final)
{
    switch (final) {
    case 'A':
        return encoded("ISO-8859-1");
    case 'B':
        return encoded("ISO-8859-2");
    case 'C':
        return encoded("ISO-8859-3");
    case 'D':
        return encoded("ISO-8859-4");
    case 'F':
        return encoded("ISO-8859-7");
    case 'G':
        return encoded("ISO-8859-6");
    case 'H':
        return encoded("ISO-8859-8");
    case 'L':
        return encoded("ISO-8859-5");
    case 'M':
        return encoded("ISO-8859-9");
    case 'T':
        return encoded("TIS-620");
    case 'V':
        return encoded("ISO-8859-10");
    case 'Y':
        return encoded("ISO-8859-13");
    case '_':
        return encoded("ISO-8859-14");
    case 'b':
        return encoded("ISO-8859-15");
    case 'f':
        return encoded("ISO-8859-16");
    default:
        return std::nullopt;
    }
}

// The 94-character sets: ASCII, JIS-Roman (read as ASCII) and the JIS half-width katakana.
std::optional<Set> ninetyFour(char final)
{
    if (final == 'B' || final == 'J')
        return ascii();
    if (final == 'I')
        return Set{Set::Kind::katakana, {}};
    return std::nullopt;
}

// The double-byte sets: GB 2312, JIS X 0208 and KS C 5601, read through their EUC encodings.
std::optional<Set> doubleByte(char final)
{
    switch (final) {
    case 'A':
        return encoded("GB2312");
    case 'B':
        return encoded("EUC-JP");
    case 'C':
        return encoded("EUC-KR");
    default:
        return std::nullopt;
    }
}

QString decodeWith(const QByteArray& encoding, const QByteArray& bytes)
{
    QStringDecoder decoder(encoding.constData());
    if (!decoder.isValid())
        return QString(bytes.size(), replacement);
    return decoder.decode(bytes);
}

// Bytes of one half in one set. Bytes from the left half are moved into the right half first:
// an encoded set is always read from its encoding's high half.
QString decodeRun(const Set& set, QByteArray bytes)
{
    switch (set.kind) {
    case Set::Kind::ascii: {
        QString out;
        for (char c : bytes)
            out += QChar(c & 0x7f);
        return out;
    }
    case Set::Kind::katakana: {
        QString out;
        for (char c : bytes) {
            const int code = c & 0x7f;
            out += code >= 0x21 && code <= 0x5f ? QChar(0xff61 + code - 0x21) : replacement;
        }
        return out;
    }
    case Set::Kind::encoded:
        for (char& c : bytes)
            c = char(c | 0x80);
        return decodeWith(set.encoding, bytes);
    }
    return {};
}

class Decoder {
public:
    explicit Decoder(const QByteArray& bytes)
        : in(bytes)
    {
    }

    QString run()
    {
        while (at < in.size()) {
            const auto b = static_cast<unsigned char>(in[at]);
            if (b == esc) {
                flush();
                escape();
            } else if (b == csi) {
                flush();
                skipControlSequence();
            } else if (b < 0x20 || b == 0x7f || (b >= 0x80 && b < 0xa0)) {
                flush();
                if (b == '\t' || b == '\n')
                    out += QChar(b);
                ++at;
            } else {
                const bool right = b >= 0x80;
                if (!pending.isEmpty() && right != pendingRight)
                    flush();
                pendingRight = right;
                pending += in[at++];
            }
        }
        flush();
        return out;
    }

private:
    void flush()
    {
        if (!pending.isEmpty())
            out += decodeRun(pendingRight ? gr : gl, pending);
        pending.clear();
    }

    char byteAt(qsizetype i) const { return i < in.size() ? in[i] : char(0); }

    void escape()
    {
        const char a = byteAt(at + 1), b = byteAt(at + 2), c = byteAt(at + 3);
        if (a == '%' && b == 'G')
            return utf8Segment();
        if (a == '%' && b == '/')
            return namedSegment();
        std::optional<Set> set;
        Set* half = nullptr;
        qsizetype length = 3;
        if (a == '(') {
            set = ninetyFour(b), half = &gl;
        } else if (a == ')') {
            set = ninetyFour(b), half = &gr;
        } else if (a == '-') {
            set = ninetySix(b), half = &gr;
        } else if (a == '$' && b == '(') {
            set = doubleByte(c), half = &gl, length = 4;
        } else if (a == '$' && b == ')') {
            set = doubleByte(c), half = &gr, length = 4;
        } else if (a == '$') {
            set = doubleByte(b), half = &gl;
        }
        if (set && half) {
            *half = *set;
            at += length;
            return;
        }
        // An unknown designation: skip it whole (intermediate bytes, then the final byte). Its
        // characters then read in the set that was in force.
        ++at;
        while (at < in.size() && in[at] >= 0x20 && in[at] <= 0x2f)
            ++at;
        if (at < in.size())
            ++at;
    }

    // ESC % G … ESC % @: UTF-8 up to the return sequence (or the end).
    void utf8Segment()
    {
        const qsizetype start = at + 3;
        qsizetype end = in.indexOf(QByteArrayLiteral("\x1b%@"), start);
        const qsizetype next = end < 0 ? in.size() : end + 3;
        if (end < 0)
            end = in.size();
        out += QString::fromUtf8(in.mid(start, end - start));
        at = next;
    }

    // ESC % / F M L name STX bytes: a stretch of (M − 128) × 128 + (L − 128) bytes holding the
    // encoding's name, STX, and text in that encoding.
    void namedSegment()
    {
        const auto m = static_cast<unsigned char>(byteAt(at + 4));
        const auto l = static_cast<unsigned char>(byteAt(at + 5));
        const qsizetype start = at + 6;
        const qsizetype length = qsizetype(m & 0x7f) * 128 + (l & 0x7f);
        const QByteArray segment = in.mid(start, length);
        at = std::min(in.size(), start + length);
        const qsizetype stx = segment.indexOf('\x02');
        if (stx < 0) {
            out += replacement;
            return;
        }
        out += decodeWith(segment.left(stx), segment.mid(stx + 1));
    }

    // CSI, parameter bytes, intermediate bytes, final byte (the direction markers).
    void skipControlSequence()
    {
        ++at;
        while (at < in.size() && in[at] >= 0x20 && in[at] <= 0x3f)
            ++at;
        if (at < in.size())
            ++at;
    }

    const QByteArray& in;
    qsizetype at = 0;
    QString out;
    // In force at the start: ASCII on the left, the Latin-1 upper half on the right.
    Set gl = ascii();
    Set gr = encoded("ISO-8859-1");
    QByteArray pending;
    bool pendingRight = false;
};

} // namespace

QString decodeCompoundText(const QByteArray& bytes)
{
    return Decoder(bytes).run();
}

} // namespace vesk
