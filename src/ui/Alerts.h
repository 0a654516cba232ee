#pragma once

#include <QList>
#include <QString>
#include <optional>

class QWidget;

namespace vesk {

// One modal confirmation: what it says and the buttons it offers, the first one the default. An answer
// that cannot be undone is marked `destructive`: it is drawn so and never the default; the safe answer
// is, so Return never deletes.
struct AlertSpec {
    enum class Style { informational, warning, critical };

    Style style = Style::informational;
    QString title;
    QString text;
    QStringList buttons;
    // The safe answer (an index into `buttons`): Escape and the window's close button choose it. Without
    // one they choose the only button of a one-button alert, and no answer otherwise.
    std::optional<int> safe;
    // The answer that cannot be undone (an index into `buttons`).
    std::optional<int> destructive;
    // An optional check box under the text ("Also forget what was captured"), with its start state.
    std::optional<QString> accessory;
    bool accessoryChecked = false;
    bool accessoryEnabled = true;
    // An optional one-line text field under the text, with this placeholder ("example.com"); it
    // starts holding fieldText, all selected (a rename starts from the old name).
    std::optional<QString> field;
    QString fieldText;

    // The answer Return chooses: the safe one where another cannot be undone, else the first.
    std::optional<int> defaultButton() const { return destructive ? safe : std::optional<int>(0); }

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

// What an alert shows of a text that may come from the daemon, of any size: at most `lines` lines
// and `length` characters, with a place to wrap in every run of 60 characters without one, so it
// stays narrower than the screen and lays out at once. The rest is cut with "…", and `cut` is set.
QString shownCut(const QString& whole, int lines, qsizetype length, bool& cut);

// Dismisses every modal dialog the application is running, innermost first; each returns
// `Alerts::aborted` to its caller. Returns how many were dismissed.
int abortModalDialogs();

} // namespace vesk
