#include "OStyle.h"

#include "Ink.h"
#include "InkLabel.h"
#include "InkView.h"

#include <QEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QVBoxLayout>
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

InkLabel* label(const QString& text, const InkColor& colour, const QFont& f, QWidget* parent)
{
    return new InkLabel(text, colour, f, InkLabel::Fit::wrap, parent);
}

} // namespace

QFont font(double designSize, Weight weight, Design design)
{
    QFont f;
    switch (design) {
    case Design::Monospaced: {
        static const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        f = fixed;
        break;
    }
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

QFont monoSmall()
{
    return font(10.5, Weight::Regular, Design::Monospaced);
}

QFont pageTitle()
{
    return font(19, Weight::Medium, Design::Serif);
}

InkLabel* section(const QString& text, QWidget* parent)
{
    return new InkLabel(text.toUpper(), Ink::muted(), font(9, Weight::Medium, Design::Monospaced),
                        InkLabel::Fit::truncateEnd, parent);
}

InkLabel* title(const QString& text, QWidget* parent)
{
    return label(text, Ink::text(), font(21, Weight::Semibold), parent);
}

InkLabel* body(const QString& text, int width, QWidget* parent)
{
    InkLabel* l = label(text, Ink::text(), font(13.5), parent);
    l->setFixedWidth(width);
    return l;
}

InkLabel* meta(const QString& text, int width, QWidget* parent)
{
    InkLabel* l = label(text, Ink::muted(), font(11.5), parent);
    l->setFixedWidth(width);
    return l;
}

QWidget* rule(int width, QWidget* parent)
{
    auto* view
        = new InkView([](InkLayer& layer, const QWidget& v) { layer.background = Ink::line().resolve(&v); }, parent);
    view->setFixedSize(width, 1);
    return view;
}

QWidget* step(const QString& number, const QString& title, const QString& text, int width, QWidget* parent)
{
    auto* row = new QWidget(parent);
    auto* across = new QHBoxLayout(row);
    across->setContentsMargins(0, 0, 0, 0);
    across->setSpacing(10);
    auto* digit
        = new InkLabel(number, Ink::muted(), font(12, Weight::Medium, Design::Monospaced), InkLabel::Fit::truncateEnd);
    digit->setFixedWidth(14);
    across->addWidget(digit, 0, Qt::AlignTop);
    auto* words = new QVBoxLayout;
    words->setSpacing(2);
    InkLabel* heading = label(title, Ink::text(), font(13.5, Weight::Medium), nullptr);
    InkLabel* detail = label(text, Ink::muted(), font(11.5), nullptr);
    for (InkLabel* l : {heading, detail}) {
        l->setFixedWidth(width - 24);
        words->addWidget(l);
    }
    across->addLayout(words);
    across->addStretch(1);
    return row;
}

} // namespace vesk::OStyle
