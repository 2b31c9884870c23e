#include <QtTest>

#include <QFontMetrics>
#include <QImage>
#include <QTemporaryDir>
#include <memory>

#include "widgets/LevelMeter.h"
#include "widgets/ProgressBar.h"
#include "widgets/Ticker.h"

using namespace vantrel;

namespace {

QImage render(QWidget& w) {
    return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Columns of row y, from x0, that hold colour c without a break.
int runOf(const QImage& img, int y, int x0, QRgb c) {
    int x = x0;
    while (x < img.width() && img.pixel(x, y) == c) ++x;
    return x - x0;
}

// Whether `a` from column ax shows what `b` shows from column bx, for `count` columns.
bool sameColumns(const QImage& a, int ax, const QImage& b, int bx, int count) {
    for (int x = 0; x < count; ++x)
        for (int y = 0; y < a.height(); ++y)
            if (a.pixel(ax + x, y) != b.pixel(bx + x, y)) return false;
    return true;
}

QFont tickerFont() {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(12);
    return f;
}

// A borderless black-on-white ticker in a known font, so text positions can be computed.
std::unique_ptr<Ticker> plainTicker(int width) {
    auto t = std::make_unique<Ticker>();
    t->setFont(tickerFont());
    t->setBorderStyle(0);
    t->setBackColor(rgbColour(255, 255, 255));
    t->setForeColor(rgbColour(0, 0, 0));
    t->resize(width, 20);
    return t;
}

// Columns of the filled (strongly coloured) bar, counted from the left along the middle row;
// -1 when the edge is not clean.
int filledColumns(const QImage& img) {
    int x = 0;
    while (x < img.width() && QColor(img.pixel(x, 6)).hsvSaturation() > 100) ++x;
    for (int rest = x; rest < img.width(); ++rest)
        if (QColor(img.pixel(rest, 6)).hsvSaturation() >= 20) return -1;
    return x;
}

}  // namespace

class DisplayTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString barImage_;

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        // A bar of one colour, so the uncovered part is easy to count.
        QImage bar(220, 10, QImage::Format_RGB32);
        bar.fill(QColor(0, 255, 0));
        barImage_ = dir_.filePath(QStringLiteral("bar.dat"));
        QVERIFY(bar.save(barImage_, "PNG"));
    }

    void meterUncoversCurve_data() {
        QTest::addColumn<float>("level");
        QTest::addColumn<int>("uncovered");
        // Inner width 220: width = 220 × (1 − |1 − x|)⁵, halves to even.
        QTest::newRow("0") << 0.0f << 0;
        QTest::newRow("0.5") << 0.5f << 7;
        QTest::newRow("0.9") << 0.9f << 130;
        QTest::newRow("exactly a half, to even") << 0.633799613f << 22;  // 22.5 in doubles
        QTest::newRow("1") << 1.0f << 220;
        QTest::newRow("1.5 as 0.5") << 1.5f << 7;
        QTest::newRow("2") << 2.0f << 0;
        QTest::newRow("-0.1") << -0.1f << 0;
    }
    void meterUncoversCurve() {
        QFETCH(float, level);
        QFETCH(int, uncovered);
        LevelMeter meter;
        meter.setBackColor(rgbColour(0, 0, 255));
        meter.setImage(barImage_);
        QCOMPARE(meter.size(), QSize(222, 12));
        meter.setPercent(0.7f);  // a previous level must be fully replaced
        meter.setPercent(level);
        const QImage img = render(meter);
        for (int y = 1; y <= 10; ++y) {
            QCOMPARE(runOf(img, y, 1, qRgb(0, 255, 0)), uncovered);
            QCOMPARE(runOf(img, y, 1 + uncovered, qRgb(0, 0, 255)), 220 - uncovered);
        }
    }

    void tickerScrollsAndWraps_data() {
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("shown");
        for (const auto& [separator, shown] : {std::pair{"·", " · "},
                                               {"· Vantrel ·", " · Vantrel · "},
                                               {"   Mixing to... ", "    Mixing to...  "},
                                               {"      ", "      "},
                                               {"", " "}})
            QTest::newRow(separator) << QString::fromUtf8(separator) << QString::fromUtf8(shown);
    }
    // The strip comes round after exactly its message and separator; at three pixels a tick it
    // shows what it shows at one pixel after three ticks, also past the wrap.
    void tickerScrollsAndWraps() {
        QFETCH(QString, separator);
        QFETCH(QString, shown);
        const QString message = QStringLiteral("Wrap");
        const QFontMetrics fm(tickerFont());
        const int cycle = fm.horizontalAdvance(message) + fm.horizontalAdvance(shown);
        auto slow = plainTicker(300);
        auto fast = plainTicker(300);
        slow->Fill(message, separator, 1);
        fast->Fill(message, separator, 3);
        fast->setScrollSpeed(0);  // below one: ignored
        fast->setScrollSpeed(-2);
        const QImage start = render(*slow);
        for (int tick = 1; tick <= cycle + 3; ++tick) {
            slow->step();
            const QImage now = render(*slow);
            if (tick == cycle - 1) QVERIFY(now != start);
            if (tick == cycle) QCOMPARE(now, start);
            if (tick == cycle + 1) QVERIFY(sameColumns(now, 0, start, 1, 299));
            if (tick % 3) continue;
            fast->step();
            QVERIFY2(render(*fast) == now, qPrintable(QString::number(tick)));
        }
    }

    void tickerThatFitsStandsStillWithRed() {
        auto t = plainTicker(300);
        t->setAutoScroll(true);
        t->AddItem(QStringLiteral("Short"));
        const QImage before = render(*t);
        QTest::qWait(400);  // more than three ticks of the default interval
        QCOMPARE(render(*t), before);
        const int textWidth = QFontMetrics(tickerFont()).horizontalAdvance(QStringLiteral("Short"));
        for (int y : {0, 10, 19})
            QCOMPARE(runOf(before, y, textWidth, qRgb(255, 0, 0)), 300 - textWidth);
        QCOMPARE(before.pixel(0, 0), qRgb(255, 255, 255));

        t->Fill(QStringLiteral("   "), QStringLiteral("·"), 3);  // a blank message blanks it
        QCOMPARE(t->ListCount(), 0);
        QImage blank(300, 20, QImage::Format_RGB32);
        blank.fill(qRgb(255, 255, 255));
        QCOMPARE(render(*t), blank);
    }

    void tickerClickNamesItem_data() {
        QTest::addColumn<int>("items");
        QTest::addColumn<int>("target");
        QTest::addColumn<int>("clicked");  // 0: a click with no item
        QTest::newRow("second of two") << 2 << 2 << 2;
        QTest::newRow("past the strip, on red") << 2 << 3 << 0;
        QTest::newRow("last entry of the hit table") << 1100 << 1024 << 1024;
        QTest::newRow("beyond the hit table") << 1100 << 1025 << 0;
    }
    void tickerClickNamesItem() {
        QFETCH(int, items);
        QFETCH(int, target);
        QFETCH(int, clicked);
        const QFontMetrics fm(tickerFont());
        const int pitch =
            fm.horizontalAdvance(QStringLiteral("a")) + fm.horizontalAdvance(QStringLiteral(" · "));
        auto t = plainTicker(pitch * (items + 1));
        for (int i = 0; i < items; ++i) t->AddItem(QStringLiteral("a"));
        QSignalSpy itemClicks(t.get(), &Ticker::ItemClick);
        QSignalSpy clicks(t.get(), &Ticker::Click);
        const QPoint at(pitch * (target - 1) + 1, 10);
        QTest::mouseMove(t.get(), at);
        QTest::mouseClick(t.get(), Qt::LeftButton, {}, at);
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(itemClicks.count(), clicked ? 1 : 0);
        if (clicked) QCOMPARE(itemClicks.at(0).at(0).toInt(), clicked);
    }

    void tickerPansWithTheMouse() {
        auto t = plainTicker(300);
        t->Fill(QStringLiteral("Drag me along the strip"), QStringLiteral("·"), 1);
        QTest::mousePress(t.get(), Qt::LeftButton, {}, QPoint(100, 10));
        const QImage held = render(*t);
        QTest::mouseMove(t.get(), QPoint(60, 10));
        const QImage dragged = render(*t);
        QVERIFY(sameColumns(dragged, 0, held, 40, 260));
        QTest::qWait(400);  // the scroll timer stays stopped while the strip is held
        QCOMPARE(render(*t), dragged);
        QTest::mouseRelease(t.get(), Qt::LeftButton, {}, QPoint(60, 10));
        QTRY_VERIFY_WITH_TIMEOUT(render(*t) != dragged, 1000);
    }

    void progressFill_data() {
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("filled");     // 493 pixels wide
        QTest::addColumn<int>("filled300");  // the next value after a resize to 300
        QTest::newRow("0") << 10000 << 0 << 0 << 0;
        QTest::newRow("half, halves to even") << 10000 << 5000 << 246 << 150;
        QTest::newRow("max") << 10000 << 10000 << 493 << 300;
        QTest::newRow("past max is cut off") << 10000 << 20000 << 493 << 300;
        QTest::newRow("max 0 keeps design width") << 0 << 5000 << 1 << 1;
        QTest::newRow("max below 0") << -1 << 5000 << 1 << 1;
    }
    void progressFill() {
        QFETCH(int, max);
        QFETCH(int, value);
        QFETCH(int, filled);
        ProgressBar bar(max);
        QCOMPARE(bar.size(), QSize(493, 13));
        bar.setValue(value);
        QCOMPARE(filledColumns(render(bar)), filled);
        bar.resize(300, 13);  // a resize alone keeps the fill
        QCOMPARE(filledColumns(render(bar)), std::min(filled, 300));
        bar.setValue(value);
        QTEST(filledColumns(render(bar)), "filled300");
    }
};

QTEST_MAIN(DisplayTest)
#include "tst_display.moc"
