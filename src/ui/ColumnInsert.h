#pragma once

#include <QBoxLayout>
#include <QWidget>

namespace vesk {

// Puts views into a column directly below an anchor view, each below the one before, so a reply
// fills its own place whatever the other replies of the page have already added.
class ColumnInsert {
public:
    ColumnInsert(QBoxLayout* layout, QWidget* anchor)
        : layout(layout)
        , at(layout && anchor ? layout->indexOf(anchor) + 1 : 0)
    {
    }
    // False when the anchor is no longer in the column: then nothing is put in, and views given
    // are deleted.
    bool valid() const { return at > 0; }
    void view(QWidget* v)
    {
        if (!valid()) {
            delete v;
            return;
        }
        layout->insertWidget(at++, v);
        v->show();
    }
    void space(int height)
    {
        if (valid())
            layout->insertSpacing(at++, height);
    }

private:
    QBoxLayout* layout;
    int at;
};

} // namespace vesk
