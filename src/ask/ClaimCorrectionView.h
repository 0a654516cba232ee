#pragma once

#include "CorrectionText.h"

#include <QWidget>
#include <optional>

namespace vesk {

// The view under one claim of an answer through which the user says the sentence is wrong, and
// how: one of three judgements, or, when the answer model proposed two readings of the same
// evidence, which reading is wrong. It shows where the correction stands: the choices (folded
// behind "Where is this wrong?"), "Saving correction…", the receipt with its evidence links
// (folded behind "Inspect correction evidence"), or the choices again with the news that the last
// one was not confirmed. It sends nothing itself: it says what was chosen through its signals. It
// takes the width its row gives it. Every change draws it again; the keyboard stays where it was:
// on the control pressed when it is drawn again (a fold's button under its new title), else on the
// first control, and on the view itself while nothing can be pressed.
class ClaimCorrectionView : public QWidget {
    Q_OBJECT
public:
    using Interpretation = CorrectionText::Interpretation;
    using Evidence = CorrectionText::Evidence;
    using State = CorrectionText::State;

    // A view for a claim resting on `sourceCount` frames.
    ClaimCorrectionView(qsizetype sourceCount, QList<Interpretation> interpretations, std::optional<Evidence> evidence,
                        State state, QWidget* parent = nullptr);

    void setEvidence(std::optional<Evidence> evidence);
    // A failed correction opens the choices again, a saved one folds its links; the others leave
    // them as they are.
    void setState(State state);
    State state() const { return current; }
    // Folds what is unfolded, unless a correction is being saved; false when nothing was folded.
    bool collapse();

signals:
    // A reading was marked wrong.
    void interpretationRejected(const vesk::CorrectionText::Interpretation& interpretation);
    // A related memory: kind "entity" or "relationship", and its id.
    void memoryInspected(const QString& kind, qint64 id);
    void sourceInspected(qint64 frame);
    // A judgement was chosen ("fact_wrong", "source_unsupported" or "stale").
    void judgementChosen(const QString& judgement);

private:
    // A button drawn and what it does, so the same control is found again after a redraw.
    struct Control {
        QWidget* widget;
        QString key;
    };
    friend class CorrectionParts;

    void render();
    void toggle();
    void drawReceipt();
    void drawChoices();

    QList<Interpretation> interpretations;
    std::optional<Evidence> evidence;
    State current;
    bool expanded = false;
    qsizetype sourceCount;
    // The buttons drawn for the current state; the parts in the layout are replaced as a whole on
    // every change.
    QList<Control> controls;
    // The control last pressed, by what it does.
    QString pressed;
};

} // namespace vesk
