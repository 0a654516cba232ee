#pragma once

#include "InkLayer.h"

#include <QPushButton>
#include <functional>
#include <optional>

namespace vesk {

// The flat button every window uses: three tones with a hover state, or, without a tone, a
// background painted by a callback. It is reached with Tab and pressed with Space or Return, shows
// a focus ring while it has the keyboard, and looks faded while disabled. The space around its title
// is drawn, not kept in its text, so a screen reader reads the title alone.
class InkButton : public QPushButton {
    Q_OBJECT
public:
    enum class Tone { quiet, primary, destructive };
    // Fills in the layer for the button's state and appearance now; a plain function, so it holds nothing.
    using Paint = void (*)(InkLayer& layer, const QWidget& button);

    // Title as the user reads it ("&" is shown as an ampersand), tone, and what a click does.
    static InkButton* make(const QString& title, std::optional<Tone> tone, std::function<void()> action = {},
                           QWidget* parent = nullptr);

    explicit InkButton(QWidget* parent = nullptr);

    // Setting the painter repaints at once.
    void setPaint(Paint p);
    void setTone(std::optional<Tone> t);
    std::optional<Tone> buttonTone() const { return tone; }
    bool isHovering() const { return hovering; }

    void repaint();
    const InkLayer& layer() const { return current; }
    QColor titleColour() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void resolve();
    void updateCursor();

    Paint paint = nullptr;
    std::optional<Tone> tone;
    bool hovering = false;
    InkLayer current;
};

// "&" is a mnemonic marker in button and check-box titles: double it to show it.
QString escapeMnemonic(const QString& title);

} // namespace vesk
