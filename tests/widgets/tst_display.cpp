#include <QtTest>

#include <QFontMetrics>
#include <QImage>
#include <QTemporaryDir>

#include "widgets/LevelMeter.h"
#include "widgets/ProgressBar.h"
#include "widgets/Ticker.h"

using namespace vantrel;

namespace {

constexpr std::uint32_t kWhite = rgbColour(255, 255, 255);
constexpr std::uint32_t kBlack = rgbColour(0, 0, 0);
constexpr std::uint32_t kBlue = rgbColour(0, 0, 255);

QImage render(QWidget& w) {
    return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Columns of row y, from x0, that hold colour c without a break.
int runOf(const QImage& img, int y, int x0, QRgb c) {
    int x = x0;
    while (x < img.width() && img.pixel(x, y) == c) ++x;
    return x - x0;
}

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

}  // namespace

class DisplayTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();

    void meterUncoversCurve_data();
    void meterUncoversCurve();
    void meterWithoutImageIsTwoByTwo();

    void tickerMovesBySpeedPerTick();
    void tickerWrapsAfterOneCycle_data();
    void tickerWrapsAfterOneCycle();
    void tickerThatFitsStandsStillWithRed();
    void tickerBlankMessageBlanks();
    void tickerIgnoresSpeedBelowOne();
    void tickerClickNamesItem();

    void progressFill_data();
    void progressFill();
    void progressResizeKeepsFill();

private:
    QTemporaryDir dir_;
    QString barImage_;
};

void DisplayTest::initTestCase() {
    QVERIFY(dir_.isValid());
    // A bar of one colour, so the uncovered part is easy to count.
    QImage bar(220, 10, QImage::Format_RGB32);
    bar.fill(QColor(0, 255, 0));
    barImage_ = dir_.filePath(QStringLiteral("bar.dat"));
    QVERIFY(bar.save(barImage_, "PNG"));
}

void DisplayTest::meterUncoversCurve_data() {
    QTest::addColumn<float>("level");
    QTest::addColumn<int>("uncovered");
    // Inner width 220: width = 220 × (1 − |1 − x|)⁵, halves to even.
    QTest::newRow("0") << 0.0f << 0;
    QTest::newRow("0.5") << 0.5f << 7;
    QTest::newRow("0.8") << 0.8f << 72;
    QTest::newRow("0.9") << 0.9f << 130;
    QTest::newRow("1") << 1.0f << 220;
    QTest::newRow("1.2 as 0.8") << 1.2f << 72;
    QTest::newRow("1.5 as 0.5") << 1.5f << 7;
    QTest::newRow("2") << 2.0f << 0;
    QTest::newRow("3") << 3.0f << 0;
    QTest::newRow("-0.1") << -0.1f << 0;
}

void DisplayTest::meterUncoversCurve() {
    QFETCH(float, level);
    QFETCH(int, uncovered);
    LevelMeter meter;
    meter.setBackColor(kBlue);
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

void DisplayTest::meterWithoutImageIsTwoByTwo() {
    LevelMeter meter;
    meter.setImage(dir_.filePath(QStringLiteral("missing.dat")));
    QCOMPARE(meter.size(), QSize(2, 2));
    meter.setPercent(1.0f);  // nothing to show, nothing to break
    QCOMPARE(render(meter).size(), QSize(2, 2));
}

void DisplayTest::tickerMovesBySpeedPerTick() {
    Ticker t;
    t.setFont(tickerFont());
    t.setBorderStyle(0);
    t.setBackColor(kWhite);
    t.setForeColor(kBlack);
    t.resize(400, 20);
    t.Fill(QStringLiteral("Night Drive (MP3 file)"), QStringLiteral("· Vantrel ·"), 3);
    const QImage start = render(t);
    for (int ticks : {1, 2, 7, 20}) {
        Ticker u;
        u.setFont(tickerFont());
        u.setBorderStyle(0);
        u.setBackColor(kWhite);
        u.setForeColor(kBlack);
        u.resize(400, 20);
        u.Fill(QStringLiteral("Night Drive (MP3 file)"), QStringLiteral("· Vantrel ·"), 3);
        for (int i = 0; i < ticks; ++i) u.step();
        const int shift = 3 * ticks;
        QVERIFY2(sameColumns(render(u), 0, start, shift, 400 - shift),
                 qPrintable(QStringLiteral("after %1 ticks").arg(ticks)));
    }
}

void DisplayTest::tickerWrapsAfterOneCycle_data() {
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("shown");
    QTest::newRow("text gets spaces") << QStringLiteral("·") << QStringLiteral(" · ");
    QTest::newRow("deck") << QStringLiteral("· Vantrel ·") << QStringLiteral(" · Vantrel · ");
    QTest::newRow("mixing") << QStringLiteral("   Mixing to... ")
                            << QStringLiteral("    Mixing to...  ");
    QTest::newRow("blanks as they are") << QStringLiteral("      ") << QStringLiteral("      ");
    QTest::newRow("empty is one space") << QString() << QStringLiteral(" ");
}

void DisplayTest::tickerWrapsAfterOneCycle() {
    QFETCH(QString, separator);
    QFETCH(QString, shown);
    const QString message = QStringLiteral("Wrap");
    const QFontMetrics fm(tickerFont());
    const int cycle = fm.horizontalAdvance(message) + fm.horizontalAdvance(shown);

    Ticker t;
    t.setFont(tickerFont());
    t.setBorderStyle(0);
    t.setBackColor(kWhite);
    t.setForeColor(kBlack);
    t.resize(300, 20);
    t.Fill(message, separator, 1);
    const QImage start = render(t);
    for (int i = 0; i < cycle - 1; ++i) t.step();
    QVERIFY(render(t) != start);
    t.step();
    QCOMPARE(render(t), start);
    t.step();
    QVERIFY(sameColumns(render(t), 0, start, 1, 299));
}

void DisplayTest::tickerThatFitsStandsStillWithRed() {
    Ticker t;
    t.setFont(tickerFont());
    t.setBorderStyle(0);
    t.setBackColor(kWhite);
    t.setForeColor(kBlack);
    t.resize(300, 20);
    t.setAutoScroll(true);
    t.AddItem(QStringLiteral("Short"));
    const QImage before = render(t);
    QTest::qWait(400);  // more than three ticks of the default interval
    QCOMPARE(render(t), before);
    const int textWidth = QFontMetrics(tickerFont()).horizontalAdvance(QStringLiteral("Short"));
    for (int y : {0, 10, 19})
        QCOMPARE(runOf(before, y, textWidth, qRgb(255, 0, 0)), 300 - textWidth);
    QCOMPARE(before.pixel(0, 0), qRgb(255, 255, 255));
}

void DisplayTest::tickerBlankMessageBlanks() {
    Ticker t;
    t.setBorderStyle(0);
    t.setBackColor(kWhite);
    t.resize(200, 20);
    t.Fill(QStringLiteral("Something"), QStringLiteral("·"), 3);
    t.Fill(QStringLiteral("   "), QStringLiteral("·"), 3);
    QCOMPARE(t.ListCount(), 0);
    QImage blank(200, 20, QImage::Format_RGB32);
    blank.fill(qRgb(255, 255, 255));
    QCOMPARE(render(t), blank);
}

void DisplayTest::tickerIgnoresSpeedBelowOne() {
    Ticker t;
    t.setScrollSpeed(5);
    t.setScrollSpeed(0);
    t.setScrollSpeed(-2);
    QCOMPARE(t.ScrollSpeed(), 5);
}

void DisplayTest::tickerClickNamesItem() {
    Ticker t;
    t.setFont(tickerFont());
    t.setBorderStyle(0);
    t.resize(400, 20);
    t.AddItem(QStringLiteral("First"));
    t.AddItem(QStringLiteral("Second"), QStringLiteral("two"));
    QCOMPARE(t.FindItem(QStringLiteral("second")), 0);  // compared with the upper-cased text
    QVERIFY(t.FindKey(QStringLiteral("two")));
    t.show();
    QVERIFY(QTest::qWaitForWindowExposed(&t));
    QSignalSpy clicks(&t, &Ticker::ItemClick);
    const QFontMetrics fm(tickerFont());
    const int second = fm.horizontalAdvance(QStringLiteral("First")) +
                       fm.horizontalAdvance(QStringLiteral(" · ")) + 3;
    QTest::mouseMove(&t, QPoint(second, 10));
    QTest::mouseClick(&t, Qt::LeftButton, {}, QPoint(second, 10));
    QTest::mouseClick(&t, Qt::LeftButton, {}, QPoint(390, 10));  // past the strip: red, no item
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(clicks.at(0).at(0).toInt(), 2);
}

void DisplayTest::progressFill_data() {
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("filled");
    // 493 pixels wide.
    QTest::newRow("0") << 10000 << 0 << 0;
    QTest::newRow("half, halves to even") << 10000 << 5000 << 246;
    QTest::newRow("max") << 10000 << 10000 << 493;
    QTest::newRow("past max is cut off") << 10000 << 20000 << 493;
    QTest::newRow("song") << 183000 << 61000 << 164;
    QTest::newRow("max 0 keeps design width") << 0 << 5000 << 1;
    QTest::newRow("max below 0") << -1 << 5000 << 1;
}

void DisplayTest::progressFill() {
    QFETCH(int, max);
    QFETCH(int, value);
    QFETCH(int, filled);
    ProgressBar bar(max);
    QCOMPARE(bar.size(), QSize(493, 13));
    bar.setValue(value);
    QCOMPARE(bar.Value(), max > 0 ? value : 0);
    const QImage img = render(bar);
    // The filled bar is strongly coloured, the empty one grey.
    int coloured = 0;
    while (coloured < img.width() && QColor(img.pixel(coloured, 6)).hsvSaturation() > 100)
        ++coloured;
    QCOMPARE(coloured, filled);
    for (int x = coloured; x < img.width(); ++x)
        QVERIFY(QColor(img.pixel(x, 6)).hsvSaturation() < 20);
}

void DisplayTest::progressResizeKeepsFill() {
    ProgressBar bar;
    bar.setValue(5000);
    bar.resize(300, 13);
    QCOMPARE(bar.filledWidth(), 246);
    bar.setMax(0);
    bar.setValue(100);  // ignored: the bar stays as it was
    QCOMPARE(bar.filledWidth(), 246);
    bar.setMax(10000);
    bar.setMin(5000);  // takes no part in drawing
    bar.setValue(5000);
    QCOMPARE(bar.filledWidth(), 150);
}

QTEST_MAIN(DisplayTest)
#include "tst_display.moc"
