#include "Contrast.h"
#include "Ink.h"
#include "InkButton.h"
#include "InkLabel.h"
#include "InkView.h"
#include "OStyle.h"
#include "PortalAppearance.h"
#include "Row.h"
#include "ScrollColumn.h"
#include "WholeText.h"

#include <QAccessible>
#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QTest>
#include <QVBoxLayout>

using namespace vesk;
using vesk::test::contrast;

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

    // Each entry is an opaque light/dark pair that differs, except the status dot, which is one
    // colour; text reads on the ground and the surface in both appearances.
    void palettePairs()
    {
        const QList<const InkColor*> entries{&Ink::amber(),  &Ink::amberBg(), &Ink::amberLine(), &Ink::flag(),
                                             &Ink::flagBg(), &Ink::agent(),   &Ink::ground(),    &Ink::surface(),
                                             &Ink::sunken(), &Ink::line(),    &Ink::lineSoft(),  &Ink::text(),
                                             &Ink::text2(),  &Ink::muted()};
        for (const InkColor* entry : entries)
            QVERIFY(entry->light != entry->dark && entry->light.alpha() == 255 && entry->dark.alpha() == 255);
        for (const bool dark : {false, true}) {
            for (const InkColor* ground : {&Ink::ground(), &Ink::surface()}) {
                QVERIFY(contrast(Ink::text().resolve(dark), ground->resolve(dark)) >= 7);
                QVERIFY(contrast(Ink::text2().resolve(dark), ground->resolve(dark)) >= 4.5);
                QVERIFY(contrast(Ink::muted().resolve(dark), ground->resolve(dark)) >= 3);
            }
        }
    }

    // A switch of the whole application's appearance repaints without any code in the window.
    void viewFollowsAppearance()
    {
        QWidget window;
        auto* button = InkButton::make(QStringLiteral("Keep"), InkButton::Tone::quiet, {}, &window);
        QApplication::setPalette(PortalAppearance::palette(false));
        const InkLayer light = button->layer();
        QApplication::setPalette(PortalAppearance::palette(true));
        QTRY_VERIFY(button->layer().background != light.background);
        QVERIFY(button->layer().border != light.border);
    }

    // Every tone's title reads on its background, hovered or not, in both appearances, and each
    // tone's colours come from the appearance of the widget it is drawn in.
    void buttonTones_data()
    {
        QTest::addColumn<InkButton::Tone>("tone");
        QTest::addColumn<bool>("hoverChangesBackground");
        QTest::newRow("quiet") << InkButton::Tone::quiet << true;
        QTest::newRow("primary") << InkButton::Tone::primary << true;
        QTest::newRow("destructive") << InkButton::Tone::destructive << false;
    }

    void buttonTones()
    {
        QFETCH(InkButton::Tone, tone);
        QFETCH(bool, hoverChangesBackground);
        QApplication::setPalette(PortalAppearance::palette(false));
        QWidget lightWindow, darkWindow;
        darkWindow.setPalette(PortalAppearance::palette(true));
        InkButton* light = InkButton::make(QStringLiteral("Forget"), tone, {}, &lightWindow);
        InkButton* dark = InkButton::make(QStringLiteral("Forget"), tone, {}, &darkWindow);
        QVERIFY(light->layer().background != dark->layer().background);
        for (InkButton* button : {light, dark}) {
            const InkLayer still = button->layer();
            QVERIFY(contrast(button->titleColour(), still.background) >= 4.5);
            QEnterEvent e = enter();
            QApplication::sendEvent(button, &e);
            QVERIFY(button->isHovering());
            QVERIFY(contrast(button->titleColour(), button->layer().background) >= 4.5);
            QCOMPARE(button->layer().background != still.background, hoverChangesBackground);
            if (!hoverChangesBackground)
                QVERIFY(button->layer().border.alphaF() > still.border.alphaF());
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(button, &leave);
            QCOMPARE(button->layer(), still);
        }
    }

    // A disabled button is drawn faded, and a button with the keyboard carries a ring.
    void disabledAndFocusedButtonsLookSo()
    {
        QApplication::setPalette(PortalAppearance::palette(false));
        QWidget window;
        InkButton* button = InkButton::make(QStringLiteral("Ask"), InkButton::Tone::primary, {}, &window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPoint middle = button->rect().center() + QPoint(0, button->height() / 3);
        const QColor enabled = button->grab().toImage().pixelColor(middle);
        button->setEnabled(false);
        const QColor disabled = button->grab().toImage().pixelColor(middle);
        QVERIFY(contrast(disabled, Ink::ground().light) < contrast(enabled, Ink::ground().light) / 2);
        button->setEnabled(true);
        const QColor edge = button->grab().toImage().pixelColor(QPoint(button->width() / 2, 1));
        window.activateWindow();
        button->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(button->hasFocus());
        QVERIFY(button->grab().toImage().pixelColor(QPoint(button->width() / 2, 1)) != edge);
    }

    // A label measures itself again when its text changes, shortens a line to its width, wraps to its
    // width, and keeps a bounded part of an over-long text.
    void labels_data()
    {
        QTest::addColumn<InkLabel::Fit>("fit");
        QTest::addColumn<int>("kept"); // characters of an over-long text, the ellipsis included
        QTest::newRow("wrap") << InkLabel::Fit::wrap << 20001;
        QTest::newRow("cut at the end") << InkLabel::Fit::truncateEnd << 1001;
        QTest::newRow("cut in the middle") << InkLabel::Fit::truncateMiddle << 1001;
    }

    void labels()
    {
        QFETCH(InkLabel::Fit, fit);
        QFETCH(int, kept);
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* label = new InkLabel(QStringLiteral("short"), Ink::text(), OStyle::font(12), fit);
        layout->addWidget(label, 0, Qt::AlignLeft);
        window.resize(600, 200);
        window.show();
        QTRY_VERIFY(label->width() > 0);
        const int before = label->width();
        label->setText(QStringLiteral("Ask Vesk · Daemon unreachable — state unknown"));
        QTRY_VERIFY(label->width() > before); // re-measured, not kept at the first text's width
        QCOMPARE(label->shown(), label->text());

        const QString megabyte = QStringLiteral("lorem ipsum ").repeated(90000);
        label->setText(megabyte);
        QCOMPARE(label->text().size(), kept);
        QVERIFY(label->text().endsWith(QChar(0x2026)) || fit == InkLabel::Fit::truncateMiddle);
        window.resize(200, 400);
        QTRY_VERIFY(label->width() <= 200);
        if (fit == InkLabel::Fit::wrap) {
            QVERIFY(label->height() > label->fontMetrics().height()); // wrapped onto many lines
        } else {
            QVERIFY(label->fontMetrics().horizontalAdvance(label->shown()) <= label->width());
            QVERIFY(label->shown().contains(QChar(0x2026)));
        }
    }

    // A wrapping label is exactly as tall as Qt's own wrapping label of the same text and font, at
    // every width asked, also after its text or its font changed.
    void wrappedHeights_data()
    {
        QTest::addColumn<QString>("then");
        QTest::addColumn<double>("size");
        QTest::newRow("longer text") << QStringLiteral("The build moved the socket timeout to thirty seconds.") << 12.0;
        QTest::newRow("lines of their own") << QStringLiteral("one\ntwo\r\nthree") << 12.0;
        QTest::newRow("larger font") << QStringLiteral("short") << 20.0;
    }

    void wrappedHeights()
    {
        QFETCH(QString, then);
        QFETCH(double, size);
        InkLabel label(QStringLiteral("short"), Ink::text(), OStyle::font(12));
        QLabel plain(QStringLiteral("short"));
        plain.setFont(OStyle::font(12));
        plain.setWordWrap(true);
        for (int change = 0; change < 2; ++change) {
            if (change) {
                label.setText(then);
                label.setFont(OStyle::font(size));
                plain.setText(then);
                plain.setFont(OStyle::font(size));
            }
            for (int width : {300, 40, 120, 300})
                QCOMPARE(label.heightForWidth(width), plain.heightForWidth(width));
        }
    }

    void tips_data()
    {
        QTest::addColumn<QString>("whole");
        QTest::addColumn<bool>("asIs");
        QTest::newRow("one short line") << "Harbor api" << true;
        QTest::newRow("looks like markup") << "<b>Harbor</b>" << false;
        QTest::newRow("two lines") << "Harbor\napi" << false;
        QTest::newRow("one long line") << QString(121, u'h') << false;
        QTest::newRow("a megabyte") << QString(1 << 20, u'h') << false;
    }
    // A tool tip draws a short daemon text as written; anything else wrapped, escaped and cut.
    void tips()
    {
        QFETCH(QString, whole);
        QFETCH(bool, asIs);
        const QString tip = WholeText::tip(whole);
        QCOMPARE(tip == whole, asIs);
        QVERIFY(tip.size() < 2000);
        QVERIFY(asIs || (tip.startsWith("<p>") && !tip.contains("<b>")));
    }

    void cursorOnlyWhenEnabled()
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

    void ampersandTitles_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("stored");
        QTest::newRow("plain") << "Merge"
                               << "Merge";
        QTest::newRow("ampersand") << "Details & corrections"
                                   << "Details && corrections";
        QTest::newRow("data with two") << "R&D & QA"
                                       << "R&&D && QA";
    }

    void ampersandTitles()
    {
        QFETCH(QString, title);
        std::unique_ptr<InkButton> button(InkButton::make(title, InkButton::Tone::quiet));
        QTEST(button->text(), "stored");
        // No mnemonic: the title never turns into a keyboard shortcut.
        QVERIFY(QKeySequence::mnemonic(button->text()).isEmpty());
        // A screen reader reads the title as it shows; two spaces either side of it are drawn.
        QCOMPARE(QAccessible::queryAccessibleInterface(button.get())->text(QAccessible::Name), title);
        QVERIFY(button->sizeHint().width() >= button->fontMetrics().horizontalAdvance("  " + title + "  "));
    }

    // Design sizes are pixels whatever the screen's dots per inch; monospaced means fixed pitch.
    void fonts()
    {
        QCOMPARE(OStyle::font(13.5).pixelSize(), 14);
        QVERIFY(QFontInfo(OStyle::monoSmall()).fixedPitch());
        QVERIFY(OStyle::font(14, OStyle::Weight::Semibold).weight() > OStyle::font(14).weight());
    }

    // Short content sits at the top of its column; only the primary button opens a row in it, a
    // right or a middle click does nothing.
    void rowAtTheTopOpensOnThePrimaryButton()
    {
        ScrollColumn column(12);
        column.resize(320, 600);
        auto* row = new Row({new QLabel(QStringLiteral("src/app/main.cpp"))});
        int opened = 0;
        row->onOpened(row, [&opened] { ++opened; });
        column.add(row);
        column.add(new QLabel(QStringLiteral("second")));
        column.show();
        QTRY_VERIFY(row->height() > 0);
        QCOMPARE(row->mapTo(column.viewport(), QPoint()).y(), 0);
        for (const Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton, Qt::LeftButton})
            QTest::mouseClick(row, button);
        QCOMPARE(opened, 1);
    }
};

QTEST_MAIN(InkTest)
#include "tst_Ink.moc"
