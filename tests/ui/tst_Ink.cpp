#include "Ink.h"
#include "InkButton.h"
#include "InkView.h"
#include "OStyle.h"
#include "PortalAppearance.h"

#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QTest>

using namespace vesk;

namespace {
QEnterEvent enter()
{
    return QEnterEvent(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
}
} // namespace

class InkTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QApplication::setPalette(PortalAppearance::palette(false)); }

    void viewFollowsAppearance();
    void buttonTones_data();
    void buttonTones();
    void buttonWithoutTone();
    void cursorOnlyWhenEnabled();
    void ampersandTitles_data();
    void ampersandTitles();
    void fonts_data();
    void fonts();
};

void InkTest::viewFollowsAppearance()
{
    QWidget window;
    auto* view = new InkView(
        [](InkLayer& layer, const QWidget& v) {
            layer.background = Ink::surface().resolve(&v);
            layer.border = Ink::line().resolve(&v);
            layer.borderWidth = 1;
        },
        &window);
    auto* button = InkButton::make(QStringLiteral("Keep"), InkButton::Tone::quiet, {}, &window);
    QApplication::setPalette(PortalAppearance::palette(false));
    QTRY_COMPARE(view->layer().background, QColor(0xFFFFFF));
    QTRY_COMPARE(button->layer().background, QColor(0xFFFFFF));
    // A switch of the whole application's appearance repaints without any code in the window.
    QApplication::setPalette(PortalAppearance::palette(true));
    QTRY_COMPARE(view->layer().background, QColor(0x14171C));
    QCOMPARE(view->layer().border, QColor(0x262B33));
    QTRY_COMPARE(button->layer().background, QColor(0x14171C));
    QCOMPARE(button->titleColour(), QColor(0xA8AFBB));
}

void InkTest::buttonTones_data()
{
    QTest::addColumn<InkButton::Tone>("tone");
    QTest::addColumn<bool>("hover");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<QColor>("border");
    QTest::addColumn<QColor>("title");

    QColor flag55(0xAE4F3E);
    flag55.setAlphaF(0.55f);
    QColor flag85(0xAE4F3E);
    flag85.setAlphaF(0.85f);
    using T = InkButton::Tone;
    QTest::newRow("quiet") << T::quiet << false << QColor(0xFFFFFF) << QColor(0xE1E4E8) << QColor(0x4C535E);
    QTest::newRow("quiet hovered") << T::quiet << true << QColor(0xF1F2F4) << QColor(0xE1E4E8) << QColor(0x4C535E);
    QTest::newRow("primary") << T::primary << false << QColor(0x15181D) << QColor(0x15181D) << QColor(0xFAFAFB);
    QTest::newRow("primary hovered") << T::primary << true << QColor(0x4C535E) << QColor(0x4C535E)
                                     << QColor(0xFAFAFB);
    QTest::newRow("destructive") << T::destructive << false << QColor(0xFAEDEA) << flag55 << QColor(0xAE4F3E);
    QTest::newRow("destructive hovered") << T::destructive << true << QColor(0xFAEDEA) << flag85
                                         << QColor(0xAE4F3E);
}

void InkTest::buttonTones()
{
    QFETCH(InkButton::Tone, tone);
    QFETCH(bool, hover);
    QApplication::setPalette(PortalAppearance::palette(false));
    std::unique_ptr<InkButton> button(InkButton::make(QStringLiteral("Forget"), tone));
    if (hover) {
        QEnterEvent e = enter();
        QApplication::sendEvent(button.get(), &e);
    }
    QCOMPARE(button->isHovering(), hover);
    QTEST(button->layer().background, "background");
    QTEST(button->layer().border, "border");
    QTEST(button->titleColour(), "title");
    QCOMPARE(button->layer().borderWidth, 1.0);
    QCOMPARE(button->layer().cornerRadius, 5.0);
    if (hover) {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(button.get(), &leave);
        QVERIFY(!button->isHovering());
    }
}

void InkTest::buttonWithoutTone()
{
    QApplication::setPalette(PortalAppearance::palette(false));
    std::unique_ptr<InkButton> button(InkButton::make(QStringLiteral("Row"), std::nullopt));
    QCOMPARE(button->layer(), InkLayer{});
    int painted = 0;
    button->setPaint([&painted](InkLayer& layer, const QWidget& b) {
        ++painted;
        layer.background = Ink::amberBg().resolve(&b);
    });
    // Setting the painter paints at once, and only the painter decides.
    QVERIFY(painted >= 1);
    QCOMPARE(button->layer().background, QColor(0xFDF3E2));
    QCOMPARE(button->layer().borderWidth, 0.0);
    QEnterEvent e = enter();
    QApplication::sendEvent(button.get(), &e);
    QCOMPARE(button->layer().background, QColor(0xFDF3E2));
}

void InkTest::cursorOnlyWhenEnabled()
{
    QWidget window;
    InkButton* button = InkButton::make(QStringLiteral("Open"), InkButton::Tone::primary, {}, &window);
    QCOMPARE(button->cursor().shape(), Qt::PointingHandCursor);
    button->setEnabled(false);
    QVERIFY(!button->testAttribute(Qt::WA_SetCursor));
    QCOMPARE(button->cursor().shape(), Qt::ArrowCursor);
    button->setEnabled(true);
    QCOMPARE(button->cursor().shape(), Qt::PointingHandCursor);
}

void InkTest::ampersandTitles_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("stored");
    QTest::newRow("plain") << "Merge" << "  Merge  ";
    QTest::newRow("ampersand") << "Details & corrections" << "  Details && corrections  ";
    QTest::newRow("data with two") << "R&D & QA" << "  R&&D && QA  ";
}

void InkTest::ampersandTitles()
{
    QFETCH(QString, title);
    std::unique_ptr<InkButton> button(InkButton::make(title, InkButton::Tone::quiet));
    QTEST(button->text(), "stored");
    // No mnemonic: the title never turns into a keyboard shortcut.
    QVERIFY(QKeySequence::mnemonic(button->text()).isEmpty());
}

void InkTest::fonts_data()
{
    QTest::addColumn<double>("size");
    QTest::addColumn<OStyle::Weight>("weight");
    QTest::addColumn<OStyle::Design>("design");
    QTest::addColumn<int>("pixels");
    QTest::addColumn<int>("qtWeight");
    QTest::newRow("body 13.5") << 13.5 << OStyle::Weight::Regular << OStyle::Design::Default << 14 << int(QFont::Normal);
    QTest::newRow("title 21 semibold") << 21.0 << OStyle::Weight::Semibold << OStyle::Design::Default << 21
                                       << int(QFont::DemiBold);
    QTest::newRow("section 9 mono medium") << 9.0 << OStyle::Weight::Medium << OStyle::Design::Monospaced << 9
                                           << int(QFont::Medium);
    QTest::newRow("serif bold") << 14.0 << OStyle::Weight::Bold << OStyle::Design::Serif << 14 << int(QFont::Bold);
}

void InkTest::fonts()
{
    QFETCH(double, size);
    QFETCH(OStyle::Weight, weight);
    QFETCH(OStyle::Design, design);
    const QFont f = OStyle::font(size, weight, design);
    // Design sizes are pixels, whatever the screen's dots per inch.
    QTEST(f.pixelSize(), "pixels");
    QTEST(int(f.weight()), "qtWeight");
    if (design == OStyle::Design::Monospaced)
        QVERIFY(QFontInfo(f).fixedPitch());
}

QTEST_MAIN(InkTest)
#include "tst_Ink.moc"
