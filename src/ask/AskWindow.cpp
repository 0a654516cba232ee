#include "AskWindow.h"

#include "AnswerPage.h"
#include "CorrectionMemoryPane.h"
#include "EntityPage.h"
#include "FirstRunPage.h"
#include "Forgetting.h"
#include "FramePane.h"
#include "FrameWindow.h"
#include "InboxPage.h"
#include "MergeCard.h"
#include "OStyle.h"
#include "ScrollColumn.h"
#include "SearchPage.h"

#include <QLineEdit>

namespace vesk {

AskWindow::AskWindow(Services services, QObject* parent)
    : QObject(parent)
    , client(services.client)
    , alerts(services.alerts)
    , clock(services.clock)
    , judge(new MergeJudge(client, this))
    , panel(std::make_unique<AskPanel>(services.presentation))
    , viewer(std::make_unique<FrameWindow>(services.presentation))
{
    // The panel lives exactly as long as this window: its connections need no guard.
    connect(panel.get(), &AskPanel::askRequested, this, &AskWindow::ask);
    connect(panel.get(), &AskPanel::searchRequested, this, &AskWindow::search);
    connect(panel.get(), &AskPanel::cancelRequested, this, &AskWindow::cancel);
    connect(panel.get(), &AskPanel::inboxRequested, this, &AskWindow::openInbox);
    connect(panel.get(), &AskPanel::copyForAgentRequested, this, &AskWindow::copyForAgent);
    updateCaptureStatus(captureStatus);
}

AskWindow::~AskWindow() = default;

void AskWindow::toggle()
{
    if (panel->isVisible() && panel->isActiveWindow() && panel->mayShow())
        panel->hide();
    else
        show();
}

bool AskWindow::show()
{
    if (!panel->mayShow())
        return false;
    if (!panel->isVisible()) {
        panel->field()->clear();
        panel->place();
        search(QString()); // the opening message, with nothing to go back to
        opening = current;
        showNotices(); // what was told while the panel was away
    }
    return panel->bringForward();
}

void AskWindow::updateCaptureStatus(const QString& text)
{
    captureStatus = text;
    panel->setWindowTitle(QStringLiteral("Ask Vesk · ") + text);
}

void AskWindow::close()
{
    panel->hide();
}

void AskWindow::tell(const QString& line)
{
    notices << line;
    if (panel->isVisible() && current && current == opening)
        showNotices();
}

void AskWindow::showNotices()
{
    if (notices.isEmpty())
        return;
    // Said once: another opening page shows only what was told after this one.
    panel->column()->space(8);
    for (const QString& line : std::exchange(notices, {})) {
        auto* notice = new InkLabel(line, Ink::text(), OStyle::font(12.5));
        notice->setAccessibleDescription(QStringLiteral("Notice"));
        panel->column()->add(notice);
    }
    // Room for the lines at once, without scrolling.
    panel->setCompact(false);
}

void AskWindow::show(Page* page)
{
    inspecting = page->inspector() ? page : nullptr;
    panel->setInspector(inspecting);
    if (!page->inspector()) {
        if (page->returnsAs())
            keep(page);
        else if (left)
            left->setParent(this); // kept while the pages opened from it are shown
        current = page;
    }
    panel->field()->setFocus(Qt::OtherFocusReason);
    page->open();
    if (page->height() != Page::Height::unchanged)
        panel->setCompact(page->height() == Page::Height::compact);
    updateHint();
}

void AskWindow::keep(Page* page)
{
    if (left && left != page && left->parent() == this)
        left->deleteLater();
    left = page;
}

void AskWindow::updateHint()
{
    if (Page* shown = inspecting ? inspecting : current)
        panel->hint()->setText(shown->hint());
}

void AskWindow::cancel()
{
    // An unfolded correction folds first, before anything closes.
    if (auto* answer = qobject_cast<AnswerPage*>(current.data()); answer && answer->collapseCorrection())
        return;
    if (inspecting) {
        inspecting = nullptr;
        panel->setInspector(false);
        updateHint();
    } else if (current && !current->returnsAs()) {
        restoreTop();
    } else {
        panel->hide();
    }
}

void AskWindow::restoreTop()
{
    // Back to results searches what the field holds now; an answer or the inbox shows itself again.
    if (left && left->returnsAs() != EntityText::BackTo::results)
        show(left);
    else
        search(panel->field()->text());
}

void AskWindow::ask(const QString& text)
{
    const QString question = text.trimmed();
    if (question.size() < 3)
        return;
    panel->remember(question);
    panel->setFieldText(question);
    show(new AnswerPage(*panel->column(), client, clock, question,
                        {[this] { updateHint(); }, [this](const QString& asked) { panel->setFieldText(asked); },
                         [this] { copyForAgent(); },
                         [this](qint64 frame, const Origin& origin) { openFrame(frame, origin); },
                         [this](const Origin& origin) { openEntity(origin); },
                         [this](const QString& kind, qint64 id) { openCorrectionMemory(kind, id); }}));
}

void AskWindow::search(const QString& text)
{
    panel->setFieldText(text.trimmed());
    show(new SearchPage(
        *panel->column(), client, text, current && !current->showsMessage(),
        {[this](const QString& query) { search(query); }, [this](const Origin& origin) { openEntity(origin); }}));
}

void AskWindow::showEntity(qint64 id, const QString& label, const QString& kind, qint64 sources)
{
    if (!show())
        return;
    keep(nullptr);
    openEntity(Origin{id, label, kind, sources});
}

void AskWindow::openEntity(const Origin& origin, const QString& note)
{
    // Reached from outside the panel there is nothing to go back to: back searches for the
    // entity's name, which the field holds.
    const auto back = left ? left->returnsAs() : EntityText::BackTo::search;
    if (!left)
        panel->setFieldText(origin.label);
    show(new EntityPage(*panel->column(), client, alerts, *judge, origin, back.value_or(EntityText::BackTo::results),
                        {[this] { restoreTop(); }, [this](const Origin& next) { openEntity(next); },
                         [this](qint64 frame, const Origin& from) { openFrame(frame, from); },
                         [this](const Origin& forgotten, QWidget* button) { forget(forgotten, button); },
                         [this](const QString& name) {
                             if (!left)
                                 panel->setFieldText(name);
                         },
                         [this](const Origin& again, const QString& said) {
                             // Back to a search looks for the name the entity has now.
                             if (!left || left->returnsAs() == EntityText::BackTo::results)
                                 panel->setFieldText(again.label);
                             openEntity(again, said);
                         }},
                        note));
}

void AskWindow::showInbox()
{
    if (show())
        openInbox();
}

void AskWindow::openInbox()
{
    show(new InboxPage(*panel->column(), client, *judge, clock, [this](const Origin& o) { openEntity(o); }));
}

void AskWindow::openFrame(qint64 frame, const Origin& origin)
{
    if (frame < 1)
        return;
    show(new FramePane(*panel->inspector(), client, alerts, *viewer, frame, origin));
}

void AskWindow::openCorrectionMemory(const QString& kind, qint64 id)
{
    if (CorrectionMemoryPane::shows(kind, id))
        show(new CorrectionMemoryPane(*panel->inspector(), client, kind, id,
                                      [this](qint64 frame, const Origin& origin) { openFrame(frame, origin); }));
}

void AskWindow::forget(const Origin& origin, QWidget* button)
{
    auto* forgetting = new Forgetting(client, alerts, origin, this);
    connect(forgetting, &Forgetting::ended, this, [this] {
        if (inspecting) {
            inspecting = nullptr;
            panel->setInspector(false);
        }
        restoreTop();
    });
    forgetting->start(button);
}

void AskWindow::showFirstRun()
{
    if (!show())
        return;
    show(new FirstRunPage(*panel->column(), client,
                          {[this](const QString& question) { ask(question); },
                           [this] { emit agentConnectionsRequested(); }, [this] { emit privacyExclusionsRequested(); }},
                          shortcutKeys));
}

void AskWindow::copyForAgent()
{
    // Only an answer on screen has anything to copy.
    const auto* answer = qobject_cast<AnswerPage*>(current.data());
    const AnswerPage::Copy copy = answer ? answer->copyForAgent() : AnswerPage::Copy{};
    if (!copy.note.isEmpty())
        panel->hint()->setText(copy.note);
    if (copy.made)
        clock.after(1.5, this, [this] { updateHint(); });
}

} // namespace vesk
