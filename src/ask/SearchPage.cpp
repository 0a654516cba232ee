#include "SearchPage.h"

#include "InkButton.h"
#include "Json.h"
#include "MemoryRows.h"
#include "Row.h"
#include "ScrollColumn.h"

namespace vesk {

SearchPage::SearchPage(ScrollColumn& column, DaemonClient& client, const QString& text, bool keepShown,
                       Callbacks callbacks)
    : Page(column)
    , client(client)
    , query(text.trimmed())
    , keepShown(keepShown)
    , callbacks(std::move(callbacks))
{
}

void SearchPage::open()
{
    if (query.size() < 3) {
        message(query.isEmpty() ? AskText::opening : QStringLiteral("Three characters or more."));
        return;
    }
    // Results already on screen stay while the search runs; their own replies are stale now.
    if (keepShown)
        column.moveOn();
    else
        state(QStringLiteral("Searching local memory"),
              QStringLiteral("Looking for names and things seen alongside “") + query + QStringLiteral("”."));
    client.search(query, 25, this, whileCurrent(column.ticket(), [this](Reply reply) { found(reply); }));
}

void SearchPage::found(const Reply& reply)
{
    if (!reply) {
        failedSearchQuery = query;
        state(QStringLiteral("Could not search local memory"),
              QStringLiteral("Vesk could not complete the search — its daemon is unreachable or could not open your "
                             "memory. Nothing was looked at, and your query is preserved."));
        column.add(InkButton::make(QStringLiteral("Retry"), InkButton::Tone::quiet, [this] {
            if (failedSearchQuery)
                callbacks.retry(*failedSearchQuery);
        }));
        return;
    }
    if (Json::boolean(*reply, u"query_too_short").value_or(false)) {
        message(QStringLiteral("Three characters or more — the index needs them."));
        return;
    }
    const QList<AskText::EntityLines> rows = AskText::searchRows(*reply);
    if (rows.isEmpty()) {
        state(QStringLiteral("Nothing relevant found"),
              QStringLiteral("Vesk looked successfully, but found no local memory for “") + query
                  + QStringLiteral("”. Try broader words; it may also not have been captured or may be excluded."));
        return;
    }
    fresh();
    for (const AskText::EntityLines& row : rows)
        column.add(MemoryRows::entity(
            row, [this, origin = Origin{row.id, row.label, row.kind, row.sources}] { callbacks.openEntity(origin); }));
    column.scrollToTop();
}

} // namespace vesk
