#pragma once

#include <QString>

// Text that leaves Vesk for a place where its invisible characters act: a terminal, or the line
// a user reads before confirming something.
namespace vesk::SafeText {

// A command for the clipboard, cut down to what a user can see: every control character goes
// (a line feed or carriage return would run the command on paste, a tab would complete it), with
// whole terminal escape sequences (ESC [ … and ESC ] … as far as their end, and ESC with the
// character after it), C1 controls, line and paragraph separators and the explicit direction
// controls, which can make a command read differently from what runs.
QString clipboardCommand(const QString& command);

// Text from the daemon as it is to be shown among Vesk's own words: each explicit direction
// control (embeddings, overrides, isolates and the invisible direction marks) is shown as U+FFFD,
// so "ok\u202Etxt.exe" reads "ok\uFFFDtxt.exe", never "okexe.txt"; and every paragraph of it is
// wrapped in a first-strong isolate (U+2068 … U+2069), so it cannot reorder the text around it.
// Empty text stays empty.
QString isolated(const QString& fromDaemon);

} // namespace vesk::SafeText
