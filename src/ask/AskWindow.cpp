#include "AskWindow.h"

#include "Alerts.h"
#include "AnswerPage.h"
#include "CorrectionMemoryPane.h"
#include "EntityPage.h"
#include "FirstRunPage.h"
#include "Forgetting.h"
#include "FramePane.h"
#include "InboxPage.h"
#include "MergeCard.h"
#include "OStyle.h"
#include "ScrollColumn.h"
#include "SearchPage.h"

#include <QLineEdit>

namespace vesk {

AskWindow::AskWindow(DaemonClient& client, Clock& clock, PresentationMode* presentation, Alerts* alerts,
                     QObject* parent)
    : QObject(parent)
    , client(client)
    , clock(clock)
    , presentation(presentation)
    , alerts(alerts)
    , judge(new MergeJudge(client, this))
    , viewer(std::make_unique<FrameWindow>())
{
    // Wherever the mode is turned on from, the panel and the frame viewer go with it.
    if (presentation)
        connect(presentation, &PresentationMode::changed, this, [this] {
            if (presenting())
                suppressForPresentation();
        });
}

AskWindow::~AskWindow() = default;

void AskWindow::toggle()
{
    if (panel && panel->isVisible() && panel->isActiveWindow() && !presenting())
        panel->hide();
    else
        show();
}

bool AskWindow::show()
{
    if (presenting())
        return false;
    const bool created = !panel;
    if (created) {
        // The panel lives exactly as long as this window: its callbacks need no guard.
        panel = std::make_unique<AskPanel>(AskPanel::Callbacks{
            [this](const QString& text) { ask(text); }, [this](const QString& text) { search(text); },
            [this] { cancel(); }, [this] { openInbox(); }, [this] { return copyForAgent(); }});
        updateCaptureStatus(captureStatus);
        if (!alerts) {
            panelAlerts = std::make_unique<MessageBoxAlerts>(panel.get());
            alerts = panelAlerts.get();
        }
    }
    if (created || !panel->isVisible()) {
        panel->field()->clear();
        panel->place();
        search(QString()); // the opening message, with nothing to go back to
        opening = current;
        showNotices(); // what was told while the panel was away
    }
    panel->bringForward();
    return true;
}

void AskWindow::updateCaptureStatus(const QString& text)
{
    captureStatus = text;
    if (panel)
        panel->setWindowTitle(QStringLiteral("Ask Vesk · ") + text);
}

void AskWindow::suppressForPresentation()
{
    if (panel)
        panel->hide();
    viewer->hide();
}

void AskWindow::tell(const QString& line)
{
    notices << line;
    if (panel && panel->isVisible() && current && current == opening)
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

void AskWindow::openEntity(const Origin& origin)
{
    // Reached from outside the panel there is nothing to go back to: back searches for the
    // entity's name, which the field holds.
    const auto back = left ? left->returnsAs() : EntityText::BackTo::search;
    if (!left)
        panel->setFieldText(origin.label);
    show(new EntityPage(*panel->column(), client, *alerts, *judge, origin, back.value_or(EntityText::BackTo::results),
                        {[this] { restoreTop(); }, [this](const Origin& next) { openEntity(next); },
                         [this](qint64 frame, const Origin& from) { openFrame(frame, from); },
                         [this](const Origin& forgotten, QWidget* button) { forget(forgotten, button); },
                         [this](const QString& name) {
                             if (!left)
                                 panel->setFieldText(name);
                         }}));
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
    show(new FramePane(*panel->inspector(), client, *alerts, *viewer, frame, origin));
}

void AskWindow::openCorrectionMemory(const QString& kind, qint64 id)
{
    if (CorrectionMemoryPane::shows(kind, id))
        show(new CorrectionMemoryPane(*panel->inspector(), client, kind, id,
                                      [this](qint64 frame, const Origin& origin) { openFrame(frame, origin); }));
}

void AskWindow::forget(const Origin& origin, QWidget* button)
{
    auto* forgetting = new Forgetting(client, *alerts, origin, this);
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

bool AskWindow::copyForAgent()
{
    // Only an answer on screen has anything to copy.
    const auto* answer = qobject_cast<AnswerPage*>(current.data());
    const AnswerPage::Copy copy = answer ? answer->copyForAgent() : AnswerPage::Copy{};
    if (!copy.note.isEmpty())
        panel->hint()->setText(copy.note);
    if (copy.made)
        clock.after(1.5, this, [this] { updateHint(); });
    return copy.made;
}

} // namespace vesk
