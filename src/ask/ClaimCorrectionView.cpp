#include "ClaimCorrectionView.h"

#include "InkButton.h"
#include "InkLabel.h"
#include "MemoryEditText.h"
#include "OStyle.h"
#include "Phrases.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace vesk {

using Kind = CorrectionText::State::Kind;

namespace {

// Takes a part out of the view: hidden now, deleted once the click that may have come from it is over.
void release(QLayoutItem* item)
{
    if (QWidget* part = item->widget()) {
        part->hide();
        part->deleteLater();
    } else if (QLayout* line = item->layout()) {
        while (QLayoutItem* inner = line->takeAt(0))
            release(inner);
    }
    delete item;
}

void showAll(const QLayout& layout)
{
    for (int i = 0; i < layout.count(); ++i) {
        QLayoutItem* item = layout.itemAt(i);
        if (QWidget* part = item->widget())
            part->show();
        else if (const QLayout* line = item->layout())
            showAll(*line);
    }
}

} // namespace

// The view's parts, stacked in the view's own layout with 8 points between them rather than in a
// widget of their own: an answer builds a view per claim, and each widget is paid for in building
// and deleting the answer. Each button is registered with what it does (`key`), which it records
// as pressed before it acts.
class CorrectionParts {
public:
    explicit CorrectionParts(ClaimCorrectionView& view)
        : view(view)
        , layout(static_cast<QVBoxLayout*>(view.layout()))
    {
    }
    void primary(const QString& text) { layout->addWidget(label(text, Ink::text())); }
    void secondary(const QString& text) { layout->addWidget(label(text, Ink::text2())); }
    void button(const QString& title, const QString& key, std::function<void()> action)
    {
        layout->addWidget(make(title, key, std::move(action)), 0, Qt::AlignLeft);
    }
    InkButton* make(const QString& title, const QString& key, std::function<void()> action)
    {
        InkButton* made = InkButton::make(title, InkButton::Tone::quiet, [owner = &view, key, action] {
            owner->pressed = key;
            action();
        });
        view.controls.append({made, key});
        return made;
    }
    // A line of views side by side, 8 points apart, left-aligned.
    void line(const QList<QWidget*>& views)
    {
        auto* row = new QHBoxLayout;
        row->setSpacing(8);
        for (QWidget* v : views)
            row->addWidget(v);
        row->addStretch(1);
        layout->addLayout(row);
    }
    static InkLabel* label(const QString& text, const InkColor& colour)
    {
        return new InkLabel(text, colour, OStyle::font(12));
    }

private:
    ClaimCorrectionView& view;
    QVBoxLayout* layout;
};

ClaimCorrectionView::ClaimCorrectionView(qsizetype sourceCount, QList<Interpretation> interpretations,
                                         std::optional<Evidence> evidence, State state, QWidget* parent)
    : QWidget(parent)
    , interpretations(std::move(interpretations))
    , evidence(std::move(evidence))
    , sourceCount(sourceCount)
{
    // Holds the keyboard while a correction is saved and none of its buttons is drawn.
    setAccessibleName(QStringLiteral("Correction of this claim"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    setState(std::move(state));
}

void ClaimCorrectionView::setEvidence(std::optional<Evidence> links)
{
    evidence = std::move(links);
    render();
}

void ClaimCorrectionView::setState(State state)
{
    current = std::move(state);
    // A failure opens the choices again for the retry; a receipt comes with its links folded.
    if (current.kind == Kind::failed || current.kind == Kind::saved)
        expanded = current.kind == Kind::failed;
    render();
}

bool ClaimCorrectionView::collapse()
{
    if (!expanded || current.kind == Kind::saving)
        return false;
    expanded = false;
    render();
    return true;
}

void ClaimCorrectionView::toggle()
{
    expanded = !expanded;
    render();
}

void ClaimCorrectionView::render()
{
    const QWidget* focused = QApplication::focusWidget();
    const bool holdsKeyboard = focused && (focused == this || isAncestorOf(focused));
    // The button whose click brought us here is among the old parts: it goes once its click is over.
    // The keyboard waits on the view meanwhile, rather than moving on to whatever follows it.
    if (holdsKeyboard)
        setFocus(Qt::OtherFocusReason);
    while (QLayoutItem* item = layout()->takeAt(0))
        release(item);
    controls.clear();
    if (current.kind == Kind::saving)
        CorrectionParts(*this).secondary(QStringLiteral("Saving correction…"));
    else if (current.kind == Kind::saved)
        drawReceipt();
    else
        drawChoices();
    // Together once drawn: parts added to a view on screen would otherwise show one by one, on
    // later turns of the event loop.
    showAll(*layout());
    if (!holdsKeyboard || controls.isEmpty())
        return;
    QWidget* next = controls.first().widget;
    for (const Control& control : std::as_const(controls))
        if (control.key == pressed)
            next = control.widget;
    next->setFocus(Qt::OtherFocusReason);
}

void ClaimCorrectionView::drawReceipt()
{
    CorrectionParts parts(*this);
    parts.primary(current.receipt);
    if (!interpretations.isEmpty())
        parts.secondary(QStringLiteral("Rejecting one interpretation does not confirm the other."));
    parts.secondary(QStringLiteral("Related memories share this evidence; they were not rewritten."));
    if (!evidence) {
        parts.secondary(QStringLiteral("Evidence links are unavailable from this version of the service."));
        return;
    }
    if (evidence->unreadable) {
        parts.secondary(QStringLiteral("Vesk could not read the evidence links of this correction; this is not an "
                                       "empty list."));
        return;
    }
    if (evidence->empty()) {
        parts.secondary(QStringLiteral("No source evidence is linked to this correction."));
        return;
    }
    parts.button(expanded ? QStringLiteral("Hide correction evidence") : QStringLiteral("Inspect correction evidence"),
                 QStringLiteral("toggle"), [this] { toggle(); });
    if (!expanded)
        return;
    const auto more = [&](const CorrectionText::Links& links, const QString& many) {
        if (links.more > 0)
            parts.secondary(QStringLiteral("… and ") + QString::number(links.more) + QLatin1Char(' ') + many);
    };
    for (qsizetype i = 0; i < evidence->frames.ids.size(); ++i)
        parts.button(QStringLiteral("Open source ") + QString::number(i + 1), QStringLiteral("source %1").arg(i),
                     [this, frame = evidence->frames.ids[i]] { emit sourceInspected(frame); });
    more(evidence->frames, QStringLiteral("more sources"));
    const auto memories = [&](const CorrectionText::Links& links, const QString& kind, const QString& many) {
        for (qsizetype i = 0; i < links.ids.size(); ++i)
            parts.button(QStringLiteral("Inspect ") + kind + QLatin1Char(' ') + QString::number(i + 1),
                         kind + QLatin1Char(' ') + QString::number(i),
                         [this, kind, id = links.ids[i]] { emit memoryInspected(kind, id); });
        more(links, many);
    };
    memories(evidence->nodes, QStringLiteral("entity"), QStringLiteral("more entities"));
    memories(evidence->relations, QStringLiteral("relationship"), QStringLiteral("more relationships"));
    if (evidence->truncated)
        parts.secondary(QStringLiteral("This receipt includes a limited set of evidence links."));
}

void ClaimCorrectionView::drawChoices()
{
    CorrectionParts parts(*this);
    const bool failed = current.kind == Kind::failed;
    if (interpretations.size() == 2) {
        parts.primary(QStringLiteral("I may have misread this. Which interpretation is wrong?"));
        parts.secondary(
            QStringLiteral("These are model-proposed interpretations. Check the quoted evidence before judging."));
        for (qsizetype i = 0; i < interpretations.size(); ++i) {
            const Interpretation reading = interpretations[i];
            const QString n = QString::number(i + 1);
            parts.primary(n + QStringLiteral(". ") + reading.text);
            parts.secondary(QStringLiteral("“") + reading.quote + QStringLiteral("”"));
            parts.line(
                {parts.make(QStringLiteral("Mark interpretation ") + n + QStringLiteral(" wrong"),
                            QStringLiteral("reject ") + n, [this, reading] { emit interpretationRejected(reading); }),
                 parts.make(QStringLiteral("Inspect source"), QStringLiteral("reading ") + n,
                            [this, reading] { emit sourceInspected(reading.frame); })});
        }
        if (failed)
            parts.secondary(QStringLiteral("The correction was not confirmed. Choose again to retry."));
    }
    parts.line({new InkLabel(countPhrase(sourceCount, QStringLiteral("source")), Ink::text2(), OStyle::font(12),
                             InkLabel::Fit::truncateEnd),
                parts.make(expanded ? QStringLiteral("Cancel correction") : QStringLiteral("Where is this wrong?"),
                           QStringLiteral("toggle"), [this] { toggle(); })});
    if (!expanded)
        return;
    if (failed)
        parts.secondary(MemoryEditText::withDaemonWords(
            QStringLiteral("Vesk could not confirm the correction. Choose again to retry."), current.said));
    else
        parts.primary(QStringLiteral("I may have got this sentence wrong. What needs correcting?"));
    for (qsizetype i = 0; i < CorrectionText::choices.size(); ++i)
        parts.button(CorrectionText::choices[i], CorrectionText::judgements[i],
                     [this, judgement = CorrectionText::judgements[i]] { emit judgementChosen(judgement); });
}

} // namespace vesk
