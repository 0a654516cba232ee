#pragma once

#include <QList>
#include <QString>
#include <optional>

class QWidget;

namespace vesk {

// One modal confirmation: what it says and the buttons it offers, first button the default.
struct AlertSpec {
    enum class Style { informational, warning, critical };

    Style style = Style::informational;
    QString title;
    QString text;
    QStringList buttons;
    // An optional check box under the text ("Also forget what was captured"), with its start state.
    std::optional<QString> accessory;
    bool accessoryChecked = false;
    bool accessoryEnabled = true;
    // An optional one-line text field under the text, with this placeholder ("example.com"); it
    // starts holding fieldText, all selected (a rename starts from the old name).
    std::optional<QString> field;
    QString fieldText;

    bool operator==(const AlertSpec&) const = default;
};

struct AlertResult {
    // Index into AlertSpec::buttons, or `aborted` when the alert was dismissed without a choice.
    int button = -1;
    bool accessoryChecked = false;
    QString fieldText; // exactly as typed
    bool operator==(const AlertResult&) const = default;
};

// The seam through which every window asks a modal question, so tests can answer it.
class Alerts {
public:
    static constexpr int aborted = -1;

    virtual ~Alerts() = default;
    virtual AlertResult present(const AlertSpec& spec) = 0;
    // The chosen button's index, or `aborted`.
    int run(const AlertSpec& spec) { return present(spec).button; }
};

// Real modal message boxes, parented to `parent` when given.
class MessageBoxAlerts final : public Alerts {
public:
    explicit MessageBoxAlerts(QWidget* parent = nullptr)
        : parent(parent)
    {
    }
    AlertResult present(const AlertSpec& spec) override;

private:
    QWidget* parent;
};

// Dismisses every modal dialog the application is running, innermost first; each returns
// `Alerts::aborted` to its caller. Returns how many were dismissed.
int abortModalDialogs();

} // namespace vesk
