#pragma once

#include "PlatformServices.h"

#include <QDialog>
#include <QList>
#include <QSet>
#include <optional>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace vesk {

// A modal list of installed applications to choose one from, narrowed by what is typed into its
// search field (name or id, ignoring case). Until the list arrives it says that it is looking.
// Typing goes to the search field; the arrow keys move through the list and Return chooses.
// Applications whose id is in `leaveOut` (already chosen before) are not offered; rows without an
// icon keep the icon's room, so every name starts in the same column.
class ApplicationChooser : public QDialog {
    Q_OBJECT
public:
    ApplicationChooser(const QString& title, const QString& accept, const QStringList& leaveOut = {},
                       QWidget* parent = nullptr);

    // Replaces the list, sorted by name, keeping the search and the chosen application.
    void setApplications(QList<Workspace::Application> applications);
    // The application chosen when the dialog was accepted.
    std::optional<Workspace::Application> chosen() const;

    QLineEdit* searchField() const { return search; }
    QListWidget* list() const { return shown; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void filter();

    QList<Workspace::Application> applications;
    QSet<QString> leaveOut;
    bool arrived = false;
    QLineEdit* search;
    QListWidget* shown;
    QLabel* status;
    QPushButton* acceptButton;
};

} // namespace vesk
