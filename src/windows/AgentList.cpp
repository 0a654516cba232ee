#include "AgentList.h"

#include "InkButton.h"
#include "InkLabel.h"
#include "OStyle.h"
#include "OnboardingText.h"
#include "Row.h"
#include "SafeText.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace vesk {

AgentList::AgentList(int width, QWidget* parent)
    : QWidget(parent)
    , width(width)
{
    auto* list = new QVBoxLayout(this);
    list->setContentsMargins(0, 0, 0, 0);
    list->setSpacing(8);
}

void AgentList::render(bool checking, const DataText::Listed<AgentConnection>& agents)
{
    while (QLayoutItem* item = layout()->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    // The rows are put together off screen and shown at once, not at the layout's next turn: the
    // page is laid out once, not once a row, and the list is read as soon as it changes.
    auto* block = new QWidget;
    auto* rows = new QVBoxLayout(block);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(8);
    fill(rows, checking, agents);
    layout()->addWidget(block);
    block->show();
}

void AgentList::fill(QLayout* rows, bool checking, const DataText::Listed<AgentConnection>& agents) const
{
    if (checking)
        return rows->addWidget(OStyle::meta(QStringLiteral("Checking installed agents…"), width));
    if (!agents.items) {
        InkLabel* failed = OStyle::body(QStringLiteral("Could not check agent connections. Choose Check again to "
                                                       "retry; no connection status is available yet."),
                                        width);
        failed->setColour(Ink::flag());
        return rows->addWidget(failed);
    }
    if (agents.items->isEmpty())
        return rows->addWidget(OStyle::body(
            QStringLiteral("Install Codex or Claude Code, then choose Check again to connect it."), width));
    for (const AgentConnection& agent : *agents.items) {
        auto* across = new QWidget;
        auto* layout = new QHBoxLayout(across);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(10);
        auto* name = new InkLabel(OnboardingText::agentLine(agent), agent.registered ? Ink::text() : Ink::text2(),
                                  OStyle::font(13.5));
        name->setFixedWidth(390);
        layout->addWidget(name);
        if (agent.connectable()) {
            InkButton* copy = InkButton::make(QStringLiteral("Copy setup command"), InkButton::Tone::quiet);
            connect(copy, &QPushButton::clicked, copy, [copy, command = agent.command] {
                QGuiApplication::clipboard()->setText(SafeText::clipboardCommand(command));
                copy->setText(QStringLiteral("Copied"));
            });
            layout->addWidget(copy);
        }
        layout->addStretch(1);
        rows->addWidget(new Row({across}, Row::Frame::plain));
    }
    if (agents.more > 0)
        rows->addWidget(OStyle::meta(DataText::notShown(agents.more, QStringLiteral("agent")), width));
    rows->addWidget(OStyle::meta(QStringLiteral("Run a copied command in a terminal, then return and Check again. "
                                                "Existing configuration is backed up by Vesk's installer before it "
                                                "writes."),
                                 width));
}

} // namespace vesk
