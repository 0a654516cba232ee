#include "AskWindow.h"

#include "AskLabel.h"
#include "AskText.h"
#include "Clock.h"
#include "KeyPanel.h"
#include "Ink.h"
#include "OStyle.h"
#include "Row.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QSet>
#include <QVBoxLayout>

namespace vesk {

namespace {

QFont monoSmall()
{
    return OStyle::font(10.5, OStyle::Weight::Regular, OStyle::Design::Monospaced);
}

} // namespace

Row* AskWindow::answerEvidenceRow(const QJsonObject& item)
{
    const std::optional<AskText::EvidenceLines> lines = AskText::evidenceLines(item, clock.now());
    if (!lines)
        return nullptr;
    const int w = width();
    auto* title = new AskLabel(lines->title, Ink::text(), OStyle::font(13.5, OStyle::Weight::Medium),
                               AskLabel::Fit::truncateEnd, w - 14);
    auto* detail = new AskLabel(lines->detail, Ink::muted(), monoSmall(), AskLabel::Fit::truncateMiddle, w - 14);
    auto* meta = new AskLabel(lines->meta, lines->screen ? Ink::text2() : Ink::agent(), monoSmall(),
                              AskLabel::Fit::truncateEnd, w - 14);
    auto* row = new Row(w, {title, detail, meta}, false);
    if (lines->frameId > 0) {
        const QPointer<AskWindow> self(this);
        const Origin origin{0, lines->detail, QStringLiteral("evidence"), 1};
        row->setOnOpen([self, frame = lines->frameId, origin] {
            if (self)
                self->openFrame(frame, origin);
        });
    }
    return row;
}

Row* AskWindow::entityRow(const QJsonObject& node, bool cited)
{
    const std::optional<AskText::EntityLines> lines = AskText::entityLines(node, cited);
    if (!lines)
        return nullptr;
    const int w = width();
    auto* label = new AskLabel(lines->label, Ink::text(), OStyle::font(13.5), AskLabel::Fit::truncateMiddle, w - 14);
    auto* meta = new AskLabel(lines->meta, Ink::muted(), monoSmall(), AskLabel::Fit::truncateEnd, w - 14);
    auto* row = new Row(w, {label, meta}, false);
    const QPointer<AskWindow> self(this);
    row->setOnOpen([self, origin = Origin{lines->id, lines->label, lines->kind, lines->sources}] {
        if (self)
            self->openEntity(origin);
    });
    return row;
}

void AskWindow::addSources(const QList<QJsonObject>& sources, const Origin& origin)
{
    if (!stack)
        return;
    const int w = width();
    const QList<AskText::SourceGroup> groups = AskText::groupSources(sources);
    for (qsizetype i = 0; i < groups.size() && i < AskText::shownGroups; ++i) {
        const AskText::SourceGroup& group = groups[i];
        QList<QWidget*> views{new AskLabel(AskText::groupHeadline(group), Ink::text(), OStyle::font(12.5),
                                           AskLabel::Fit::truncateMiddle, w - 14)};
        if (group.detail)
            views << new AskLabel(*group.detail, Ink::muted(), monoSmall(), AskLabel::Fit::wrap, w - 14);
        if (group.anchor < 1)
            views << new AskLabel(QStringLiteral("from an agent conversation — no pixels to open"), Ink::agent(),
                                  monoSmall(), AskLabel::Fit::wrap, w - 14);
        auto* row = new Row(w, views, false);
        if (group.anchor >= 1) {
            const QPointer<AskWindow> self(this);
            const QPointer<Row> here(row);
            row->setOnOpen([self, here, frame = group.anchor, origin] {
                if (!self || !here)
                    return;
                if (self->citedRow)
                    self->citedRow->setCited(false);
                here->setCited(true);
                self->citedRow = here;
                self->openFrame(frame, origin);
            });
        }
        addView(row);
    }
    if (groups.size() > AskText::shownGroups)
        addView(new AskLabel(QStringLiteral("… and ") + QString::number(groups.size() - AskText::shownGroups)
                                 + QStringLiteral(" more"),
                             Ink::muted(), monoSmall(), AskLabel::Fit::wrap, w));
}

bool AskWindow::copyForAgent()
{
    if (top.kind != Top::Kind::answer)
        return false;
    for (CorrectionState s : correctionStates) {
        if (s == CorrectionState::saving) {
            if (hint)
                hint->setText(QStringLiteral("Wait for the correction to finish before copying."));
            return false;
        }
    }
    QSet<int> corrected;
    for (auto it = correctionStates.cbegin(); it != correctionStates.cend(); ++it)
        if (it.value() == CorrectionState::saved)
            corrected.insert(it.key());
    const std::optional<AskText::Digest> digest = AskText::agentDigest(top.question, top.reply, corrected);
    if (!digest)
        return false;

    QClipboard* board = QGuiApplication::clipboard();
    board->clear();
    board->setText(digest->text);
    if (board->text() != digest->text)
        return false;

    if (hint)
        hint->setText(digest->omitted > 0 ? QStringLiteral("Copied for agent · corrected claims omitted")
                                          : QStringLiteral("Copied for agent · no hidden screen text included"));
    clock.after(1.5, this, [this] { updateHint(); });
    return true;
}

} // namespace vesk
