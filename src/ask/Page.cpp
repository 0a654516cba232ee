#include "Page.h"

#include "InkLabel.h"
#include "OStyle.h"
#include "ScrollColumn.h"

namespace vesk {

Page::Page(ScrollColumn& column)
    : QObject(column.content())
    , column(column)
{
}

void Page::fresh()
{
    column.reset();
    setParent(column.content());
    showingMessage = false;
}

void Page::message(const QString& text)
{
    fresh();
    showingMessage = true;
    column.add(new InkLabel(text, Ink::text2(), OStyle::font(13.5)));
    column.scrollToTop();
}

void Page::state(const QString& heading, const QString& body)
{
    fresh();
    showingMessage = true;
    column.add(OStyle::section(heading));
    column.space(3);
    column.add(new InkLabel(body, Ink::text2(), OStyle::font(13.5)));
    column.scrollToTop();
}

} // namespace vesk
