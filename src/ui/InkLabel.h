#pragma once

#include "Ink.h"

#include <QLabel>
#include <array>
#include <memory>

class QTextLayout;

namespace vesk {

// A plain-text label in one palette colour, resolved when it paints, that either wraps at the
// width its layout gives it or stays on one line and truncates (at the end or in the middle).
// It measures itself again whenever its text changes, shortens a one-line text once per width
// change rather than on every paint, and keeps only a bounded part of an over-long text: a
// daemon reply can hold a label of any length, and laying out a megabyte would freeze the window.
// A screen reader reads the whole kept text, however much of it shows, without its spacing.
class InkLabel : public QLabel {
    Q_OBJECT
public:
    enum class Fit { wrap, truncateEnd, truncateMiddle };

    // What a label keeps of its text: a line shows a few hundred characters at most, a wrapping
    // text a few screens.
    static constexpr qsizetype lineCap = 1000;
    static constexpr qsizetype wrapCap = 20000;
    // The part of `text` a label with that fit keeps, marked with an ellipsis where it was cut.
    static QString capped(const QString& text, Fit fit);

    InkLabel(const QString& text, const InkColor& colour, const QFont& font, Fit fit = Fit::wrap,
             QWidget* parent = nullptr);
    ~InkLabel() override;

    // Replaces the text (capped) and its accessible name, and measures again. Hides QLabel::setText:
    // call it on an InkLabel.
    void setText(const QString& text);
    void setColour(const InkColor& colour);
    const InkColor& colour() const { return *ink; }
    Fit fit() const { return fitting; }
    // The text as painted: for a one-line label the shortened line at the current width.
    QString shown() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void elide();
    // The text or the font changed: what was measured of the old one goes.
    void forgetMeasures();
    int wrappedHeight(int width) const;

    const InkColor* ink;
    Fit fitting;
    QString line;  // one-line labels: the text shortened to the current width
    int fullWidth; // one-line labels: the width of the whole (capped) text
    // Wrapping labels: the heights at the last few widths asked about, newest first. Layouts ask
    // again and again for the same few widths (the preferred ones, then the column's with and
    // without its scroll bar), and each answer breaks the whole text into lines.
    mutable std::array<QSize, 4> measured{QSize(-1, 0), QSize(-1, 0), QSize(-1, 0), QSize(-1, 0)};
    // Wrapping labels of up to `lineCap` characters: the text shaped once, until the text or the
    // font changes, and broken into lines again for each new width. Shaping it again for every
    // width the layouts ask about was most of what drawing an answer cost.
    mutable std::unique_ptr<QTextLayout> shaped;
};

} // namespace vesk
