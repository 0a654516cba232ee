#pragma once

#include "AgentConnection.h"
#include "DataText.h"

#include <QWidget>

class QLayout;

namespace vesk {

// The setup guide's list of coding agents: Codex and Claude Code as the last connections reply
// reported them, each with a button that copies the command connecting it, and how many more were
// left out of a longer list; or the word that the list is being checked, or that it could not be.
// Drawn afresh whenever what it shows changes.
class AgentList : public QWidget {
    Q_OBJECT
public:
    explicit AgentList(int width, QWidget* parent = nullptr);

    // `agents.items` is nothing when the last check failed; while `checking`, it is not shown.
    void render(bool checking, const DataText::Listed<AgentConnection>& agents);

private:
    void fill(QLayout* rows, bool checking, const DataText::Listed<AgentConnection>& agents) const;

    int width;
};

} // namespace vesk
