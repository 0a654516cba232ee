#pragma once

#include "EntityText.h"

#include <QObject>
#include <QString>
#include <optional>

namespace vesk {

class ScrollColumn;

// A view of the ask panel: a search, an answer, an entity page, the inbox or the first-run page in
// the result column, or a frame in the inspector. The window shows every page through one path
// (AskWindow::show), which asks the page the few things below; the page draws itself into its
// column and sends its own requests with its column's ticket, so a reply for a view the user has
// left is dropped. A page lives as long as its column shows what it drew, unless the window keeps
// it to come back to.
class Page : public QObject {
    Q_OBJECT
public:
    // The panel's height while the page is shown.
    enum class Height { compact, expanded, unchanged };

    // The key hint while the page is on screen.
    virtual QString hint() const = 0;
    // Where back leads. A page that names itself here is a place to come back to: an entity page
    // opened from it reads "‹  back to …" with this name and goes back to it. A page that names
    // nothing (an entity page, a frame) goes back, with Escape or its back row, to the last page
    // that did.
    virtual std::optional<EntityText::BackTo> returnsAs() const { return std::nullopt; }
    // Whether the page goes in the inspector, beside the result column.
    virtual bool inspector() const { return false; }
    virtual Height height() const { return Height::unchanged; }
    // Draws the page and sends its requests; the window calls it every time it shows the page.
    virtual void open() = 0;

    // Whether the column holds only a message or a titled state, which a search replaces at once;
    // any other view stays on screen until the search has results of its own.
    bool showsMessage() const { return showingMessage; }

protected:
    // A page of `column`, with it for now; it draws nothing until it is opened.
    explicit Page(ScrollColumn& column);

    // An empty column for the page, which from now on lives as long as the column shows it.
    void fresh();
    // A fresh column with one message, or with a titled state: a heading and a text.
    void message(const QString& text);
    void state(const QString& heading, const QString& body);

    ScrollColumn& column;

private:
    bool showingMessage = false;
};

} // namespace vesk
