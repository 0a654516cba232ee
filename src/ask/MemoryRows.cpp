#include "MemoryRows.h"

#include "InkLabel.h"
#include "OStyle.h"
#include "Phrases.h"
#include "Row.h"

namespace vesk::MemoryRows {

Row* entity(const AskText::EntityLines& lines, std::function<void()> open)
{
    auto* row = new Row({new InkLabel(lines.label, Ink::text(), OStyle::font(13.5), InkLabel::Fit::truncateMiddle),
                         new InkLabel(lines.meta, Ink::muted(), OStyle::monoSmall(), InkLabel::Fit::truncateEnd)});
    row->onOpened(row, std::move(open));
    return row;
}

Row* evidence(const AskText::EvidenceLines& lines, std::function<void()> open)
{
    auto* row = new Row(
        {new InkLabel(lines.title, Ink::text(), OStyle::font(13.5, OStyle::Weight::Medium), InkLabel::Fit::truncateEnd),
         new InkLabel(lines.detail, Ink::muted(), OStyle::monoSmall(), InkLabel::Fit::truncateMiddle),
         new InkLabel(lines.meta, lines.screen ? Ink::text2() : Ink::agent(), OStyle::monoSmall(),
                      InkLabel::Fit::truncateEnd)});
    if (open)
        row->onOpened(row, std::move(open));
    return row;
}

QList<QWidget*> sources(const QList<EntityText::SourceGroup>& groups, const std::function<void(qint64, Row*)>& open)
{
    QList<QWidget*> out;
    for (qsizetype i = 0; i < groups.size() && i < EntityText::shownGroups; ++i) {
        const EntityText::SourceGroup& group = groups[i];
        QList<QWidget*> views{new InkLabel(EntityText::groupHeadline(group), Ink::text(), OStyle::font(12.5),
                                           InkLabel::Fit::truncateMiddle)};
        if (group.detail)
            views << new InkLabel(cutWithEllipsis(*group.detail, EntityText::rowTextCap), Ink::muted(),
                                  OStyle::monoSmall());
        if (group.anchor < 1)
            views << new InkLabel(QStringLiteral("from an agent conversation — no pixels to open"), Ink::agent(),
                                  OStyle::monoSmall());
        auto* row = new Row(views);
        if (group.anchor >= 1 && open)
            row->onOpened(row, [open, row, frame = group.anchor] { open(frame, row); });
        out << row;
    }
    if (groups.size() > EntityText::shownGroups)
        out << new InkLabel(QStringLiteral("… and ") + QString::number(groups.size() - EntityText::shownGroups)
                                + QStringLiteral(" more"),
                            Ink::muted(), OStyle::monoSmall());
    return out;
}

} // namespace vesk::MemoryRows
