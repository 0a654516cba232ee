#include "OStyle.h"

#include "Ink.h"
#include "InkView.h"

#include <QEvent>
#include <QFontDatabase>
#include <QLabel>
#include <cmath>

namespace vesk::OStyle {

namespace {

QFont::Weight qtWeight(Weight w)
{
    switch (w) {
    case Weight::Medium:
        return QFont::Medium;
    case Weight::Semibold:
        return QFont::DemiBold;
    case Weight::Bold:
        return QFont::Bold;
    case Weight::Regular:
        break;
    }
    return QFont::Normal;
}

QString serifFamily()
{
    static const QString family = [] {
        for (const QString& candidate : {QStringLiteral("DejaVu Serif"), QStringLiteral("Noto Serif"),
                                         QStringLiteral("Liberation Serif"), QStringLiteral("serif")}) {
            if (QFontDatabase::hasFamily(candidate))
                return candidate;
        }
        return QString();
    }();
    return family;
}

QLabel* label(const QString& text, const InkColor& colour, const QFont& f, QWidget* parent)
{
    auto* l = new Inked<QLabel>({{QPalette::WindowText, &colour}}, text, parent);
    l->setFont(f);
    l->setTextFormat(Qt::PlainText);
    return l;
}

} // namespace

QFont font(double designSize, Weight weight, Design design)
{
    QFont f;
    switch (design) {
    case Design::Monospaced:
        f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        break;
    case Design::Serif:
        if (!serifFamily().isEmpty())
            f.setFamily(serifFamily());
        break;
    case Design::MonospacedDigit: // the system family's figures are already of equal width
    case Design::Default:
        break;
    }
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(designSize))));
    f.setWeight(qtWeight(weight));
    return f;
}

QLabel* section(const QString& text, QWidget* parent)
{
    return label(text.toUpper(), Ink::muted(), font(9, Weight::Medium, Design::Monospaced), parent);
}

QLabel* title(const QString& text, QWidget* parent)
{
    QLabel* l = label(text, Ink::text(), font(21, Weight::Semibold), parent);
    l->setWordWrap(true);
    return l;
}

QLabel* body(const QString& text, int width, QWidget* parent)
{
    QLabel* l = label(text, Ink::text(), font(13.5), parent);
    l->setWordWrap(true);
    l->setFixedWidth(width);
    return l;
}

QLabel* meta(const QString& text, int width, QWidget* parent)
{
    QLabel* l = label(text, Ink::muted(), font(11.5), parent);
    l->setWordWrap(true);
    l->setFixedWidth(width);
    return l;
}

QWidget* rule(int width, QWidget* parent)
{
    auto* view = new InkView(
        [](InkLayer& layer, const QWidget& v) { layer.background = Ink::line().resolve(&v); }, parent);
    view->setFixedSize(width, 1);
    return view;
}

} // namespace vesk::OStyle
