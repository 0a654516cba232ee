#include "FramePane.h"

#include "DaemonClient.h"
#include "EditDialogs.h"
#include "FrameImage.h"
#include "FrameText.h"
#include "FrameView.h"
#include "FrameWindow.h"
#include "InkButton.h"
#include "InkLabel.h"
#include "Json.h"
#include "LoadingSection.h"
#include "OStyle.h"
#include "ScrollColumn.h"

namespace vesk {

FramePane::FramePane(ScrollColumn& inspector, DaemonClient& client, Alerts& alerts, FrameWindow& viewer, qint64 frame,
                     const Origin& origin)
    : Page(inspector)
    , client(client)
    , alerts(alerts)
    , viewer(viewer)
    , frame(frame)
    , origin(origin)
{
}

void FramePane::open()
{
    fresh();
    opening = new LoadingSection(column, {},
                                 new InkLabel(QStringLiteral("opening the frame…"), Ink::muted(), OStyle::monoSmall()));
    client.frame(frame, opening, opening->bind([this](Reply reply) { render(reply); }));
}

void FramePane::render(const Reply& reply)
{
    if (!reply) {
        opening->fail(QStringLiteral("Vesk is not running."));
        return;
    }
    opening->hideStatus();
    ColumnInsert add = opening->insert();
    const auto label
        = [&add](const QString& text, const InkColor& colour, const QFont& font,
                 InkLabel::Fit fit = InkLabel::Fit::wrap) { add.view(new InkLabel(text, colour, font, fit)); };
    if (const auto message = Json::string(*reply, u"message")) {
        label(*message, Ink::text2(), OStyle::font(13.5));
        return;
    }

    const QString title = Json::string(*reply, u"app_name").value_or(QStringLiteral("unknown app"));
    label(title, Ink::text(), OStyle::pageTitle(), InkLabel::Fit::truncateMiddle);
    const auto where = Json::string(*reply, u"window_title");
    if (const auto subtitle = where ? where : Json::string(*reply, u"document_url"))
        label(*subtitle, Ink::muted(), OStyle::monoSmall());
    label(FrameText::capturedLine(Json::numberAsInteger(*reply, u"captured_at_ms").value_or(0)), Ink::muted(),
          OStyle::monoSmall());
    add.space(12);

    const QList<QRectF> marked = FrameText::highlights(Json::objects(*reply, u"lines").value_or(QList<QJsonObject>()),
                                                       origin.label, origin.kind == QLatin1String("evidence"));
    auto* picture = new FrameView(marked, true);
    add.view(picture);
    if (const auto path = Json::string(*reply, u"image_path")) {
        FrameImage::load(*path, FrameImage::devicePixels(QSize(width, 4 * width)), picture,
                         [picture](std::optional<QImage> image) { picture->setImage(std::move(image)); });
        picture->setOpens(true);
        connect(picture, &FrameView::opened, this,
                [this, path = *path, marked, title] { viewer.open(path, marked, title); });
    } else {
        picture->setImage(std::nullopt);
    }
    add.space(10);

    label(FrameText::frameStatus(marked.size(), Json::string(*reply, u"redaction_reason"),
                                 Json::numberAsInteger(*reply, u"expires_at_ms").value_or(0)),
          Ink::muted(), OStyle::monoSmall());
    label(QStringLiteral("No next, no previous — a frame is reachable only through a citation, and esc goes back to "
                         "it."),
          Ink::muted(), OStyle::monoSmall());
    if (const auto bundleId = Json::nonEmptyString(*reply, u"app_bundle_id")) {
        const QString name = Json::nonEmptyString(*reply, u"app_name").value_or(*bundleId);
        InkButton* stop = InkButton::make(QStringLiteral("Stop capturing ") + name, InkButton::Tone::quiet);
        connect(stop, &InkButton::clicked, this, [this, stop, id = *bundleId, name] { startBlock(stop, id, name); });
        add.space(6);
        add.view(stop);
    }
}

void FramePane::startBlock(InkButton* button, const QString& bundleId, const QString& appName)
{
    if (bundleId.isEmpty()
        || EditDialogs::confirm(alerts, AlertSpec::Style::informational,
                                {QStringLiteral("Stop capturing this app?"), MemoryEditText::blockQuestion(bundleId)},
                                QStringLiteral("Stop capturing it"), EditDialogs::Undo::possible)
            != 0)
        return;
    // One rule per confirmation: the button waits for the daemon's word.
    button->setEnabled(false);
    client.blockApp(bundleId, appName, button, whileCurrent(column.ticket(), [this, button](Reply reply) {
                        if (Json::isKind(reply, u"ok")) {
                            button->setText(QStringLiteral("Not capturing this app"));
                            return;
                        }
                        button->setEnabled(true);
                        EditDialogs::report(alerts, reply, QStringLiteral("Could not add the rule."));
                    }));
}

} // namespace vesk
