#include "DataWindow.h"

#include "DataText.h"
#include "HandoffRow.h"
#include "InkButton.h"
#include "InkLabel.h"
#include "Json.h"
#include "LoadingSection.h"
#include "OStyle.h"
#include "Row.h"
#include "SafeText.h"
#include "ScrollColumn.h"
#include "WholeText.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

namespace vesk {

namespace {

const QString retryTitle = QStringLiteral("Retry");

InkLabel* bodyLine(const QString& text)
{
    return new InkLabel(text, Ink::text(), OStyle::font(13.5));
}

InkLabel* metaLine(const QString& text)
{
    return new InkLabel(text, Ink::muted(), OStyle::font(11.5));
}

// The wrapping monospaced status lines, whose columns line up.
InkLabel* monoLine(const QString& text)
{
    return new InkLabel(text, Ink::text2(), OStyle::font(11.5, OStyle::Weight::Regular, OStyle::Design::Monospaced));
}

QWidget* stackOf(int spacing)
{
    auto* stack = new QWidget;
    auto* layout = new QVBoxLayout(stack);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return stack;
}

// Appends a view to a stack already on screen and shows it at once, as the column does, so the
// section is complete when its reply has been read.
void append(QWidget* stack, QWidget* view)
{
    stack->layout()->addWidget(view);
    view->setVisible(!view->isHidden() || !view->testAttribute(Qt::WA_WState_ExplicitShowHide));
}

// The command that connects a tool, on a sunken field the keyboard can reach, select and copy.
QWidget* commandField(const AgentConnection& c)
{
    // Without control characters, so what is selected and copied cannot run more than it shows.
    const QString command = SafeText::clipboardCommand(c.command);
    auto* field
        = new OStyle::Inked<QLineEdit>({{QPalette::Base, &Ink::sunken()}, {QPalette::Text, &Ink::text()}}, command);
    // A line edit lays its whole text out in one line: a command no one could read is cut, and
    // copied whole from its context menu.
    field->setMaxLength(int(DataText::shownCommand));
    WholeText::offerIfLonger(field, command, DataText::shownCommand);
    field->setReadOnly(true);
    field->setFrame(false);
    field->setFont(OStyle::font(12, OStyle::Weight::Regular, OStyle::Design::Monospaced));
    field->setAccessibleName(QStringLiteral("Command that connects ") + c.name);
    field->setCursorPosition(0);
    return field;
}

} // namespace

DataWindow::DataWindow(DaemonClient& client, Alerts& alerts, PresentationMode& presentation, QWidget* parent)
    : ToolWindow(QStringLiteral("Your data"), presentation, Qt::Tool, Ink::ground(), parent)
    , client(client)
    , alerts(alerts)
    , stack(addColumn(24))
{
    resize(width, 620);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 22, 0, 22);
    layout->addWidget(stack);
}

DataWindow::~DataWindow() = default;

bool DataWindow::open()
{
    if (!bringForward())
        return false;
    reload();
    return true;
}

void DataWindow::reload(int scrolledTo)
{
    stack->reset();
    const int textWidth = width - 48;
    addHandoffs(textWidth);
    addConnections(textWidth);
    addStorage(textWidth);
    addProfile(textWidth);
    addChanges(textWidth);
    // Once the column has laid itself out; a place further down is taken again each time the
    // replies change the column's height, until the user scrolls.
    QScrollBar* bar = stack->verticalScrollBar();
    auto* placing = new QObject(stack->content());
    QTimer::singleShot(0, placing, [bar, scrolledTo] { bar->setValue(scrolledTo); });
    if (scrolledTo > 0) {
        connect(bar, &QScrollBar::rangeChanged, placing, [bar, scrolledTo] { bar->setValue(scrolledTo); });
        connect(bar, &QAbstractSlider::actionTriggered, placing, &QObject::deleteLater);
        connect(bar, &QAbstractSlider::sliderPressed, placing, &QObject::deleteLater);
    }
}

void DataWindow::closeSection(int textWidth)
{
    stack->space(12);
    stack->add(OStyle::rule(textWidth));
    stack->space(12);
}

void DataWindow::addHandoffs(int textWidth)
{
    auto* section = new LoadingSection(*stack, DataText::handoffsHeading, bodyLine("Loading what Vesk has sent…"));
    section->addRetry(retryTitle, [this] { reload(); });
    QWidget* rows = stackOf(12);
    stack->add(rows);
    closeSection(textWidth);
    // A reply of any length is read, and let go of, on the worker that received it.
    client.recentDeliveries(
        8, section,
        DaemonClient::Reading(&DataText::handoffList, section->bind([this, section, rows](const Handoffs& read) {
            handoffs(*section, rows, read);
        })));
}

void DataWindow::handoffs(LoadingSection& section, QWidget* rows, const Handoffs& read)
{
    if (!read.items) {
        section.fail(DataText::failedRead(DataText::handoffsFailed, read.said));
        return;
    }
    const QList<DataText::Handoff>& kept = *read.items;
    if (kept.isEmpty()) {
        section.setStatus(DataText::nothingSent);
        return;
    }
    section.setStatus(DataText::handoffsExplained);
    // The rows are put together off screen and shown at once: the column is laid out once, not once
    // a row. The three newest stay in view; the earlier ones fold behind a button.
    QWidget* block = stackOf(12);
    QWidget* older = stackOf(12);
    olderDeliveryRows = older;
    for (qsizetype tag = 0; tag < kept.size(); ++tag)
        (tag < 3 ? block : older)->layout()->addWidget(new HandoffRow(kept.at(tag), client, section));
    if (kept.size() >= 4) {
        InkButton* unfold = InkButton::make(QStringLiteral("Show earlier handoffs"), InkButton::Tone::quiet);
        connect(unfold, &QPushButton::clicked, this, [this, unfold] { toggleEarlierDeliveries(unfold); });
        block->layout()->addWidget(unfold);
        older->hide();
        block->layout()->addWidget(older);
    } else {
        delete older;
    }
    if (read.more > 0)
        block->layout()->addWidget(metaLine(DataText::notShown(read.more, QStringLiteral("handoff"))));
    append(rows, block);
}

void DataWindow::toggleEarlierDeliveries(InkButton* button)
{
    if (!olderDeliveryRows)
        return;
    const bool show = olderDeliveryRows->isHidden();
    olderDeliveryRows->setVisible(show);
    button->setText(show ? QStringLiteral("Hide earlier handoffs") : QStringLiteral("Show earlier handoffs"));
}

void DataWindow::addConnections(int textWidth)
{
    auto* section = new LoadingSection(*stack, DataText::connectionsHeading, monoLine("Checking agent connections…"));
    section->addRetry(retryTitle, [this] { reload(); });
    QWidget* rows = stackOf(10);
    connectionRows = rows;
    stack->add(rows);
    closeSection(textWidth);
    client.connections(section,
                       DaemonClient::Reading(&DataText::toolList, section->bind([this, section](const Tools& read) {
                           connections(*section, read);
                       })));
}

void DataWindow::connections(LoadingSection& section, const Tools& read)
{
    if (!read.items) {
        section.fail(DataText::failedRead(DataText::connectionsFailed, read.said));
        return;
    }
    if (!connectionRows)
        return;
    section.hideStatus();
    // Put together off screen and shown at once, so the column is laid out once.
    QWidget* block = stackOf(10);
    block->layout()->addWidget(bodyLine(DataText::agentsReadOnly));
    for (const AgentConnection& tool : *read.items) {
        auto* line = new InkLabel(DataText::connectionLine(tool), tool.registered ? Ink::text() : Ink::text2(),
                                  OStyle::font(13, tool.registered ? OStyle::Weight::Medium : OStyle::Weight::Regular),
                                  InkLabel::Fit::truncateEnd);
        // Cut to the window's width: the whole name is one hover or one copy away.
        WholeText::offer(line, tool.name);
        QList<QWidget*> views{line};
        if (tool.connectable())
            views << commandField(tool);
        block->layout()->addWidget(new Row(views, Row::Frame::plain));
    }
    if (read.more > 0)
        block->layout()->addWidget(metaLine(DataText::notShown(read.more, QStringLiteral("agent tool"))));
    append(connectionRows, block);
}

void DataWindow::addStorage(int textWidth)
{
    auto* section = new LoadingSection(*stack, DataText::machineHeading, monoLine("Loading storage totals…"));
    InkLabel* retention = bodyLine(QStringLiteral("Loading retention policy…"));
    stack->add(retention);
    section->addRetry(
        retryTitle, [this] { reload(); }, retention);
    stack->add(metaLine(DataText::retentionNote));
    InkButton* remove = InkButton::make(QStringLiteral("Delete expired pixels now"), InkButton::Tone::primary,
                                        [this] { deleteExpiredPixels(); });
    remove->setEnabled(false);
    deleteExpiredButton = remove;
    stack->add(remove);
    client.status(section, section->bind([this, section, retention](Reply r) { storage(*section, retention, r); }));
    stack->add(metaLine(DataText::encryptedNote));
    closeSection(textWidth);
}

void DataWindow::storage(LoadingSection& section, InkLabel* retention, const Reply& reply)
{
    if (!reply) {
        section.fail(DataText::failedRead(DataText::storageUnreachable, reply));
        retention->setText(DataText::retentionFailed);
        return;
    }
    const DataText::Storage read = DataText::storage(*reply);
    section.setStatus(read.storage);
    retention->setText(read.retention);
    expiredFrames = read.expiredFrames;
    expiredBytes = read.expiredBytes;
    if (deleteExpiredButton)
        deleteExpiredButton->setEnabled(expiredFrames.value_or(0) > 0);
}

void DataWindow::addProfile(int textWidth)
{
    auto* section = new LoadingSection(*stack, DataText::profileHeading,
                                       bodyLine(QStringLiteral("Loading what Vesk says about you…")));
    InkLabel* meta = metaLine(QString());
    stack->add(meta);
    meta->hide();
    section->addRetry(
        retryTitle, [this] { reload(); }, meta);
    closeSection(textWidth);
    client.profile(section, section->bind([this, section, meta](Reply r) { profile(*section, meta, r); }));
}

void DataWindow::profile(LoadingSection& section, InkLabel* meta, const Reply& reply)
{
    const DataText::Profile read = DataText::profile(reply);
    if (read.failed) {
        section.fail(DataText::failedRead(read.body, reply));
    } else {
        section.setStatus(read.body);
        WholeText::offerIfLonger(section.status(), read.body, InkLabel::wrapCap);
    }
    meta->setText(read.meta);
    meta->setVisible(!read.meta.isEmpty());
}

void DataWindow::addChanges(int textWidth)
{
    stack->add(OStyle::section(DataText::changeHeading));
    stack->add(bodyLine(DataText::changeBody));
    stack->add(metaLine(DataText::changeMeta));
    closeSection(textWidth);
}

void DataWindow::deleteExpiredPixels()
{
    // An unavailable count is never a reason to delete.
    const qint64 frames = expiredFrames.value_or(0);
    if (frames < 1)
        return;
    AlertSpec ask;
    ask.style = AlertSpec::Style::warning;
    ask.title = QStringLiteral("Delete expired screenshot pixels?");
    ask.text = DataText::deleteQuestion(frames, expiredBytes);
    ask.buttons = {QStringLiteral("Delete expired pixels"), QStringLiteral("Cancel")};
    ask.safe = 1;
    ask.destructive = 0;
    if (alerts.run(ask) != 0)
        return;
    if (deleteExpiredButton)
        deleteExpiredButton->setEnabled(false);
    // The deletion was confirmed: its report comes even when the window was closed meanwhile.
    // The window is filled again where the user asked from.
    const int place = stack->verticalScrollBar()->value();
    client.deleteExpiredPixels(this, [this, place](Reply reply) {
        const DataText::Outcome outcome = DataText::deletion(reply);
        if (!outcome.deleted && deleteExpiredButton)
            deleteExpiredButton->setEnabled(true);
        AlertSpec told;
        told.style = outcome.deleted ? AlertSpec::Style::informational : AlertSpec::Style::warning;
        told.title = outcome.title;
        told.text = outcome.text;
        told.buttons = {QStringLiteral("OK")};
        alerts.run(told);
        if (outcome.deleted)
            reload(place);
    });
}

} // namespace vesk
