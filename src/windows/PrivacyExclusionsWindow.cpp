#include "PrivacyExclusionsWindow.h"

#include "DataText.h"
#include "Excluding.h"
#include "InkButton.h"
#include "InkLabel.h"
#include "Json.h"
#include "LoadingSection.h"
#include "OStyle.h"
#include "PlatformServices.h"
#include "Row.h"
#include "SafeText.h"
#include "ScrollColumn.h"
#include "WholeText.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QStyle>
#include <QTimer>
#include <algorithm>

namespace vesk {

using PrivacyText::Mode;

namespace {

// Rows built in one turn of the event loop, and the space between two rows.
constexpr qsizetype rowSlice = 25;
constexpr int rowGap = 3;

using List = void (DaemonClient::*)(const QObject*, DaemonClient::Reading);
using Unblock = void (DaemonClient::*)(qint64, const QObject*, Completion);

List listRequest(Mode mode)
{
    switch (mode) {
    case Mode::websites:
        return &DaemonClient::websiteBlocks;
    case Mode::windowTitles:
        return &DaemonClient::windowTitleBlocks;
    case Mode::applications:
        break;
    }
    return &DaemonClient::appBlocks;
}

Unblock removeRequest(Mode mode)
{
    switch (mode) {
    case Mode::websites:
        return &DaemonClient::unblockWebsite;
    case Mode::windowTitles:
        return &DaemonClient::unblockWindowTitle;
    case Mode::applications:
        break;
    }
    return &DaemonClient::unblockApp;
}

// A theme icon, else a stand-in the style always has. Looked up once a name: each lookup searches
// the theme's folders on the main thread, and a list draws a hundred rows. The icon follows a
// change of theme by itself.
QIcon themed(const QString& name, QStyle::StandardPixmap standIn)
{
    static QHash<QString, QIcon> known;
    auto it = known.constFind(name);
    if (it == known.constEnd())
        it = known.insert(name, QIcon::fromTheme(name, QApplication::style()->standardIcon(standIn)));
    return *it;
}

// What a row shows: its icon, the icon's spoken name, its title and the line under it.
struct RuleLook {
    QIcon icon;
    QString iconName;
    QString title;
    QString detail;
};

RuleLook lookOf(Mode mode, const PrivacyText::Rule& rule, Workspace& workspace)
{
    // The daemon's text, with its direction controls unable to reorder what is shown.
    const QString value = SafeText::isolated(rule.value);
    switch (mode) {
    case Mode::websites:
        return {themed(QStringLiteral("applications-internet"), QStyle::SP_DriveNetIcon), QStringLiteral("Website"),
                value, QStringLiteral("Includes subdomains")};
    case Mode::windowTitles:
        return {themed(QStringLiteral("text-x-generic"), QStyle::SP_FileIcon), QStringLiteral("Window title"), value,
                QStringLiteral("Case-insensitive substring")};
    case Mode::applications:
        break;
    }
    const QIcon generic = themed(QStringLiteral("application-x-executable"), QStyle::SP_ComputerIcon);
    if (const auto app = workspace.application(rule.value))
        return {app->icon.isNull() ? generic : app->icon, QStringLiteral("Application"), app->name, value};
    // Where the platform cannot list applications, the id is all there is to show.
    if (!workspace.listsApplications())
        return {generic, QStringLiteral("Application"), value, value};
    return {themed(QStringLiteral("dialog-question"), QStyle::SP_MessageBoxQuestion),
            QStringLiteral("An application that is no longer installed"), PrivacyText::notInstalled, value};
}

// A rule's icon beside its two lines, placed by the line itself: a list draws a hundred of them,
// and two layout objects a row were a good part of what building the list cost.
class RuleLine : public QWidget {
public:
    explicit RuleLine(const RuleLook& look)
        : icon(new QLabel(this))
        , title(new InkLabel(look.title, Ink::text(), OStyle::font(13, OStyle::Weight::Medium),
                             InkLabel::Fit::truncateEnd, this))
        , detail(new InkLabel(look.detail, Ink::text2(), OStyle::font(11), InkLabel::Fit::truncateMiddle, this))
    {
        icon->setPixmap(look.icon.pixmap(iconSide, iconSide));
        icon->setFixedSize(iconSide, iconSide);
        icon->setToolTip(look.title);
        icon->setAccessibleName(look.iconName);
    }

    QSize sizeHint() const override
    {
        return {words + std::max(title->sizeHint().width(), detail->sizeHint().width()) + across,
                std::max(iconSide, wordsHeight()) + 2 * down};
    }
    QSize minimumSizeHint() const override { return {words + across, iconSide + 2 * down}; }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        place();
    }
    bool event(QEvent* event) override
    {
        // A line changed its font or text: its height may change with it.
        if (event->type() == QEvent::LayoutRequest) {
            updateGeometry();
            place();
            return true;
        }
        return QWidget::event(event);
    }

private:
    static constexpr int iconSide = 36, across = 8, down = 4, gap = 10, between = 2;
    static constexpr int words = across + iconSide + gap;

    int wordsHeight() const { return title->sizeHint().height() + between + detail->sizeHint().height(); }
    void place()
    {
        const int inner = std::max(height() - 2 * down, 0);
        icon->move(across, down + (inner - iconSide) / 2);
        const int width = std::max(this->width() - words - across, 0);
        const int top = down + std::max(inner - wordsHeight(), 0) / 2;
        title->setGeometry(words, top, width, title->sizeHint().height());
        detail->setGeometry(words, top + title->height() + between, width, detail->sizeHint().height());
    }

    QLabel* icon;
    InkLabel* title;
    InkLabel* detail;
};

} // namespace

PrivacyExclusionsWindow::PrivacyExclusionsWindow(DaemonClient& client, Workspace& workspace, Permissions& permissions,
                                                 Alerts& alerts, PresentationMode& presentation, QWidget* parent)
    : ToolWindow(QStringLiteral("Privacy exclusions"), presentation, Qt::Tool, Ink::surface(), parent)
    , client(client)
    , workspace(workspace)
    , permissions(permissions)
    , alerts(alerts)
    , table(addColumn(0))
{
    resize(600, 460);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 20);
    layout->setSpacing(12);

    auto* segments = new QHBoxLayout;
    segments->setSpacing(4);
    for (const Mode mode : {Mode::applications, Mode::websites, Mode::windowTitles}) {
        InkButton* segment = InkButton::make(PrivacyText::copy(mode).segment, InkButton::Tone::quiet,
                                             [this, mode] { changeSection(mode); });
        segment->setCheckable(true);
        segments->addWidget(segment);
        sections << segment;
    }
    segments->addStretch(1);
    layout->addLayout(segments);

    heading = new InkLabel(QString(), Ink::text(), OStyle::font(20, OStyle::Weight::Semibold));
    explanation = new InkLabel(QString(), Ink::text2(), OStyle::font(13));
    table->setMinimumHeight(180);
    layout->addWidget(heading);
    layout->addWidget(explanation);
    layout->addWidget(table, 1);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    add = InkButton::make(QString(), InkButton::Tone::primary, [this] { addExclusion(); });
    remove = InkButton::make(QStringLiteral("Remove selected"), InkButton::Tone::quiet, [this] { removeSelected(); });
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    layout->addWidget(new InkLabel(PrivacyText::note, Ink::text2(), OStyle::font(11)));
    updateCopy();
}

PrivacyExclusionsWindow::~PrivacyExclusionsWindow()
{
    // A flow still running goes with the window, without telling the part of it already gone.
    delete adding;
}

bool PrivacyExclusionsWindow::open()
{
    if (!mayShow())
        return false;
    reload();
    return bringForward();
}

void PrivacyExclusionsWindow::updateCopy()
{
    const PrivacyText::Copy& copy = PrivacyText::copy(current);
    heading->setText(copy.heading);
    explanation->setText(PrivacyText::explanation(current, permissions.need(Permissions::Kind::accessibility).note));
    add->setText(escapeMnemonic(copy.addTitle));
    for (qsizetype i = 0; i < sections.size(); ++i) {
        const bool chosen = PrivacyText::modeOf(int(i)) == current;
        sections[i]->setChecked(chosen);
        sections[i]->setTone(chosen ? InkButton::Tone::primary : InkButton::Tone::quiet);
    }
}

void PrivacyExclusionsWindow::changeSection(Mode mode)
{
    current = mode;
    updateCopy();
    reload();
}

void PrivacyExclusionsWindow::reload()
{
    // A new ticket: the reply of an earlier load, or of the section left, is dropped.
    table->reset();
    isLoaded = false;
    listReplied = false;
    rules.clear();
    excludedValues.clear();
    rows.clear();
    selected = -1;
    add->setEnabled(false);
    remove->setEnabled(false);
    auto* section = new LoadingSection(*table, {}, new InkLabel(PrivacyText::loading, Ink::text2(), OStyle::font(13)));
    section->status()->setAlignment(Qt::AlignHCenter);
    section->addRetry(QStringLiteral("Retry"), [this] { reload(); });
    auto* empty = new InkLabel(PrivacyText::copy(current).empty, Ink::text2(), OStyle::font(13));
    empty->setAlignment(Qt::AlignHCenter);
    table->add(empty);
    empty->hide(); // shown only for a list that loaded empty
    // A list of any length is read, and let go of, on the worker that received it.
    (client.*listRequest(current))(
        section,
        DaemonClient::Reading(&PrivacyText::listing, std::tuple(current),
                              section->bind([this, section, empty](const PrivacyText::Listing& read) {
                                  listed(*section, empty, read);
                              })));
}

void PrivacyExclusionsWindow::listed(LoadingSection& section, InkLabel* empty, const PrivacyText::Listing& read)
{
    // Adding stays possible whatever the list did.
    listReplied = true;
    add->setEnabled(mayAdd());
    if (!read.shown.items) {
        section.fail(DataText::failedRead(PrivacyText::loadFailed, read.shown.said));
        return;
    }
    rules = *read.shown.items;
    excludedValues = read.values;
    isLoaded = true;
    section.hideStatus();
    empty->setVisible(rules.isEmpty());
    auto* block = new QWidget;
    auto* stacked = new QVBoxLayout(block);
    stacked->setContentsMargins(0, 0, 0, 0);
    stacked->setSpacing(rowGap);
    section.insert().view(block);
    addRows(block, read.shown.more);
}

void PrivacyExclusionsWindow::addRows(QWidget* block, qsizetype more)
{
    // A slice of rows is put together off screen and shown at once, and the next slice waits for
    // the next turn of the event loop: a hundred rows built in one go held the window past a frame.
    auto* slice = new QWidget;
    auto* stacked = new QVBoxLayout(slice);
    stacked->setContentsMargins(0, 0, 0, 0);
    stacked->setSpacing(rowGap);
    const qsizetype end = std::min(rules.size(), rows.size() + rowSlice);
    for (qsizetype i = rows.size(); i < end; ++i) {
        Row* row = ruleRow(rules[i]);
        row->onOpened(this, [this, i] { select(i); });
        rows << row;
        stacked->addWidget(row);
    }
    auto* column = static_cast<QVBoxLayout*>(block->layout());
    column->addWidget(slice);
    if (end < rules.size()) {
        QTimer::singleShot(0, block, whileCurrent(table->ticket(), [this, block, more] { addRows(block, more); }));
        return;
    }
    if (more > 0)
        column->addWidget(new InkLabel(PrivacyText::notShown(more, current), Ink::text2(), OStyle::font(11)));
}

Row* PrivacyExclusionsWindow::ruleRow(const PrivacyText::Rule& rule) const
{
    auto* line = new RuleLine(lookOf(current, rule, workspace));
    // Both lines are cut to the window's width: the whole rule is one hover or one copy away, as
    // the daemon holds it (a tool tip of its own needs no isolating, and a pasted rule no marks).
    WholeText::offer(line, rule.value);
    return new Row({line});
}

bool PrivacyExclusionsWindow::mayAdd() const
{
    return listReplied && !adding && (current != Mode::applications || workspace.listsApplications());
}

void PrivacyExclusionsWindow::addExclusion()
{
    if (!mayAdd())
        return;
    // The chooser leaves out the applications already excluded, when the list says which they are.
    const QStringList excluded = isLoaded ? excludedValues : QStringList();
    adding = new Excluding({client, workspace, alerts}, current, excluded, this);
    connect(adding, &Excluding::excluded, this, &PrivacyExclusionsWindow::reload);
    connect(adding, &QObject::destroyed, this, [this] { add->setEnabled(mayAdd()); });
    add->setEnabled(false);
    adding->start();
}

void PrivacyExclusionsWindow::select(qsizetype row)
{
    selected = row;
    for (qsizetype i = 0; i < rows.size(); ++i)
        if (rows[i])
            rows[i]->setCited(i == row);
    // Only a loaded list has rows to choose.
    remove->setEnabled(true);
}

void PrivacyExclusionsWindow::removeSelected()
{
    if (!isLoaded || selected < 0 || selected >= rules.size())
        return;
    const PrivacyText::Rule rule = rules[selected];
    AlertSpec question;
    question.style = AlertSpec::Style::warning;
    question.title = PrivacyText::copy(current).removeQuestion;
    question.text = PrivacyText::removeText(rule.value);
    question.buttons = {QStringLiteral("Remove exclusion"), QStringLiteral("Cancel")};
    question.safe = 1;
    if (alerts.run(question) != 0)
        return;
    remove->setDisabled(true); // one at a time: a second press would ask again about the same rule
    (client.*removeRequest(current))(rule.id, this, [this](Reply reply) {
        if (Json::isKind(reply, u"ok"))
            return reload();
        remove->setEnabled(isLoaded && selected >= 0);
        showError(reply, QStringLiteral("Could not remove that exclusion."));
    });
}

void PrivacyExclusionsWindow::showError(const Reply& reply, const QString& fallback)
{
    AlertSpec notice;
    notice.style = AlertSpec::Style::warning;
    notice.title = fallback;
    notice.text = DataText::failureText(reply);
    notice.buttons = {QStringLiteral("OK")};
    alerts.run(notice);
}

} // namespace vesk
