#pragma once

#include "Origin.h"

#include <QDateTime>
#include <QJsonObject>
#include <QObject>
#include <functional>

namespace vesk {

class InkButton;
class ScrollColumn;

// An answer drawn from its reply: the answer text and "Details & corrections", which unfolds one
// row per claim, the sources the answer rests on, "Copy for agent" and its note. It asks the
// daemon for nothing, so the same reply drawn again shows the same claims in the same order.
class AnswerPage : public QObject {
    Q_OBJECT
public:
    struct Callbacks {
        std::function<void()> toggleDetails;
        std::function<void()> copy;
        std::function<void(qint64 frame, const Origin& origin)> openFrame;
        std::function<void(const Origin& origin)> openEntity;
    };

    // Appends the answer to the column; `now` dates the evidence.
    AnswerPage(ScrollColumn& column, const QJsonObject& reply, bool expanded, const QDateTime& now, Callbacks callbacks,
               QObject* parent);

private:
    QWidget* details(const QJsonObject& reply, const QDateTime& now);

    Callbacks callbacks;
};

} // namespace vesk
