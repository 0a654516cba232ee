#pragma once

#include "DataText.h"
#include "Latest.h"

#include <QWidget>

namespace vesk {

class DaemonClient;
class InkButton;
class InkLabel;
class LoadingSection;

// One handoff of the "Your data" window: when and to whom it went and what it carried, and a
// button that opens, under it, exactly what the package referenced and what it left out. The
// details are asked for anew each time they open; closing them drops a reply still on its way,
// and the section's own ticket drops it when the window fills again.
class HandoffRow : public QWidget {
    Q_OBJECT
public:
    HandoffRow(const DataText::Handoff& handoff, DaemonClient& client, const LoadingSection& section,
               QWidget* parent = nullptr);

    // The button's action: opens the details (sending `inspect_context_package`) or closes them.
    void toggle();

    InkButton* button() const { return inspect; }
    bool detailsOpen() const;

private:
    void showPackage(const Reply& reply);

    DataText::Handoff handoff;
    DaemonClient& client;
    const LoadingSection& section;
    InkButton* inspect;
    QWidget* details;
    InkLabel* detailLine = nullptr;
    // Only the reply to the latest opening is shown, and none once the details closed.
    Latest requests;
};

} // namespace vesk
