#include "SafeText.h"

#include <QTest>

using namespace vesk;

namespace {
const QString fsi(QChar(0x2068));
const QString pdi(QChar(0x2069));
const QString shown(QChar(QChar::ReplacementCharacter));
} // namespace

class SafeTextTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void clipboardCommands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("copied");
        const auto row = [](const char* name, const QString& command, const QString& copied) {
            QTest::newRow(name) << command << copied;
        };
        row("a trailing line feed", "claude mcp add vesk -- veskd mcp\n", "claude mcp add vesk -- veskd mcp");
        row("line breaks and a tab inside", "cd x\r\nrm\ty", "cd xrmy");
        row("a colour sequence", "echo \x1b[1;31mred\x1b[0m", "echo red");
        row("a title sequence ended by BEL", "ls\x1b]0;pwned\x07 -l", "ls -l");
        row("a link sequence ended by ST", "ls\x1b]8;;http://x\x1b\\link", "lslink");
        row("an escape with its letter",
            "a\x1b"
            "cb",
            "ab");
        row("an escape at the end", "ab\x1b", "ab");
        row("a title sequence that never ends", "ab\x1b]0;x y", "ab");
        row("C1 controls and DEL",
            QStringLiteral("a\u009b31mb\u0085c\x7f"
                           "d"),
            "abcd");
        row("line and paragraph separators", QStringLiteral("a\u2028b\u2029c"), "abc");
        row("direction controls", QStringLiteral("rm -rf \u202e/ tmp\u2066\u200f"), "rm -rf / tmp");
        row("letters of any script stay", QStringLiteral("echo café 中文 😀 שלום"),
            QStringLiteral("echo café 中文 😀 שלום"));
    }
    void clipboardCommands()
    {
        QFETCH(QString, command);
        QTEST(SafeText::clipboardCommand(command), "copied");
    }

    void daemonTextIsIsolated_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("isolated");
        const auto row = [](const char* name, const QString& text, const QString& isolated) {
            QTest::newRow(name) << text << isolated;
        };
        row("empty", "", "");
        row("plain", "Harbor", fsi + "Harbor" + pdi);
        row("an override cannot turn the name", QStringLiteral("ok\u202etxt.exe"),
            fsi + "ok" + shown + "txt.exe" + pdi);
        row("every explicit control is shown",
            QStringLiteral("\u202a\u202b\u202c\u202d\u2066\u2067\u2068\u2069\u200e\u200f\u061c"),
            fsi + QString(11, shown.at(0)) + pdi);
        row("each line on its own", "one\ntwo", fsi + "one" + pdi + "\n" + fsi + "two" + pdi);
        row("CR LF is one break", "a\r\nb", fsi + "a" + pdi + "\r\n" + fsi + "b" + pdi);
        row("a paragraph separator", QStringLiteral("a\u2029b"), fsi + "a" + pdi + QChar(0x2029) + fsi + "b" + pdi);
        row("right-to-left letters stay", QStringLiteral("שלום"), fsi + QStringLiteral("שלום") + pdi);
    }
    void daemonTextIsIsolated()
    {
        QFETCH(QString, text);
        QTEST(SafeText::isolated(text), "isolated");
    }
};

QTEST_GUILESS_MAIN(SafeTextTest)
#include "SafeTextTest.moc"
