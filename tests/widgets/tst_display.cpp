// What the meter, the ticker and the progress bar show, and the picture sizes the meter reads
// from file headers.
#include <QtTest>

#include <QFontMetrics>
#include <QImage>
#include <QImageWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>

#include "support/AudioFiles.h"
#include "widgets/ImageHeader.h"
#include "widgets/LevelMeter.h"
#include "widgets/ProgressBar.h"
#include "widgets/Ticker.h"

using namespace vantrel;

Q_DECLARE_METATYPE(vantrel::ImageSize)

namespace {

QImage render(QWidget& w) {
    return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Columns of row y from x0 that are strongly coloured, without a break; -1 when anything
// strongly coloured follows them.
int colouredRun(const QImage& img, int y, int x0 = 0) {
    int x = x0;
    while (x < img.width() && QColor(img.pixel(x, y)).hsvSaturation() > 100) ++x;
    for (int rest = x; rest < img.width(); ++rest)
        if (QColor(img.pixel(rest, y)).hsvSaturation() >= 20) return -1;
    return x - x0;
}

// A borderless black-on-white ticker in a known font, so text positions can be computed.
std::unique_ptr<Ticker> plainTicker(int width) {
    auto t = std::make_unique<Ticker>();
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(12);
    t->setFont(f);
    t->setBorderStyle(0);
    t->setBackColor(rgbColour(255, 255, 255));
    t->setForeColor(rgbColour(0, 0, 0));
    t->resize(width, 20);
    return t;
}

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values) b.append(char(v));
    return b;
}

// `head` with `values` written from offset `at`, zero-filled in between.
QByteArray put(QByteArray head, int at, std::initializer_list<int> values) {
    head.resize(std::max<qsizetype>(head.size(), at), '\0');
    return head.left(at) + bytes(values) + head.mid(at + qsizetype(values.size()));
}

// A frame header: marker, length, precision, then height and width, big-endian.
QByteArray jpegFrame(int marker, int height, int width) {
    return bytes(
        {0xFF, marker, 0x00, 0x11, 0x08, height >> 8, height & 0xFF, width >> 8, width & 0xFF});
}

const char* const kMadeFiles[] = {"bar.png", "info40.bmp",   "core12.bmp",
                                  "bar.gif", "baseline.jpg", "progressive.jpg"};

}  // namespace

class DisplayTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    // The meter's bar in the formats it reads, made by the encoders people use. One colour, so
    // the uncovered part is easy to count.
    void initTestCase() {
        // The decoder's complaints about the crafted files are expected.
        QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio*=false"));
        QVERIFY(dir_.isValid());
        QImage bar(220, 10, QImage::Format_RGB32);
        bar.fill(QColor(0, 255, 0));
        const auto path = [this](const char* name) { return dir_.filePath(name); };
        QVERIFY(bar.save(path("bar.png"), "PNG"));
        QVERIFY(bar.save(path("info40.bmp"), "BMP"));
        QVERIFY(bar.save(path("baseline.jpg"), "JPEG", 90));
        QImageWriter progressive(path("progressive.jpg"), "JPEG");
        progressive.setProgressiveScanWrite(true);
        QVERIFY(progressive.write(bar));
        // Formats Qt does not write: the OS/2 bitmap header and GIF.
        for (const QString& made : {"BMP2:" + path("core12.bmp"), path("bar.gif")})
            QCOMPARE(QProcess::execute("convert", {path("bar.png"), made}), 0);
        // Each file holds the header kind its name promises.
        QCOMPARE(int(test::readFile(path("info40.bmp")).at(14)), 40);
        QCOMPARE(int(test::readFile(path("core12.bmp")).at(14)), 12);
        QVERIFY(test::readFile(path("progressive.jpg")).contains(bytes({0xFF, 0xC2})));
    }

    void meterUncoversCurve_data() {
        QTest::addColumn<float>("level");
        QTest::addColumn<int>("uncovered");
        // Inner width 220: width = 220 × (1 − |1 − x|)⁵, halves to even.
        QTest::newRow("0.5") << 0.5f << 7;
        QTest::newRow("0.9") << 0.9f << 130;
        QTest::newRow("exactly a half, to even") << 0.633799613f << 22;  // 22.5 in doubles
        QTest::newRow("1") << 1.0f << 220;
        QTest::newRow("1.5 as 0.5") << 1.5f << 7;
        QTest::newRow("-0.1") << -0.1f << 0;
    }
    void meterUncoversCurve() {
        QFETCH(float, level);
        QFETCH(int, uncovered);
        LevelMeter meter;
        meter.setBackColor(rgbColour(255, 255, 255));
        meter.setImage(dir_.filePath("bar.png"));
        meter.setPercent(0.7f);  // a previous level must be fully replaced
        meter.setPercent(level);
        for (int y = 1; y <= 10; ++y) QCOMPARE(colouredRun(render(meter), y, 1), uncovered);
    }

    void tickerScrollsAndWraps_data() {
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("shown");
        for (const auto& [separator, shown] : {std::pair{"·", " · "},
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
        auto slow = plainTicker(300);
        auto fast = plainTicker(300);
        const QFontMetrics fm = slow->fontMetrics();
        const int cycle = fm.horizontalAdvance(message) + fm.horizontalAdvance(shown);
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
            if (tick == cycle + 1) QCOMPARE(now.copy(0, 0, 299, 20), start.copy(1, 0, 299, 20));
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
        const int textWidth = t->fontMetrics().horizontalAdvance(QStringLiteral("Short"));
        for (int y : {0, 10, 19}) QCOMPARE(colouredRun(before, y, textWidth), 300 - textWidth);
        QCOMPARE(before.pixel(0, 0), qRgb(255, 255, 255));

        t->Fill(QStringLiteral("   "), QStringLiteral("·"), 3);  // a blank message blanks it
        QCOMPARE(render(*t), render(*plainTicker(300)));
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
        auto t = plainTicker(0);
        const QFontMetrics fm = t->fontMetrics();  // an item and its separator
        const int pitch =
            fm.horizontalAdvance(QStringLiteral("a")) + fm.horizontalAdvance(QStringLiteral(" · "));
        t->resize(pitch * (items + 1), 20);
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
        QCOMPARE(dragged.copy(0, 0, 260, 20), held.copy(40, 0, 260, 20));
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
    }
    void progressFill() {
        QFETCH(int, max);
        QFETCH(int, value);
        QFETCH(int, filled);
        ProgressBar bar(max);
        QCOMPARE(bar.size(), QSize(493, 13));
        bar.setValue(value);
        QCOMPARE(colouredRun(render(bar), 6), filled);
        bar.resize(300, 13);  // a resize alone keeps the fill
        QCOMPARE(colouredRun(render(bar), 6), std::min(filled, 300));
        bar.setValue(value);
        QTEST(colouredRun(render(bar), 6), "filled300");
    }

    // The size read from a file or from bytes, and the meter that takes it (plus its frame).
    void sizeFromHeader_data() {
        QTest::addColumn<QString>("file");  // "" = a file holding `data`
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<ImageSize>("size");
        for (const char* name : kMadeFiles)
            QTest::newRow(name) << QString::fromLatin1(name) << QByteArray() << ImageSize{220, 10};
        QTest::newRow("the build's bar image")
            << QDir(qEnvironmentVariable("VANTREL_BUILD_DIR")).filePath("util/keysec.dat")
            << QByteArray() << ImageSize{220, 10};
        QTest::newRow("missing file") << "no such file.dat" << QByteArray() << ImageSize{};
        QTest::newRow("folder") << "." << QByteArray() << ImageSize{};
        const auto row = [](const char* name, const QByteArray& data, int width, int height) {
            QTest::newRow(name) << QString() << data << ImageSize{width, height};
        };
        const QByteArray soi = bytes({0xFF, 0xD8});
        const QByteArray app = put(soi + bytes({0xFF, 0xE0, 0x00, 0x10}), 20, {});
        // clang-format off
        row("empty", QByteArray(), 0, 0);
        row("GIF7 is not GIF8", put("GIF7", 6, {10, 0, 20, 0}), 0, 0);
        row("JPEG: any C0..CF marker counts", app + jpegFrame(0xC4, 0x0102, 0x0304) + jpegFrame(0xC0, 9, 9), 0x0304, 0x0102);
        row("JPEG marker at the last place read", put(soi, 247, {}) + jpegFrame(0xC0, 30, 40), 40, 30);
        row("JPEG marker one byte too late", put(soi, 248, {}) + jpegFrame(0xC0, 30, 40), 0, 0);
        row("JPEG height overflows", app + jpegFrame(0xC0, 32768, 40), 0, 0);
        row("JPEG width overflows", app + jpegFrame(0xC0, 30, 40000), 0, 30);
        row("JPEG largest size", app + jpegFrame(0xC0, 32767, 32767), 32767, 32767);
        row("JPEG truncated in the frame", app + jpegFrame(0xC0, 300, 400).left(6), 0, 256);
        row("GIF", put("GIF89a", 6, {0x2C, 0x01, 0xC8, 0x00}), 300, 200);
        row("GIF width overflows", put("GIF89a", 6, {0, 0x80, 5, 0}), 0, 0);
        row("GIF height overflows", put("GIF89a", 6, {5, 0, 0xFF, 0xFF}), 5, 0);
        row("GIF truncated", "GIF89a", 0, 0);
        row("PNG uses the low half of its sizes", put("\x89PNG", 16, {0, 1, 0, 5, 0, 0, 1, 2}), 5, 258);
        row("PNG width overflows", put("\x89PNG", 16, {0, 0, 0x80, 0, 0, 0, 0, 9}), 0, 0);
        row("PNG truncated after the width", put("\x89PNG", 16, {0, 0, 0, 220}), 220, 0);
        row("BMP 40", put("BM", 14, {40, 0, 0, 0, 0x10, 0x27, 0, 0, 3, 0, 0, 0}), 10000, 3);
        row("BMP 40 top-down height overflows", put("BM", 14, {40, 0, 0, 0, 7, 0, 0, 0, 0xFD, 0xFF, 0xFF, 0xFF}), 7, 0);
        row("BMP 12", put("BM", 14, {12, 0, 0, 0, 0x34, 0x12, 0x21, 0x00}), 0x1234, 0x21);
        row("BMP 12 width overflows", put("BM", 14, {12, 0, 0, 0, 0x00, 0x90, 1, 0}), 0, 0);
        row("BMP other header size", put("BM", 14, {124, 0, 0, 0, 7, 0, 0, 0, 3, 0, 0, 0}), 0, 0);
        row("BMP header cut before its size", QByteArray("BM\0\0\0", 5), 0, 0);
        // clang-format on
    }
    void sizeFromHeader() {
        QFETCH(QString, file);
        QFETCH(QByteArray, data);
        QFETCH(ImageSize, size);
        const bool crafted = file.isEmpty();
        const QString path =
            QDir(dir_.path()).filePath(crafted ? QStringLiteral("crafted.dat") : file);
        if (crafted) {
            // The reader sees exactly these bytes, so a read past them shows under the sanitizers.
            QCOMPARE(
                readImageHeader(reinterpret_cast<const uchar*>(data.data()), size_t(data.size())),
                size);
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                    f.write(data) == data.size());
        }
        QCOMPARE(readImageHeaderFile(path.toStdString()), size);
        LevelMeter meter;
        meter.setImage(path);
        QCOMPARE(meter.size(), QSize(size.width + 2, size.height + 2));
        if (!crafted && size.width > 0)
            QCOMPARE(LevelMeter::LoadGraphicDC(path).size(), QSize(size.width, size.height));
        if (size.width < 1000 && size.height < 1000) {
            meter.setPercent(1.0f);  // a size with no decodable picture behind it shows nothing
            QCOMPARE(meter.grab().size(), meter.size());
        }
    }
};

QTEST_MAIN(DisplayTest)
#include "tst_display.moc"
