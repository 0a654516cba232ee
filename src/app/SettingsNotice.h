#pragma once

#include <QObject>
#include <optional>

namespace vesk {

class Alerts;
class Defaults;
class PresentationMode;

// Tells the user, once a run, that the settings could not be saved and why: the choices hold until
// Vesk quits and are lost then. Said a moment later (the failed save may be part of a click still
// being handled), and never while presenting: then it waits for the mode to end. Main thread only.
class SettingsNotice : public QObject {
    Q_OBJECT
public:
    SettingsNotice(Defaults& defaults, PresentationMode& presentation, Alerts& alerts, QObject* parent = nullptr);

private:
    void tell();

    PresentationMode& presentation;
    Alerts& alerts;
    // Why the first failed save failed, until it has been said.
    std::optional<QString> reason;
    bool told = false;
};

} // namespace vesk
