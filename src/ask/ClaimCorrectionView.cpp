#include "ClaimCorrectionView.h"

#include "InkButton.h"
#include "InkLabel.h"
#include "OStyle.h"
#include "Phrases.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace vesk {

namespace {

using Kind = CorrectionText::State::Kind;

// The view's parts, stacked in `body` with 8 points between them.
class Parts {
public:
    explicit Parts(QWidget* body)
        : layout(new QVBoxLayout(body))
    {
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(8);
    }
    void primary(const QString& text) { layout->addWidget(label(text, Ink::text())); }
    void secondary(const QString& text) { layout->addWidget(label(text, Ink::text2())); }
    void button(const QString& title, std::function<void()> action)
    {
        layout->addWidget(InkButton::make(title, InkButton::Tone::quiet, std::move(action)), 0, Qt::AlignLeft);
    }
    // A line of views side by side, 8 points apart, left-aligned.
    void line(const QList<QWidget*>& views)
    {
        auto* row = new QHBoxLayout;
        row->setSpacing(8);
        for (QWidget* view : views)
            row->addWidget(view);
        row->addStretch(1);
        layout->addLayout(row);
    }
    static InkLabel* label(const QString& text, const InkColor& colour)
    {
        return new InkLabel(text, colour, OStyle::font(12));
    }

private:
    QVBoxLayout* layout;
};

} // namespace

ClaimCorrectionView::ClaimCorrectionView(qsizetype sourceCount, QList<Interpretation> interpretations,
                                         std::optional<Evidence> evidence, State state, QWidget* parent)
    : QWidget(parent)
    , interpretations(std::move(interpretations))
    , evidence(std::move(evidence))
    , sourceCount(sourceCount)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
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
    // The button whose click brought us here is in the old body: it goes once its click is over.
    if (body) {
        body->hide();
        body->deleteLater();
    }
    body = new QWidget(this);
    layout()->addWidget(body);
    if (current.kind == Kind::saving)
        Parts(body).secondary(QStringLiteral("Saving correction…"));
    else if (current.kind == Kind::saved)
        drawReceipt();
    else
        drawChoices();
    body->show();
}

void ClaimCorrectionView::drawReceipt()
{
    Parts parts(body);
    parts.primary(current.receipt);
    if (!interpretations.isEmpty())
        parts.secondary(QStringLiteral("Rejecting one interpretation does not confirm the other."));
    parts.secondary(QStringLiteral("Related memories share this evidence; they were not rewritten."));
    if (!evidence) {
        parts.secondary(QStringLiteral("Evidence links are unavailable from this version of the service."));
        return;
    }
    if (evidence->empty()) {
        parts.secondary(QStringLiteral("No source evidence is linked to this correction."));
        return;
    }
    parts.button(expanded ? QStringLiteral("Hide correction evidence") : QStringLiteral("Inspect correction evidence"),
                 [this] { toggle(); });
    if (!expanded)
        return;
    for (qsizetype i = 0; i < evidence->frames.size(); ++i)
        parts.button(QStringLiteral("Open source ") + QString::number(i + 1),
                     [this, frame = evidence->frames[i]] { emit sourceInspected(frame); });
    const auto memories = [&](const QList<qint64>& ids, const QString& kind) {
        for (qsizetype i = 0; i < ids.size(); ++i)
            parts.button(QStringLiteral("Inspect ") + kind + QLatin1Char(' ') + QString::number(i + 1),
                         [this, kind, id = ids[i]] { emit memoryInspected(kind, id); });
    };
    memories(evidence->nodes, QStringLiteral("entity"));
    memories(evidence->relations, QStringLiteral("relationship"));
    if (evidence->truncated)
        parts.secondary(QStringLiteral("This receipt includes a limited set of evidence links."));
}

void ClaimCorrectionView::drawChoices()
{
    Parts parts(body);
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
                {InkButton::make(QStringLiteral("Mark interpretation ") + n + QStringLiteral(" wrong"),
                                 InkButton::Tone::quiet, [this, reading] { emit interpretationRejected(reading); }),
                 InkButton::make(QStringLiteral("Inspect source"), InkButton::Tone::quiet,
                                 [this, reading] { emit sourceInspected(reading.frame); })});
        }
        if (failed)
            parts.secondary(QStringLiteral("The correction was not confirmed. Choose again to retry."));
    }
    parts.line({new InkLabel(countPhrase(sourceCount, QStringLiteral("source")), Ink::text2(), OStyle::font(12),
                             InkLabel::Fit::truncateEnd),
                InkButton::make(expanded ? QStringLiteral("Cancel correction") : QStringLiteral("Where is this wrong?"),
                                InkButton::Tone::quiet, [this] { toggle(); })});
    if (!expanded)
        return;
    if (failed)
        parts.secondary(QStringLiteral("Vesk could not confirm the correction. Choose again to retry."));
    else
        parts.primary(QStringLiteral("I may have got this sentence wrong. What needs correcting?"));
    for (qsizetype i = 0; i < CorrectionText::choices.size(); ++i)
        parts.button(CorrectionText::choices[i],
                     [this, judgement = CorrectionText::judgements[i]] { emit judgementChosen(judgement); });
}

} // namespace vesk
