#pragma once

#include <QObject>
#include <optional>

namespace vesk {

class Defaults;

// One stored switch that keeps every window of the application off the screen while the user
// presents: turning it on dismisses open alerts and hides every window, no window shows itself
// while it is on, and a window that still becomes active is hidden again at once. The tray menu
// is never hidden: it is where the mode is turned off. Main thread only; one per process,
// created in main and handed to every window owner.
class PresentationMode : public QObject {
    Q_OBJECT
public:
    // The stored Boolean; absent means off.
    static constexpr const char* key = "vesk.presentation_mode.enabled";

    explicit PresentationMode(Defaults& defaults, QObject* parent = nullptr);
    ~PresentationMode() override;

    // Read from the store on every call, so every window sees the same answer.
    bool isEnabled() const;
    // False when the value could not be stored; it still holds until the process ends.
    bool setEnabled(bool value);

    // Hides every visible window of the application except menus.
    static void hideAllWindows();

signals:
    // "vesk.presentationMode.changed": posted whenever the stored value changes.
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Defaults& defaults;
    std::optional<bool> unsaved; // a value the store refused, kept for this run
};

} // namespace vesk
