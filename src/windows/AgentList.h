#pragma once

#include "AgentConnection.h"

#include <QWidget>
#include <optional>

namespace vesk {

// The setup guide's list of coding agents: Codex and Claude Code as the last connections reply
// reported them, each with a button that copies the command connecting it, or the word that the
// list is being checked, or that it could not be. Drawn afresh whenever what it shows changes.
class AgentList : public QWidget {
    Q_OBJECT
public:
    explicit AgentList(int width, QWidget* parent = nullptr);

    // `agents` is nothing when the last check failed; while `checking`, it is not shown.
    void render(bool checking, const std::optional<QList<AgentConnection>>& agents);

private:
    void line(QWidget* view);

    int width;
};

} // namespace vesk
