#include "LoadingSection.h"

#include "InkButton.h"
#include "InkLabel.h"
#include "OStyle.h"
#include "ScrollColumn.h"

namespace vesk {

LoadingSection::LoadingSection(ScrollColumn& column, const QString& heading, InkLabel* status)
    : QObject(column.content())
    , column(column)
    , ticket(column.ticket())
    , line(status)
{
    if (!heading.isEmpty())
        column.add(OStyle::section(heading));
    column.add(status);
}

void LoadingSection::addRetry(const QString& title, std::function<void()> action, QWidget* below)
{
    retry = InkButton::make(title, InkButton::Tone::quiet, std::move(action));
    column.insertAfter(below ? below : line).view(retry);
    retry->hide();
}

void LoadingSection::setStatus(const QString& text)
{
    line->setText(text);
    line->show();
}

void LoadingSection::hideStatus()
{
    line->hide();
}

void LoadingSection::fail(const QString& text)
{
    setStatus(text);
    if (retry)
        retry->show();
}

ColumnInsert LoadingSection::insert() const
{
    return column.insertAfter(line);
}

} // namespace vesk
