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

void AgentList::line(QWidget* view)
{
    // Shown at once, not at the layout's next turn: the list is read as soon as it changes.
    layout()->addWidget(view);
    view->show();
}

void AgentList::render(bool checking, const std::optional<QList<AgentConnection>>& agents)
{
    while (QLayoutItem* item = layout()->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    if (checking)
        return line(OStyle::meta(QStringLiteral("Checking installed agents…"), width));
    if (!agents) {
        InkLabel* failed = OStyle::body(QStringLiteral("Could not check agent connections. Choose Check again to "
                                                       "retry; no connection status is available yet."),
                                        width);
        failed->setColour(Ink::flag());
        return line(failed);
    }
    if (agents->isEmpty())
        return line(OStyle::body(QStringLiteral("Install Codex or Claude Code, then choose Check again to connect it."),
                                 width));
    for (const AgentConnection& agent : *agents) {
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
        line(new Row({across}, Row::Frame::plain));
    }
    line(OStyle::meta(QStringLiteral("Run a copied command in a terminal, then return and Check again. Existing "
                                     "configuration is backed up by Vesk's installer before it writes."),
                      width));
}

} // namespace vesk
