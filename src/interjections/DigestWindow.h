#pragma once

#include "Candidate.h"
#include "DaemonClient.h"
#include "Generation.h"
#include "ToolWindow.h"

#include <QList>
#include <QPointer>
#include <optional>

namespace vesk {

class InkButton;
class InkLabel;
class InterjectionSettings;
class LoadingSection;
class ScrollColumn;

// The weekly review of what the reminders held back, one item at a time: what it is and what it
// rests on, its sources, and a judgment that teaches the reminders (dismiss the item, or set a
// stance for its kind: "Remind me sooner" encourages it, "Don't remind me" mutes it). A stance is
// saved first and the item then dismissed; the item leaves the review only when the daemon
// confirmed both, and each failure says what was and was not saved. One decision at a time. Every
// opening is a fresh review: replies of a review that was closed or reopened change nothing, and
// turning presentation mode on closes it. Main thread only.
class DigestWindow : public ToolWindow {
    Q_OBJECT
public:
    static constexpr int windowWidth = 580;
    static constexpr int fullHeight = 410;
    // Without the judgment controls (loading, a failed load, nothing left).
    static constexpr int shortHeight = 280;

    struct Services {
        DaemonClient& client;
        InterjectionSettings& settings;
        PresentationMode& presentation;
    };

    // A preview shows two fixed items and asks the daemon for nothing.
    DigestWindow(Services services, bool preview, QWidget* parent = nullptr);

    // The two items of the preview.
    static QList<Candidate> previewItems();

    // Opens (or reopens) the review and loads it; nothing while presenting or while a decision
    // is being saved.
    void showWeeklyDigest();

    const QList<Candidate>& reviewItems() const { return items; }
    qsizetype reviewIndex() const { return index; }

signals:
    // "Open sources": the ask panel shows the item's entity page.
    void openRequested(const vesk::Candidate& item);

protected:
    void closed() override;

private:
    void build();
    void loaded(bool read);
    void render();
    void setJudgmentVisible(bool visible);
    void setButtonsEnabled(bool enabled);
    void openItem();
    void saveDecision(const std::optional<QString>& stance);
    // Reports the item dismissed; the answer counts only while the review of `ticket` is on screen.
    void dismiss(const Candidate& item, bool stanceSaved, Generation::Ticket ticket);
    void finishItem(const Candidate& item);
    void decisionFailed(const QString& text);
    void showFeedback(const QString& text, bool failure);

    DaemonClient& client;
    InterjectionSettings& settings;
    bool preview;
    ScrollColumn* column;

    // The views of the current review; the column builds them afresh for each.
    LoadingSection* review = nullptr;
    InkLabel* progress = nullptr;
    InkLabel* title = nullptr;
    InkLabel* evidence = nullptr;
    InkLabel* feedback = nullptr;
    InkButton* retry = nullptr;
    // "Open sources", "Dismiss this item", "Remind me sooner", "Don't remind me".
    QList<InkButton*> buttons;
    QList<QWidget*> actionViews;
    // The button whose decision is being saved: it has the keyboard back when the decision ends.
    QPointer<InkButton> deciding;

    QList<Candidate> items;
    qsizetype index = 0;
    bool pending = false;
};

} // namespace vesk
