#pragma once

#include "Alerts.h"
#include "DaemonClient.h"
#include "DataText.h"
#include "ToolWindow.h"

#include <QPointer>

namespace vesk {

class InkButton;
class InkLabel;
class LoadingSection;
class ScrollColumn;

// The "Your data" panel: one column that says, from the daemon's own replies, what has left this
// computer (recent handoffs), what can read the memory (agent connections), what is stored here and
// for how long, what the daemon says about the user, and what the user can change. Each section is
// filled by its own request and says whether it failed to read or read nothing, with a "Retry" that
// fills the whole window again. Closing it drops every reply still on its way. Main thread only.
class DataWindow : public ToolWindow {
    Q_OBJECT
public:
    DataWindow(DaemonClient& client, Alerts& alerts, PresentationMode& presentation, QWidget* parent = nullptr);
    ~DataWindow() override;

    // Shows the window and fills every section again; false while presentation mode keeps it away.
    bool open();
    // Fills every section again under a new ticket, scrolled to the top or, once the column is
    // tall enough again, to `scrolledTo`.
    void reload(int scrolledTo = 0);
    // The action of "Delete expired pixels now": asks, then deletes and fills the window again.
    void deleteExpiredPixels();

    // The column, for tests and screenshot tours.
    ScrollColumn* column() const { return stack; }

private:
    // One section each: its views, then its request.
    void addHandoffs(int textWidth);
    void addConnections(int textWidth);
    void addStorage(int textWidth);
    void addProfile(int textWidth);
    void addChanges(int textWidth);
    void closeSection(int textWidth);
    // The replies.
    using Handoffs = DataText::Listed<DataText::Handoff>;
    using Tools = DataText::Listed<AgentConnection>;
    void handoffs(LoadingSection& section, QWidget* rows, const Handoffs& read);
    void connections(LoadingSection& section, const Tools& read);
    void storage(LoadingSection& section, InkLabel* retention, const Reply& reply);
    void profile(LoadingSection& section, InkLabel* meta, const Reply& reply);
    void toggleEarlierDeliveries(InkButton* button);

    DaemonClient& client;
    Alerts& alerts;
    // The column every section is added to; its ticket is the identity of the current fill.
    ScrollColumn* stack;
    const int width = 560;
    // As the last status reply counted them; nothing when it gave no count.
    std::optional<qint64> expiredFrames = 0;
    std::optional<qint64> expiredBytes = 0;
    QPointer<InkButton> deleteExpiredButton;
    QPointer<QWidget> olderDeliveryRows;
    QPointer<QWidget> connectionRows;
};

} // namespace vesk
