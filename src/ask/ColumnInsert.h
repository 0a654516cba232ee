#pragma once

#include <QVBoxLayout>
#include <QWidget>

namespace vesk {

// Puts views into a column directly below an anchor view, each below the one before, so a reply
// fills its own place whatever the other replies of the page have already added.
class ColumnInsert {
public:
    ColumnInsert(QVBoxLayout* layout, QWidget* anchor)
        : layout(layout)
        , at(layout && anchor ? layout->indexOf(anchor) + 1 : 0)
    {
    }
    // False when the anchor is no longer in the column.
    bool valid() const { return at > 0; }
    void view(QWidget* v)
    {
        layout->insertWidget(at++, v, 0, Qt::AlignLeft);
        v->show();
    }
    void space(int height) { layout->insertSpacing(at++, height); }

private:
    QVBoxLayout* layout;
    int at;
};

} // namespace vesk
