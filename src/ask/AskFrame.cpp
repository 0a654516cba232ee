#include "AskWindow.h"

#include "AskLabel.h"
#include "EntityText.h"
#include "FrameView.h"
#include "Ink.h"
#include "Json.h"
#include "OStyle.h"

#include <QImageReader>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace vesk {

namespace {

// The inspector's content width: the column less its margins.
constexpr int inspectorContent = AskWindow::panelW - 28;

QFont monoSmall()
{
    return OStyle::font(10.5, OStyle::Weight::Regular, OStyle::Design::Monospaced);
}

} // namespace

void AskWindow::openFrame(qint64 id, const Origin& origin)
{
    if (!insStack || id < 1)
        return;
    field->setFocus(Qt::OtherFocusReason);
    inspecting = Inspecting{id, origin};
    updateHint();
    const quint64 mine = ++generation;
    clearInspector();
    setInspector(true);

    auto* opening = new AskLabel(QStringLiteral("opening the frame…"), Ink::muted(), monoSmall(), AskLabel::Fit::wrap,
                                 inspectorContent);
    insStack->addWidget(opening, 0, Qt::AlignLeft);
    opening->show();

    const QPointer<AskWindow> self(this);
    const QPointer<QWidget> openingView(opening);
    client.frame(id, [self, mine, origin, openingView](Reply reply) {
        if (!self || self->generation != mine)
            return;
        if (openingView) {
            self->insStack->removeWidget(openingView);
            openingView->hide();
            openingView->deleteLater();
        }
        self->renderFrame(origin, reply);
    });
}

void AskWindow::renderFrame(const Origin& origin, const Reply& reply)
{
    const int w = inspectorContent;
    const auto add = [this](QWidget* view) {
        insStack->addWidget(view, 0, Qt::AlignLeft);
        view->show();
    };
    if (!reply) {
        add(new AskLabel(QStringLiteral("Vesk is not running."), Ink::muted(), monoSmall(), AskLabel::Fit::wrap, w));
        return;
    }
    if (const auto message = Json::string(*reply, u"message")) {
        add(new AskLabel(*message, Ink::text2(), OStyle::font(13.5), AskLabel::Fit::wrap, w));
        return;
    }

    const auto app = Json::string(*reply, u"app_name");
    add(new AskLabel(app.value_or(QStringLiteral("unknown app")), Ink::text(),
                     OStyle::font(19, OStyle::Weight::Medium, OStyle::Design::Serif), AskLabel::Fit::truncateMiddle, w));
    const auto where = Json::string(*reply, u"window_title");
    if (const auto subtitle = where ? where : Json::string(*reply, u"document_url"))
        add(new AskLabel(*subtitle, Ink::muted(), monoSmall(), AskLabel::Fit::wrap, w));
    add(new AskLabel(EntityText::capturedLine(Json::numberAsInteger(*reply, u"captured_at_ms").value_or(0)),
                     Ink::muted(), monoSmall(), AskLabel::Fit::wrap, w));
    insStack->addSpacing(12);

    std::optional<QImage> image;
    if (const auto path = Json::string(*reply, u"image_path")) {
        QImageReader reader(*path);
        reader.setAutoTransform(true);
        if (QImage read = reader.read(); !read.isNull())
            image = std::move(read);
    }
    const QList<QRectF> marked =
        EntityText::highlights(Json::objects(*reply, u"lines").value_or(QList<QJsonObject>()), origin.label);
    const int height = image ? static_cast<int>(w * static_cast<double>(image->height()) / std::max(image->width(), 1))
                             : w * 10 / 16;
    auto* picture = new FrameView(image, marked);
    picture->setObjectName(QStringLiteral("frameView"));
    picture->setFixedSize(w, height);
    add(picture);
    insStack->addSpacing(10);

    add(new AskLabel(EntityText::frameStatus(marked.size(), Json::string(*reply, u"redaction_reason"),
                                             Json::numberAsInteger(*reply, u"expires_at_ms").value_or(0)),
                     Ink::muted(), monoSmall(), AskLabel::Fit::wrap, w));
    add(new AskLabel(
        QStringLiteral("No next, no previous — a frame is reachable only through a citation, and esc goes back to it."),
        Ink::muted(), monoSmall(), AskLabel::Fit::wrap, w));
    // "Stop capturing <app>" joins this frame once blocking an app can be confirmed and undone;
    // until then there is no button rather than one that does nothing.
    insScroll->widget()->adjustSize();
    insScroll->verticalScrollBar()->setValue(0);
}

} // namespace vesk
