#pragma once

#include "AskText.h"
#include "DaemonClient.h"
#include "Origin.h"
#include "Page.h"

#include <functional>
#include <optional>

namespace vesk {

// A search of local memory for some words: one entity row per node found, or what stands in their
// place (a short query, nothing found, the daemon out of reach, with a retry). A query of fewer
// than three characters is answered here and asks the daemon nothing.
class SearchPage : public Page {
    Q_OBJECT
public:
    struct Callbacks {
        // A retry after a failure: the query searched again.
        std::function<void(const QString& query)> retry;
        std::function<void(const Origin& origin)> openEntity;
    };

    // A search for `text`, trimmed. With `keepShown` the view on screen stays until the reply
    // replaces it, though the replies still due to it are dropped from now on; otherwise a pending
    // state replaces it at once.
    SearchPage(ScrollColumn& column, DaemonClient& client, const QString& text, bool keepShown, Callbacks callbacks);

    QString hint() const override { return AskText::searchHint; }
    std::optional<EntityText::BackTo> returnsAs() const override { return EntityText::BackTo::results; }
    Height height() const override { return query.size() < 3 ? Height::compact : Height::expanded; }
    // Sends `search` with a limit of 25.
    void open() override;

private:
    void found(const Reply& reply);

    DaemonClient& client;
    QString query;
    bool keepShown;
    Callbacks callbacks;
    std::optional<QString> failedSearchQuery;
};

} // namespace vesk
