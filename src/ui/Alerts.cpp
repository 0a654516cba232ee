#include "Alerts.h"

#include "InkButton.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <QVBoxLayout>

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

// The button of answer `i`. The one that cannot be undone looks as it does in the windows, and Qt never
// makes it the default by itself.
QPushButton* answerButton(const AlertSpec& spec, int i)
{
    if (spec.destructive != i)
        return new QPushButton(escapeMnemonic(spec.buttons[i]));
    InkButton* button = InkButton::make(spec.buttons[i], InkButton::Tone::destructive);
    button->setAutoDefault(false);
    const QPushButton plain(button->text());
    button->setFont(plain.font());
    button->setMinimumHeight(plain.sizeHint().height());
    return button;
}

// The whole title and text of an alert that shows them cut, in a read-only field that scrolls,
// folded behind a button as a message box folds its details.
void addDetails(QDialog& box, QVBoxLayout& layout, const AlertSpec& spec)
{
    auto* details = new QTextEdit;
    details->setAcceptRichText(false);
    details->setReadOnly(true);
    details->setPlainText(spec.text.isEmpty() ? spec.title : spec.title + QStringLiteral("\n\n") + spec.text);
    details->setAccessibleName(QStringLiteral("Details"));
    details->setFixedHeight(QFontMetrics(details->font()).lineSpacing() * 10);
    details->hide();
    auto* toggle = new QPushButton(QStringLiteral("Show Details..."));
    toggle->setAutoDefault(false);
    QObject::connect(toggle, &QPushButton::clicked, &box, [details, toggle] {
        details->setVisible(details->isHidden());
        toggle->setText(details->isHidden() ? QStringLiteral("Show Details...") : QStringLiteral("Hide Details..."));
    });
    layout.addWidget(toggle, 0, Qt::AlignLeft);
    layout.addWidget(details);
}

// A message box has no place for a text field: an alert that asks for text is a small dialog of
// the same parts, the title in bold over the text, then the field, then the buttons.
AlertResult askForText(QWidget* parent, const AlertSpec& spec)
{
    QDialog box(parent);
    box.setWindowModality(Qt::WindowModal);
    // Cut as a message box's texts are, and whole under "Show Details…".
    bool cut = false;
    box.setWindowTitle(shownCut(spec.title, 1, 120, cut));
    auto* layout = new QVBoxLayout(&box);
    auto* title = new QLabel(shownCut(spec.title, 3, 300, cut));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    auto* text = new QLabel(shownCut(spec.text, 12, 900, cut));
    for (QLabel* label : {title, text}) {
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        layout->addWidget(label);
    }
    if (cut)
        addDetails(box, *layout, spec);
    auto* field = new QLineEdit(spec.fieldText);
    field->setPlaceholderText(spec.field.value_or(QString()));
    field->setFixedSize(320, 24);
    field->setAccessibleName(spec.title);
    field->selectAll();
    layout->addWidget(field);
    auto* buttons = new QDialogButtonBox;
    const std::optional<int> preferred = spec.defaultButton();
    for (int i = 0; i < spec.buttons.size(); ++i) {
        QPushButton* b = answerButton(spec, i);
        buttons->addButton(b, QDialogButtonBox::ActionRole);
        b->setDefault(preferred == i);
        // Results count from 1: 0 is the dialog's own rejection (Escape, the close button).
        QObject::connect(b, &QPushButton::clicked, &box, [&box, i] { box.done(i + 1); });
    }
    layout->addWidget(buttons);
    field->setFocus();
    const int chosen = box.exec();
    AlertResult result;
    result.fieldText = field->text();
    if (!box.property(abortedProperty).toBool())
        result.button = chosen > 0 ? chosen - 1 : spec.safe.value_or(Alerts::aborted);
    return result;
}
// The title as a title bar shows it ("… — Vesk"), with room for the bar's buttons.
int titleWidth(const QWidget& window)
{
    QString title = window.windowTitle();
    if (!QGuiApplication::applicationDisplayName().isEmpty())
        title += QStringLiteral(" — ") + QGuiApplication::applicationDisplayName();
    const int wanted = QFontMetrics(QApplication::font()).horizontalAdvance(title) * 5 / 4 + 120;
    // Never wider than most of the screen, whatever the title.
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    return screen ? std::min(wanted, screen->availableGeometry().width() * 3 / 4) : wanted;
}
} // namespace

AlertResult MessageBoxAlerts::present(const AlertSpec& spec)
{
    if (spec.field)
        return askForText(parent, spec);
    QMessageBox box(parent);
    // Modal to its own window only: the status item stays live, so presentation mode can still be
    // turned on (which dismisses the alert) and the application can still be quit.
    box.setWindowModality(Qt::WindowModal);
    box.setIcon(icon(spec.style));
    // A long title or text is shown cut, and whole under "Show Details…", where it scrolls.
    bool cut = false;
    box.setWindowTitle(shownCut(spec.title, 1, 120, cut));
    box.setText(shownCut(spec.title, 3, 300, cut));
    box.setInformativeText(shownCut(spec.text, 12, 900, cut));
    box.setTextFormat(Qt::PlainText);
    if (cut)
        box.setDetailedText(spec.text.isEmpty() ? spec.title : spec.title + QStringLiteral("\n\n") + spec.text);
    QList<QAbstractButton*> buttons;
    const std::optional<int> preferred = spec.defaultButton();
    for (int i = 0; i < spec.buttons.size(); ++i) {
        QPushButton* b = answerButton(spec, i);
        box.addButton(b, QMessageBox::ActionRole);
        buttons.append(b);
        if (preferred == i)
            box.setDefaultButton(b);
        // The close button too: a message box closes only when it has an escape button.
        if (spec.safe == i)
            box.setEscapeButton(b);
    }
    QCheckBox* check = nullptr;
    if (spec.accessory) {
        check = new QCheckBox(escapeMnemonic(*spec.accessory));
        check->setChecked(spec.accessoryChecked);
        check->setEnabled(spec.accessoryEnabled);
        box.setCheckBox(check);
    }
    // The window manager writes the title in the title bar, beside its buttons: the box is at least
    // wide enough for it there, or the question reads "Turn on ans…ion? — Vesk".
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(titleWidth(box), 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(),
                      0, 1, grid->columnCount());
    box.exec();
    AlertResult result;
    result.accessoryChecked = check && check->isChecked();
    if (box.property(abortedProperty).toBool())
        return result;
    result.button = static_cast<int>(buttons.indexOf(box.clickedButton()));
    return result;
}

QString shownCut(const QString& whole, int lines, qsizetype length, bool& cut)
{
    constexpr int run = 60;
    QString out;
    out.reserve(std::min<qsizetype>(whole.size(), length) + length / run + 1);
    int line = 1, unbroken = 0;
    for (const QChar c : whole) {
        if (out.size() >= length || (c == QLatin1Char('\n') && line == lines)) {
            cut = true;
            break;
        }
        if (c == QLatin1Char('\n')) {
            ++line;
            unbroken = 0;
        } else if (c.isSpace()) {
            unbroken = 0;
        } else if (++unbroken > run && !c.isLowSurrogate()) {
            out += QChar(0x200B); // zero-width space: a place to wrap
            unbroken = 1;
        }
        out += c;
    }
    if (!cut)
        return out;
    if (!out.isEmpty() && out.back().isHighSurrogate())
        out.chop(1);
    return out + QChar(0x2026);
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
