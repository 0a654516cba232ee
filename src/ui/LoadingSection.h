#pragma once

#include "ColumnInsert.h"
#include "Generation.h"

#include <QObject>
#include <QPointer>
#include <functional>

namespace vesk {

class InkButton;
class InkLabel;
class ScrollColumn;

// One part of a page that a daemon reply fills: an optional heading, a status line that says what
// is going on (what is loading, or why the part stays empty), an optional retry button for when
// the daemon could not be asked, and the place the reply's views go, directly below the status
// line. A request sent with the section as its receiver and a completion made by bind() runs only
// while the section exists and its column still shows the view it was made for, so a reply for a
// view the user has left is dropped.
class LoadingSection : public QObject {
public:
    // Adds the heading (none when empty) and `status` to the end of the column.
    LoadingSection(ScrollColumn& column, const QString& heading, InkLabel* status, QObject* parent);

    // A hidden button under the status line.
    void addRetry(const QString& title, std::function<void()> retry);
    void showRetry(bool shown);

    InkLabel* status() const { return line; }
    // Shows the status line with this text.
    void setStatus(const QString& text);
    void hideStatus();

    // Where the reply's views go.
    ColumnInsert insert() const;

    // A completion that runs only while the column shows the view the section was made for; the
    // section itself is the request's receiver.
    template <class Work> auto bind(Work work) const { return whileCurrent(ticket, std::move(work)); }

private:
    ScrollColumn& column;
    Generation::Ticket ticket;
    InkLabel* line;
    QPointer<InkButton> retry;
};

} // namespace vesk
