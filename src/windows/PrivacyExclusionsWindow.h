#pragma once

#include "Alerts.h"
#include "DaemonClient.h"
#include "PrivacyText.h"

#include "ToolWindow.h"

#include <QList>
#include <QPointer>

namespace vesk {

class InkButton;
class InkLabel;
class LoadingSection;
class Row;
class ScrollColumn;
class Permissions;
class Workspace;
class Excluding;

// The window in which the user tells the daemon what it must never capture: applications, websites
// and windows whose title holds a phrase, one section each. It holds no rules of its own: the list
// is the daemon's reply, asked again after every change. Removing a rule asks first; adding one
// (an Excluding flow) offers, as a separate and irreversible step with the daemon's exact counts, to
// forget what was already captured under it. Main thread only.
class PrivacyExclusionsWindow : public ToolWindow {
    Q_OBJECT
public:
    // `permissions` says what this desktop needs for window titles, by which websites are told.
    PrivacyExclusionsWindow(DaemonClient& client, Workspace& workspace, Permissions& permissions, Alerts& alerts,
                            PresentationMode& presentation, QWidget* parent = nullptr);
    ~PrivacyExclusionsWindow() override;

    // Shows the window and loads the current section again; false while presentation mode keeps
    // it away.
    bool open();

private:
    void updateCopy();
    // Shows another section and loads its rules.
    void changeSection(PrivacyText::Mode mode);
    // Loads the current section's rules; a reply for an earlier load or another section is dropped.
    void reload();
    void listed(LoadingSection& section, InkLabel* empty, const PrivacyText::Listing& read);
    // Adds the next rows of the listed rules to `block`, and after the last the count of those
    // the list left out.
    void addRows(QWidget* block, qsizetype more);
    Row* ruleRow(const PrivacyText::Rule& rule) const;
    // Marks a listed rule as the one "Remove selected" acts on.
    void select(qsizetype row);
    // The remove button's action: asks, then removes the selected rule.
    void removeSelected();
    void showError(const Reply& reply, const QString& fallback);
    // The action of the add button: one addition at a time.
    void addExclusion();
    // Whether the add button can be used now.
    bool mayAdd() const;

    DaemonClient& client;
    Workspace& workspace;
    Permissions& permissions;
    Alerts& alerts;
    // The addition under way: while it runs, no second one starts.
    QPointer<Excluding> adding;
    // The rule list; its ticket is the identity of the latest load.
    ScrollColumn* table;
    InkLabel* heading = nullptr;
    InkLabel* explanation = nullptr;
    InkButton* add = nullptr;
    InkButton* remove = nullptr;
    QList<InkButton*> sections;
    PrivacyText::Mode current = PrivacyText::Mode::applications;
    QList<PrivacyText::Rule> rules; // those shown
    QStringList excludedValues;     // of every rule the list holds
    QList<QPointer<Row>> rows;
    qsizetype selected = -1;
    bool isLoaded = false;
    // The current load has its reply, whatever it said.
    bool listReplied = false;
};

} // namespace vesk
