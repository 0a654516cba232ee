#include "InterjectionSettingsWindow.h"

#include "InkButton.h"
#include "InkLabel.h"
#include "InterjectionSettings.h"
#include "InterjectionText.h"
#include "OStyle.h"
#include "ScrollColumn.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace vesk {

namespace {

using Choice = QString (*)(qint64);

InkLabel* text(const QString& words, const InkColor& colour, double size,
               OStyle::Weight weight = OStyle::Weight::Regular)
{
    return new InkLabel(words, colour, OStyle::font(size, weight));
}

// Text and fills in the palette's colours. The window role stays the application's: it is what
// tells light from dark.
const OStyle::Inked<QCheckBox>::Roles controlRoles{{QPalette::WindowText, &Ink::text()},
                                                   {QPalette::ButtonText, &Ink::text()},
                                                   {QPalette::Text, &Ink::text()},
                                                   {QPalette::Button, &Ink::surface()},
                                                   {QPalette::Base, &Ink::surface()}};

QCheckBox* checkBox(const QString& title)
{
    auto* box = new OStyle::Inked<QCheckBox>(controlRoles, title);
    box->setFont(OStyle::font(12));
    return box;
}

// Selects the item tagged with the value, adding one in its place among the others when the
// value was set elsewhere.
void select(QComboBox* menu, qint64 value, Choice title)
{
    int at = menu->findData(value);
    if (at < 0) {
        at = 0;
        while (at < menu->count() && menu->itemData(at).toLongLong() < value)
            ++at;
        menu->insertItem(at, title(value), value);
    }
    menu->setCurrentIndex(at);
}

} // namespace

const QList<qint64> InterjectionSettingsWindow::dailyChoices{0, 1, 2, 4, 8};
const QList<qint64> InterjectionSettingsWindow::retryChoices{15, 60, 240, 720};

InterjectionSettingsWindow::InterjectionSettingsWindow(InterjectionSettings& settings, PresentationMode& presentation,
                                                       QWidget* parent)
    : ToolWindow(QStringLiteral("Interjection settings"), presentation, Qt::Window, Ink::ground(), parent)
    , settings(settings)
    , column(addColumn(28))
{
    setFixedSize(windowWidth, windowHeight);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 24, 0, 18);
    layout->addWidget(column);
    build();
    connect(&settings, &InterjectionSettings::changed, this, [this] {
        if (isVisible())
            render();
    });
}

void InterjectionSettingsWindow::build()
{
    const auto space = [this] { column->space(9); };
    column->add(OStyle::section(QStringLiteral("When Vesk speaks")));
    space();
    summary = text(QString(), Ink::text(), 15, OStyle::Weight::Medium);
    column->add(summary);
    preferences = text(QString(), Ink::text2(), 12);
    column->add(preferences);
    space();

    enabledControl = checkBox(QStringLiteral("Allow proactive reminders"));
    connect(enabledControl, &QCheckBox::clicked, this,
            [this](bool on) { settings.saveDeliveryPolicy(on, {}, {}, {}, {}); });
    column->add(enabledControl);
    const auto popUp = [this](const QString& label, const QList<qint64>& values, Choice title,
                              void (*save)(InterjectionSettings&, qint64)) {
        auto* menu = new OStyle::Inked<QComboBox>(controlRoles);
        menu->setFont(OStyle::font(12));
        menu->setFixedWidth(170);
        menu->setAccessibleName(label);
        for (qint64 value : values)
            menu->addItem(title(value), value);
        connect(menu, &QComboBox::activated, this,
                [this, menu, save](int at) { save(settings, menu->itemData(at).toLongLong()); });
        auto* line = new QWidget;
        auto* layout = new QHBoxLayout(line);
        layout->setContentsMargins(0, 0, 0, 0);
        InkLabel* name = text(label, Ink::text(), 12);
        name->setFixedWidth(170);
        layout->addWidget(name);
        layout->addWidget(menu);
        layout->addStretch();
        column->add(line);
        return menu;
    };
    dailyControl = popUp(QStringLiteral("Daily limit"), dailyChoices, InterjectionText::dailyLimitChoice,
                         [](InterjectionSettings& s, qint64 n) { s.saveDeliveryPolicy({}, n, {}, {}, {}); });
    retryControl = popUp(QStringLiteral("Retry held items after"), retryChoices, InterjectionText::retryChoice,
                         [](InterjectionSettings& s, qint64 n) { s.saveDeliveryPolicy({}, {}, n, {}, {}); });
    quietControl = checkBox(QString());
    connect(quietControl, &QCheckBox::clicked, this,
            [this](bool on) { settings.saveDeliveryPolicy({}, {}, {}, on, {}); });
    column->add(quietControl);
    reopenedControl = checkBox(QStringLiteral("Remind me when an item reopens"));
    connect(reopenedControl, &QCheckBox::clicked, this,
            [this](bool on) { settings.saveDeliveryPolicy({}, {}, {}, {}, on); });
    column->add(reopenedControl);
    policyControls = {enabledControl, dailyControl, retryControl, quietControl, reopenedControl};
    space();
    feedback = text(QString(), Ink::text2(), 11);
    column->add(feedback);
    column->add(
        InkButton::make(QStringLiteral("Refresh policy"), InkButton::Tone::quiet, [this] { settings.reloadPolicy(); }));

    column->space(18);
    column->add(OStyle::section(QStringLiteral("Reminder history")));
    space();
    // Two buttons a line: all four do not fit the window's width in every font.
    QHBoxLayout* line = nullptr;
    const auto history = [this, &line](const QString& title, void (InterjectionSettings::*action)()) {
        if (!line || line->count() == 3) {
            auto* holder = new QWidget;
            line = new QHBoxLayout(holder);
            line->setContentsMargins(0, 0, 0, 0);
            line->setSpacing(10);
            line->addStretch();
            column->add(holder);
        }
        InkButton* b
            = InkButton::make(title, InkButton::Tone::quiet, [model = &settings, action] { (model->*action)(); });
        line->insertWidget(line->count() - 1, b);
    };
    history(QStringLiteral("Allow another daily quota today"), &InterjectionSettings::allowAnotherQuota);
    history(QStringLiteral("Unmute all"), &InterjectionSettings::unmuteAll);
    history(QStringLiteral("Reset learned gates"), &InterjectionSettings::resetLearning);
    history(QStringLiteral("Clear cooldowns"), &InterjectionSettings::clearCooldowns);

    column->space(18);
    column->add(OStyle::section(QStringLiteral("Last decision")));
    space();
    reason = text(QString(), Ink::text(), 12);
    column->add(reason);
}

void InterjectionSettingsWindow::showSettings()
{
    if (!mayShow())
        return;
    // Unconfirmed from the first frame: the controls wait for the daemon's status.
    settings.loadPolicy();
    render();
    bringForward();
}

void InterjectionSettingsWindow::render()
{
    const DeliveryPolicy& policy = settings.policy();
    const DeliveryPolicy::Values stored = policy.values();
    enabledControl->setChecked(stored.enabled);
    reopenedControl->setChecked(stored.reopened);
    quietControl->setChecked(stored.quiet);
    quietControl->setText(InterjectionText::quietHoursTitle(stored.quietStart, stored.quietEnd));
    select(dailyControl, stored.daily, InterjectionText::dailyLimitChoice);
    select(retryControl, stored.retry, InterjectionText::retryChoice);

    const bool editable = settings.policyLoaded() && !settings.savePending();
    if (!editable && policyControls.contains(focusWidget()))
        keyboardWasOn = focusWidget();
    for (QWidget* control : policyControls)
        control->setEnabled(editable);
    if (editable && keyboardWasOn) {
        keyboardWasOn->setFocus();
        keyboardWasOn = nullptr;
    }

    const Signals& learned = settings.learned();
    summary->setText(InterjectionText::settingsSummary(learned, settings.todayCap()));
    preferences->setText(InterjectionText::settingsPreferences(learned, settings.cooldownCount()));
    const InterjectionSettings::Feedback& line = settings.feedback();
    feedback->setText(line.text);
    feedback->setColour(line.failure ? Ink::flag() : Ink::text2());
    feedback->setVisible(!line.text.isEmpty());
    reason->setText(policy.lastDecision().value_or(QStringLiteral("No interjection decision recorded yet.")));
}

} // namespace vesk
