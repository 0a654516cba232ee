#pragma once

#include <QString>

class QWidget;

// The whole of a daemon text that a window shows cut (to its width, to a line, or to what a person
// reads there), kept within reach of the view that shows it.
namespace vesk::WholeText {

// A tool tip for a text of any length: a short one as it is, a long one wrapped and cut as an alert
// cuts it, so hovering never lays out pages of one line.
QString tip(const QString& whole);

// The view's tool tip shows the text as an alert would (a dozen lines, wrapped), and "Copy Full
// Text" in its context menu puts every character of it on the clipboard.
void offer(QWidget* view, const QString& whole);
// The same for a text cut at `shown` characters, only where it was: a short one needs neither.
void offerIfLonger(QWidget* view, const QString& whole, qsizetype shown);

inline const QString copyTitle = QStringLiteral("Copy Full Text");

} // namespace vesk::WholeText
