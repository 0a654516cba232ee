#pragma once

#include "ToolWindow.h"

#include <QList>
#include <QPointer>

class QCheckBox;
class QComboBox;

namespace vesk {

class InkLabel;
class InterjectionSettings;
class PresentationMode;
class ScrollColumn;

// How the reminders behave and what they learned, with the means to change both: the delivery
// policy (saved only over values the daemon confirmed, and shown changed only once it confirmed),
// the day's quota, the muted kinds, the learned gates, the cooldowns, and the last decision in
// words. It redraws whenever the reminders' state changes. Main thread only.
class InterjectionSettingsWindow : public ToolWindow {
    Q_OBJECT
public:
    static constexpr int windowWidth = 680;
    static constexpr int windowHeight = 610;
    // The fixed choices of the pop-ups; a value set elsewhere is added to its pop-up.
    static const QList<qint64> dailyChoices;
    static const QList<qint64> retryChoices;

    InterjectionSettingsWindow(InterjectionSettings& settings, PresentationMode& presentation,
                               QWidget* parent = nullptr);

    // Opens the window and loads the policy and the counters (nothing while presenting).
    void showSettings();

private:
    void build();
    void render();

    InterjectionSettings& settings;
    ScrollColumn* column;
    InkLabel* summary = nullptr;
    InkLabel* preferences = nullptr;
    InkLabel* feedback = nullptr;
    InkLabel* reason = nullptr;
    QCheckBox* enabledControl = nullptr;
    QCheckBox* quietControl = nullptr;
    QCheckBox* reopenedControl = nullptr;
    QComboBox* dailyControl = nullptr;
    QComboBox* retryControl = nullptr;
    // Enabled together, only while the policy is confirmed and no change is in flight.
    QList<QWidget*> policyControls;
    // The control that had the keyboard when the controls were disabled gets it back.
    QPointer<QWidget> keyboardWasOn;
};

} // namespace vesk
