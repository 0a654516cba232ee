#pragma once

#include "DaemonClient.h"
#include "Origin.h"
#include "Page.h"

#include <functional>

namespace vesk {

class LoadingSection;

// The inspector's view of a memory that shares a correction's evidence: an entity or a
// relationship, with its label, how many sources it has, that sharing evidence does not make it
// wrong, and a button per source frame. One that cannot be shown says so and offers to try again.
class CorrectionMemoryPane : public Page {
    Q_OBJECT
public:
    // `kind` is "entity" or "relationship"; `openFrame` opens one of its sources.
    CorrectionMemoryPane(ScrollColumn& inspector, DaemonClient& client, const QString& kind, qint64 id,
                         std::function<void(qint64 frame, const Origin& origin)> openFrame);

    // Only a memory of those two kinds, with an id of 1 or more, can be shown.
    static bool shows(const QString& kind, qint64 id);

    QString hint() const override { return QStringLiteral("esc back to the answer"); }
    bool inspector() const override { return true; }
    // Sends `why` for an entity, `relation_evidence` for a relationship.
    void open() override;

private:
    void render(const Reply& reply);

    DaemonClient& client;
    QString kind;
    qint64 id;
    std::function<void(qint64 frame, const Origin& origin)> openFrame;
    LoadingSection* opening = nullptr;
};

} // namespace vesk
