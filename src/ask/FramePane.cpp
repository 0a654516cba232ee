#include "FramePane.h"

#include "DaemonClient.h"
#include "EntityText.h"
#include "FrameImage.h"
#include "FrameView.h"
#include "InkLabel.h"
#include "Json.h"
#include "LoadingSection.h"
#include "OStyle.h"
#include "ScrollColumn.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <cmath>

namespace vesk {

namespace {

// The largest the pixels are ever shown at a width, in device pixels.
QSize box(int width, int height)
{
    const double ratio = qApp->devicePixelRatio();
    return QSize(static_cast<int>(std::ceil(width * ratio)), static_cast<int>(std::ceil(height * ratio)));
}

} // namespace

FramePane::FramePane(ScrollColumn& column, DaemonClient& client, qint64 frame, const Origin& origin,
                     Callbacks callbacks, QObject* parent)
    : QObject(parent)
    , origin(origin)
    , callbacks(std::move(callbacks))
{
    opening = new LoadingSection(
        column, {}, new InkLabel(QStringLiteral("opening the frame…"), Ink::muted(), OStyle::monoSmall()), this);
    client.frame(frame, opening, opening->bind([this](Reply reply) { render(reply); }));
}

void FramePane::render(const Reply& reply)
{
    opening->hideStatus();
    ColumnInsert add = opening->insert();
    const auto label
        = [&add](const QString& text, const InkColor& colour, const QFont& font,
                 InkLabel::Fit fit = InkLabel::Fit::wrap) { add.view(new InkLabel(text, colour, font, fit)); };
    if (!reply) {
        label(QStringLiteral("Vesk is not running."), Ink::muted(), OStyle::monoSmall());
        return;
    }
    if (const auto message = Json::string(*reply, u"message")) {
        label(*message, Ink::text2(), OStyle::font(13.5));
        return;
    }

    const QString title = Json::string(*reply, u"app_name").value_or(QStringLiteral("unknown app"));
    label(title, Ink::text(), OStyle::pageTitle(), InkLabel::Fit::truncateMiddle);
    const auto where = Json::string(*reply, u"window_title");
    if (const auto subtitle = where ? where : Json::string(*reply, u"document_url"))
        label(*subtitle, Ink::muted(), OStyle::monoSmall());
    label(EntityText::capturedLine(Json::numberAsInteger(*reply, u"captured_at_ms").value_or(0)), Ink::muted(),
          OStyle::monoSmall());
    add.space(12);

    const QList<QRectF> marked
        = EntityText::highlights(Json::objects(*reply, u"lines").value_or(QList<QJsonObject>()), origin.label);
    auto* picture = new FrameView(marked, true);
    add.view(picture);
    if (const auto path = Json::string(*reply, u"image_path")) {
        FrameImage::load(*path, box(width, 4 * width), picture,
                         [picture](std::optional<QImage> image) { picture->setImage(std::move(image)); });
        picture->setOnOpen([this, path = *path, marked, title] { callbacks.openFull(path, marked, title); });
    } else {
        picture->setImage(std::nullopt);
    }
    add.space(10);

    label(EntityText::frameStatus(marked.size(), Json::string(*reply, u"redaction_reason"),
                                  Json::numberAsInteger(*reply, u"expires_at_ms").value_or(0)),
          Ink::muted(), OStyle::monoSmall());
    label(QStringLiteral("No next, no previous — a frame is reachable only through a citation, and esc goes back to "
                         "it."),
          Ink::muted(), OStyle::monoSmall());
    // "Stop capturing <app>" joins this frame once blocking an app can be confirmed and undone;
    // until then there is no button rather than one that does nothing.
}

FrameWindow::FrameWindow()
    : QWidget(nullptr, Qt::Window)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

void FrameWindow::open(const QString& path, const QList<QRectF>& highlights, const QString& title)
{
    delete view;
    view = new FrameView(highlights, false, this);
    layout()->addWidget(view);
    setWindowTitle(title);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize most = screen ? screen->availableGeometry().size() * 0.9 : QSize(1280, 800);
    FrameImage::load(
        path, box(most.width(), most.height()), view, [this, shown = view, most](std::optional<QImage> image) {
            if (image)
                resize(QSizeF(image->size()).scaled(most, Qt::KeepAspectRatio).toSize().expandedTo(QSize(320, 200)));
            shown->setImage(std::move(image));
        });
    resize(most / 2);
    show();
    raise();
    activateWindow();
}

} // namespace vesk
