#pragma once

#include "InkButton.h"

#include <QAbstractButton>
#include <QLabel>
#include <QTest>

// What the user sees of a widget tree: its visible widgets, the texts of its labels and its buttons
// by the titles they read. The window fixtures read their windows through these.
namespace vesk::test {

// The visible widgets of type W under `root`, in the order they were made (top to bottom).
template <class W> QList<W*> visibleUnder(const QWidget* root)
{
    QList<W*> out;
    for (W* w : root->findChildren<W*>())
        if (w->isVisibleTo(root))
            out << w;
    return out;
}

enum class Empty { skip, keep };

// The texts of the visible labels of type L under `root`.
template <class L = QLabel> QStringList visibleTexts(const QWidget* root, Empty empty = Empty::skip)
{
    QStringList out;
    for (L* label : visibleUnder<L>(root))
        if (empty == Empty::keep || !label->text().isEmpty())
            out << label->text();
    return out;
}

// A button's title as the user reads it: "&&" shows as "&", and padding spaces are not read.
inline QString titleOf(const QAbstractButton* b)
{
    return b->text().trimmed().replace(QStringLiteral("&&"), QStringLiteral("&"));
}

template <class B = InkButton> QList<B*> visibleButtons(const QWidget* root, const QString& title)
{
    QList<B*> out;
    for (B* b : visibleUnder<B>(root))
        if (titleOf(b) == title)
            out << b;
    return out;
}

template <class B = InkButton> B* visibleButton(const QWidget* root, const QString& title)
{
    const QList<B*> found = visibleButtons<B>(root, title);
    return found.isEmpty() ? nullptr : found.first();
}

// A click as the user makes it: with the primary button, once the view has been laid out where it
// can be hit.
inline void click(QWidget* view)
{
    QVERIFY(view);
    QTRY_VERIFY(view->width() > 5 && view->height() > 5);
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(5, 5));
}

// Clicks the visible, enabled button titled `title`; fails the test when there is none.
inline void clickButton(const QWidget* root, const QString& title)
{
    QAbstractButton* b = visibleButton<QAbstractButton>(root, title);
    QVERIFY2(b && b->isEnabled(), qPrintable(QStringLiteral("no enabled button ") + title));
    click(b);
}

} // namespace vesk::test
