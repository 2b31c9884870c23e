#include <QtTest>

#include <QDir>
#include <QFontMetrics>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>
#include <memory>

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

// A borderless black-on-white ticker in a known font, so text positions can be computed.
std::unique_ptr<Ticker> plainTicker(int width) {
    auto t = std::make_unique<Ticker>();
    t->setFont(tickerFont());
    t->setBorderStyle(0);
    t->setBackColor(kWhite);
    t->setForeColor(kBlack);
    t->resize(width, 20);
    return t;
}

// Columns of the filled (strongly coloured) bar, counted from the left along the middle row.
int filledColumns(const QImage& img) {
    int x = 0;
    while (x < img.width() && QColor(img.pixel(x, 6)).hsvSaturation() > 100) ++x;
    for (int rest = x; rest < img.width(); ++rest)
        if (QColor(img.pixel(rest, 6)).hsvSaturation() >= 20) return -1;  // not a clean edge
    return x;
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
    void tickerClickNamesItem_data();
    void tickerClickNamesItem();
    void tickerPansWithTheMouse();
    void tickerItemOrder_data();
    void tickerItemOrder();

    void progressFill_data();
    void progressFill();
    void progressResizeKeepsFill();

    void deckPanelsShowAllThree();

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
    auto t = plainTicker(400);
    t->Fill(QStringLiteral("Night Drive (MP3 file)"), QStringLiteral("· Vantrel ·"), 3);
    const QImage start = render(*t);
    int ticks = 0;
    for (int more : {1, 1, 5, 13}) {
        for (int i = 0; i < more; ++i) t->step();
        ticks += more;
        const int shift = 3 * ticks;
        QVERIFY2(sameColumns(render(*t), 0, start, shift, 400 - shift),
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

    auto t = plainTicker(300);
    t->Fill(message, separator, 1);
    const QImage start = render(*t);
    for (int i = 0; i < cycle - 1; ++i) t->step();
    QVERIFY(render(*t) != start);
    t->step();
    QCOMPARE(render(*t), start);
    t->step();
    QVERIFY(sameColumns(render(*t), 0, start, 1, 299));

    // At three pixels a tick the offset wraps to what is left over the cycle.
    auto fast = plainTicker(300);
    fast->Fill(message, separator, 3);
    const int ticks = cycle / 3 + 1;
    for (int i = 0; i < ticks; ++i) fast->step();
    const int rest = 3 * ticks - cycle;
    QVERIFY(sameColumns(render(*fast), 0, start, rest, 300 - rest));
}

void DisplayTest::tickerThatFitsStandsStillWithRed() {
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
}

void DisplayTest::tickerBlankMessageBlanks() {
    auto t = plainTicker(200);
    t->Fill(QStringLiteral("Something"), QStringLiteral("·"), 3);
    t->Fill(QStringLiteral("   "), QStringLiteral("·"), 3);
    QCOMPARE(t->ListCount(), 0);
    QImage blank(200, 20, QImage::Format_RGB32);
    blank.fill(qRgb(255, 255, 255));
    QCOMPARE(render(*t), blank);
}

void DisplayTest::tickerIgnoresSpeedBelowOne() {
    Ticker t;
    t.setScrollSpeed(5);
    t.setScrollSpeed(0);
    t.setScrollSpeed(-2);
    QCOMPARE(t.ScrollSpeed(), 5);
}

void DisplayTest::tickerClickNamesItem_data() {
    QTest::addColumn<int>("items");
    QTest::addColumn<int>("target");
    QTest::addColumn<int>("clicked");  // 0: a click with no item
    QTest::newRow("second of two") << 2 << 2 << 2;
    QTest::newRow("past the strip, on red") << 2 << 3 << 0;
    QTest::newRow("last entry of the hit table") << 1100 << 1024 << 1024;
    QTest::newRow("beyond the hit table") << 1100 << 1025 << 0;
}

void DisplayTest::tickerClickNamesItem() {
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

void DisplayTest::tickerPansWithTheMouse() {
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

void DisplayTest::tickerItemOrder_data() {
    QTest::addColumn<QStringList>("adds");  // text|key|index
    QTest::addColumn<QStringList>("items");
    QTest::newRow("appended") << QStringList{"a||0", "b||0"} << QStringList{"a", "b"};
    QTest::newRow("before an index")
        << QStringList{"a||0", "b||0", "c||2"} << QStringList{"a", "c", "b"};
    QTest::newRow("index past the end") << QStringList{"a||0", "b||3"} << QStringList{"a"};
    QTest::newRow("key taken") << QStringList{"a|k|0", "b|k|0", "c| |0"} << QStringList{"a", "c"};
    QTest::newRow("blank text") << QStringList{"   ||0", "||0", "x||0"} << QStringList{"x"};
}

void DisplayTest::tickerItemOrder() {
    QFETCH(QStringList, adds);
    QFETCH(QStringList, items);
    Ticker t;
    for (const QString& add : adds) {
        const QStringList f = add.split(u'|');
        t.AddItem(f[0], f[1], f[2].toInt());
    }
    QStringList got;
    for (int i = 1; i <= t.ListCount(); ++i) got << t.List(i);
    QCOMPARE(got, items);
    if (t.FindKey(QStringLiteral("k"))) {
        t.RemoveItem(QStringLiteral("k"));
        QCOMPARE(t.ListCount(), items.size() - 1);
    }
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
    QCOMPARE(filledColumns(render(bar)), filled);
}

void DisplayTest::progressResizeKeepsFill() {
    ProgressBar bar;
    bar.setValue(5000);
    bar.resize(300, 13);
    QCOMPARE(filledColumns(render(bar)), 246);
    bar.setMax(0);
    bar.setValue(100);  // ignored: the bar stays as it was
    QCOMPARE(filledColumns(render(bar)), 246);
    bar.setMax(10000);
    bar.setMin(5000);  // takes no part in drawing
    bar.setValue(5000);
    QCOMPARE(filledColumns(render(bar)), 150);
}

void DisplayTest::deckPanelsShowAllThree() {
    // The bar image the build makes, in two deck panels as the main window lays them out.
    const QString asset = QDir(qEnvironmentVariable("VANTREL_BUILD_DIR",
                                                    QCoreApplication::applicationDirPath() + "/.."))
                              .filePath(QStringLiteral("util/keysec.dat"));
    QVERIFY2(QFile::exists(asset), qPrintable(asset));
    QWidget window;
    window.setWindowTitle(QStringLiteral("Vantrel"));
    auto* grid = new QGridLayout(&window);
    struct Deck {
        Ticker* ticker;
        LevelMeter* meters[2];
        ProgressBar* progress;
    } decks[2];
    const float levels[2][2] = {{0.93f, 0.88f}, {0.71f, 0.64f}};
    const QString titles[2] = {QStringLiteral("Midnight Avenue (MP3 file)"),
                               QStringLiteral("Harbour Lights (Wav file)")};
    for (int d = 0; d < 2; ++d) {
        Deck& k = decks[d];
        grid->addWidget(new QLabel(QStringLiteral("Deck %1").arg(d + 1)), 0, d);
        k.ticker = new Ticker;
        k.ticker->setBorderStyle(0);
        QFont f = k.ticker->font();
        f.setPointSizeF(9.75);
        f.setBold(true);
        k.ticker->setFont(f);
        k.ticker->setFixedSize(493, 20);
        k.ticker->Fill(titles[d],
                       d == 0 ? QStringLiteral("· Vantrel ·") : QStringLiteral("   Mixing to... "),
                       3);
        for (int i = 0; i < 40; ++i) k.ticker->step();
        grid->addWidget(k.ticker, 1, d);
        for (int m = 0; m < 2; ++m) {
            k.meters[m] = new LevelMeter;
            k.meters[m]->setImage(asset);
            k.meters[m]->setPercent(levels[d][m]);
            grid->addWidget(k.meters[m], 2 + m, d);
        }
        k.progress = new ProgressBar(0);
        k.progress->setMax(214000);
        k.progress->setValue(d == 0 ? 171000 : 12000);
        grid->addWidget(k.progress, 4, d);
    }
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(decks[0].meters[0]->size(), QSize(222, 12));

    const QImage shot = window.grab().toImage();
    if (const QString out = qEnvironmentVariable("VANTREL_SCREENSHOT"); !out.isEmpty())
        shot.save(out);
    auto at = [&](QWidget* w, int x, int y) {
        return QColor(shot.pixel(w->mapTo(&window, QPoint(x, y)) * shot.devicePixelRatio()));
    };
    // Uncovered meter: the green start of the bar; covered: the background.
    QVERIFY(at(decks[0].meters[0], 5, 6).green() > 150);
    QVERIFY(at(decks[0].meters[0], 5, 6).red() < 120);
    QCOMPARE(at(decks[1].meters[1], 200, 6), window.palette().color(QPalette::Button));
    // The near-finished song's bar is red at its end; the other one has barely begun.
    QVERIFY(at(decks[0].progress, 390, 6).red() > 180);
    QVERIFY(at(decks[1].progress, 100, 6).hsvSaturation() < 20);
    // Text has been drawn across the ticker.
    int ink = 0;
    for (int x = 0; x < 493; ++x)
        if (at(decks[0].ticker, x, 10) != window.palette().color(QPalette::Button)) ++ink;
    QVERIFY(ink > 50);
}

QTEST_MAIN(DisplayTest)
#include "tst_display.moc"
