#include "Alerts.h"

#include "InkButton.h"

#include <QApplication>
#include <QCheckBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace vesk {

namespace {
const char* const abortedProperty = "vesk.alert.aborted";

QMessageBox::Icon icon(AlertSpec::Style style)
{
    switch (style) {
    case AlertSpec::Style::warning:
        return QMessageBox::Warning;
    case AlertSpec::Style::critical:
        return QMessageBox::Critical;
    case AlertSpec::Style::informational:
        break;
    }
    return QMessageBox::Information;
}
} // namespace

// A question that takes a line of text: the message box has no place for a field, the input dialog
// has one, with the first button accepting and the second cancelling.
AlertResult MessageBoxAlerts::ask(const AlertSpec& spec)
{
    QInputDialog dialog(parent);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setWindowTitle(spec.title);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setLabelText(spec.title + QStringLiteral("\n\n") + spec.text);
    dialog.setOkButtonText(escapeMnemonic(spec.buttons.value(0)));
    dialog.setCancelButtonText(escapeMnemonic(spec.buttons.value(1, QStringLiteral("Cancel"))));
    if (auto* field = dialog.findChild<QLineEdit*>()) {
        field->setPlaceholderText(spec.field.value_or(QString()));
        field->setAccessibleName(spec.title);
        field->setMinimumWidth(320);
    }
    const int shown = dialog.exec();
    AlertResult result;
    if (dialog.property(abortedProperty).toBool())
        return result;
    result.button = shown == QDialog::Accepted ? 0 : 1;
    result.fieldText = dialog.textValue();
    return result;
}

AlertResult MessageBoxAlerts::present(const AlertSpec& spec)
{
    if (spec.field)
        return ask(spec);
    QMessageBox box(parent);
    // Modal to its own window only: the status item stays live, so presentation mode can still be
    // turned on (which dismisses the alert) and the application can still be quit.
    box.setWindowModality(Qt::WindowModal);
    box.setIcon(icon(spec.style));
    box.setWindowTitle(spec.title);
    box.setText(spec.title);
    box.setInformativeText(spec.text);
    box.setTextFormat(Qt::PlainText);
    QList<QAbstractButton*> buttons;
    for (const QString& title : spec.buttons) {
        QPushButton* b = box.addButton(escapeMnemonic(title), QMessageBox::ActionRole);
        buttons.append(b);
        if (buttons.size() == 1)
            box.setDefaultButton(b);
        if (title == QStringLiteral("Cancel"))
            box.setEscapeButton(b);
    }
    QCheckBox* check = nullptr;
    if (spec.accessory) {
        check = new QCheckBox(escapeMnemonic(*spec.accessory));
        check->setChecked(spec.accessoryChecked);
        check->setEnabled(spec.accessoryEnabled);
        box.setCheckBox(check);
    }
    box.exec();
    AlertResult result;
    result.accessoryChecked = check && check->isChecked();
    if (box.property(abortedProperty).toBool())
        return result;
    result.button = static_cast<int>(buttons.indexOf(box.clickedButton()));
    return result;
}

int abortModalDialogs()
{
    int count = 0;
    // A dialog that refuses to close would loop forever; the nesting depth bounds the loop.
    for (int guard = 0; guard < 32; ++guard) {
        QWidget* modal = QApplication::activeModalWidget();
        auto* dialog = qobject_cast<QDialog*>(modal);
        if (!dialog)
            break;
        dialog->setProperty(abortedProperty, true);
        dialog->done(QDialog::Rejected);
        dialog->hide();
        ++count;
    }
    return count;
}

} // namespace vesk
