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
// is going on (what is loading, why the part stays empty, or that the daemon could not be asked),
// an optional retry button for that last case, and the place the reply's views go, directly below
// the status line. The section belongs to the column's content and goes with it. A request sent
// with the section as its receiver and a completion made by bind() runs only while the section
// exists and its column still shows the view it was made for, so a reply for a view the user has
// left is dropped.
class LoadingSection : public QObject {
public:
    // Adds the heading (none when empty) and `status` to the end of the column.
    LoadingSection(ScrollColumn& column, const QString& heading, InkLabel* status);

    // A button under the status line (or under `below`, a view of the section already in the
    // column), shown only when the section fails.
    void addRetry(const QString& title, std::function<void()> retry, QWidget* below = nullptr);

    InkLabel* status() const { return line; }
    // Shows the status line with this text.
    void setStatus(const QString& text);
    void hideStatus();
    // The daemon could not be asked: the status line says so, with the retry when there is one.
    void fail(const QString& text);

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
