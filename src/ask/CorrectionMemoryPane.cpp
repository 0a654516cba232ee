#include "CorrectionMemoryPane.h"

#include "CorrectionText.h"
#include "InkButton.h"
#include "InkLabel.h"
#include "LoadingSection.h"
#include "OStyle.h"
#include "ScrollColumn.h"

namespace vesk {

CorrectionMemoryPane::CorrectionMemoryPane(ScrollColumn& inspector, DaemonClient& client, const QString& kind,
                                           qint64 id, std::function<void(qint64, const Origin&)> openFrame)
    : Page(inspector)
    , client(client)
    , kind(kind)
    , id(id)
    , openFrame(std::move(openFrame))
{
}

bool CorrectionMemoryPane::shows(const QString& kind, qint64 id)
{
    return (kind == u"entity" || kind == u"relationship") && id >= 1;
}

void CorrectionMemoryPane::open()
{
    fresh();
    opening = new LoadingSection(
        column, {},
        new InkLabel(QStringLiteral("Opening ") + kind + QStringLiteral("…"), Ink::muted(), OStyle::monoSmall()));
    // Trying again opens the same memory afresh.
    opening->addRetry(QStringLiteral("Try again"), [this] { open(); });
    const auto done = opening->bind([this](Reply reply) { render(reply); });
    if (kind == u"entity")
        client.why(id, opening, done);
    else
        client.relationEvidence(id, opening, done);
}

void CorrectionMemoryPane::render(const Reply& reply)
{
    const std::optional<CorrectionText::Memory> memory = CorrectionText::memory(reply, kind);
    column.scrollToTop();
    if (!memory) {
        opening->fail(CorrectionText::unavailable(kind));
        return;
    }
    opening->hideStatus();
    ColumnInsert add = opening->insert();
    const auto note = [&add](const QString& text) { add.view(new InkLabel(text, Ink::muted(), OStyle::monoSmall())); };
    add.view(new InkLabel(memory->label, Ink::text(), OStyle::pageTitle(), InkLabel::Fit::truncateMiddle));
    note(CorrectionText::memoryLine(kind, memory->total));
    note(QStringLiteral("Shares evidence with the correction. This does not establish that the memory is wrong."));
    // A source opened from here goes back to this memory.
    const Origin origin{id, memory->label, kind, memory->total};
    for (qsizetype i = 0; i < memory->frames.size(); ++i)
        add.view(InkButton::make(QStringLiteral("Open source ") + QString::number(i + 1), InkButton::Tone::quiet,
                                 [this, origin, frame = memory->frames[i]] { openFrame(frame, origin); }));
    if (const auto showing = CorrectionText::showingLine(*memory))
        note(*showing);
    column.scrollToTop();
}

} // namespace vesk
