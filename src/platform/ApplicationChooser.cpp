#include "ApplicationChooser.h"

#include "InkButton.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace vesk {

ApplicationChooser::ApplicationChooser(const QString& title, const QString& accept, const QStringList& leaveOut,
                                       QWidget* parent)
    : QDialog(parent)
    , leaveOut(leaveOut.begin(), leaveOut.end())
    , search(new QLineEdit)
    , shown(new QListWidget)
    , status(new QLabel(QStringLiteral("Looking for installed applications…")))
{
    setWindowTitle(title);
    resize(420, 480);
    search->setPlaceholderText(QStringLiteral("Search applications"));
    search->setAccessibleName(QStringLiteral("Search applications"));
    search->setClearButtonEnabled(true);
    search->installEventFilter(this);
    shown->setAccessibleName(QStringLiteral("Installed applications"));
    shown->setIconSize(QSize(24, 24));
    shown->setUniformItemSizes(true);
    status->setWordWrap(true);

    auto* buttons = new QDialogButtonBox;
    acceptButton = buttons->addButton(escapeMnemonic(accept), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    acceptButton->setDefault(true);
    acceptButton->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(search);
    layout->addWidget(status);
    layout->addWidget(shown, 1);
    layout->addWidget(buttons);

    connect(search, &QLineEdit::textChanged, this, &ApplicationChooser::filter);
    connect(shown, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem* item) { acceptButton->setEnabled(item && !item->isHidden()); });
    connect(shown, &QListWidget::itemActivated, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    search->setFocus();
}

void ApplicationChooser::setApplications(QList<Workspace::Application> list)
{
    const auto before = chosen();
    list.removeIf([this](const Workspace::Application& app) { return leaveOut.contains(app.id); });
    std::sort(list.begin(), list.end(), [](const Workspace::Application& a, const Workspace::Application& b) {
        return QString::localeAwareCompare(a.name, b.name) < 0;
    });
    applications = std::move(list);
    arrived = true;
    shown->clear();
    // A transparent icon of the same size holds the room of a missing one.
    QPixmap blank(shown->iconSize());
    blank.fill(Qt::transparent);
    const QIcon none(blank);
    for (qsizetype i = 0; i < applications.size(); ++i) {
        const Workspace::Application& app = applications[i];
        auto* item = new QListWidgetItem(app.icon.isNull() ? none : app.icon, app.name, shown);
        item->setData(Qt::UserRole, qlonglong(i));
        item->setToolTip(app.id);
        if (before && before->id == app.id)
            shown->setCurrentItem(item);
    }
    filter();
}

std::optional<Workspace::Application> ApplicationChooser::chosen() const
{
    const QListWidgetItem* item = shown->currentItem();
    if (!item || item->isHidden())
        return std::nullopt;
    return applications.value(item->data(Qt::UserRole).toLongLong());
}

void ApplicationChooser::filter()
{
    if (!arrived)
        return; // still looking: the status line says so
    const QString words = search->text().trimmed();
    QListWidgetItem* first = nullptr;
    int visible = 0;
    for (int row = 0; row < shown->count(); ++row) {
        QListWidgetItem* item = shown->item(row);
        const Workspace::Application& app = applications[item->data(Qt::UserRole).toLongLong()];
        const bool match = app.name.contains(words, Qt::CaseInsensitive) || app.id.contains(words, Qt::CaseInsensitive);
        item->setHidden(!match);
        if (match && !first)
            first = item;
        visible += match;
    }
    // The best match is ready for Return; a choice still on the list stays chosen.
    if (!shown->currentItem() || shown->currentItem()->isHidden())
        shown->setCurrentItem(first);
    acceptButton->setEnabled(chosen().has_value());
    if (applications.isEmpty())
        status->setText(QStringLiteral("No installed applications were found."));
    else if (visible == 0)
        status->setText(QStringLiteral("No installed application matches “%1”.").arg(words));
    status->setVisible(visible == 0);
}

bool ApplicationChooser::eventFilter(QObject* watched, QEvent* event)
{
    // From the search field, the arrow keys move through the list.
    if (watched == search && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Down || key == Qt::Key_Up || key == Qt::Key_PageDown || key == Qt::Key_PageUp) {
            QCoreApplication::sendEvent(shown, event);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace vesk
