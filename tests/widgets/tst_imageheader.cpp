#include <QtTest>

#include <QImage>
#include <QImageWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <random>
#include <vector>

#include "widgets/ImageHeader.h"
#include "widgets/LevelMeter.h"

using namespace vantrel;

Q_DECLARE_METATYPE(vantrel::ImageSize)

namespace {

constexpr int kWidth = 37;
constexpr int kHeight = 21;

QImage picture() {
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) img.setPixel(x, y, qRgb(x * 6, y * 12, 128));
    return img;
}

bool convert(const QString& from, const QStringList& options, const QString& to) {
    QProcess p;
    p.start(QStringLiteral("convert"), QStringList{from} + options + QStringList{to});
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values) b.append(char(v));
    return b;
}

QByteArray padded(QByteArray b, int size) {
    b.resize(size, '\0');
    return b;
}

QByteArray put(QByteArray b, int at, std::initializer_list<int> values) {
    if (b.size() < at + int(values.size())) b.resize(at + int(values.size()), '\0');
    for (int v : values) b[at++] = char(v);
    return b;
}

ImageSize read(const QByteArray& b) {
    return readImageHeader(reinterpret_cast<const unsigned char*>(b.constData()), size_t(b.size()));
}

// A frame header: marker, length, precision, then height and width, big-endian.
QByteArray jpegFrame(int marker, int height, int width) {
    return bytes(
        {0xFF, marker, 0x00, 0x11, 0x08, height >> 8, height & 0xFF, width >> 8, width & 0xFF});
}

const QByteArray kSoi = bytes({0xFF, 0xD8});

}  // namespace

class ImageHeaderTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void realFiles_data();
    void realFiles();
    void craftedBytes_data();
    void craftedBytes();
    void missingFileGivesTwoByTwoMeter();
    void randomMutationsFollowTheRules();

private:
    QTemporaryDir dir_;
    QStringList seeds_;
};

void ImageHeaderTest::initTestCase() {
    // The decoder's complaints about the crafted files are expected.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio*=false"));
    QVERIFY(dir_.isValid());
    const QImage img = picture();
    const QString png = dir_.filePath(QStringLiteral("bar.png"));
    QVERIFY(img.save(png, "PNG"));
    QVERIFY(img.save(dir_.filePath(QStringLiteral("info40.bmp")), "BMP"));
    QVERIFY(img.save(dir_.filePath(QStringLiteral("baseline.jpg")), "JPEG", 90));
    QImageWriter progressive(dir_.filePath(QStringLiteral("progressive.jpg")), "JPEG");
    progressive.setProgressiveScanWrite(true);
    QVERIFY(progressive.write(img));
    // Formats Qt does not write: the OS/2 bitmap header and GIF.
    QVERIFY(
        convert(png, {}, QStringLiteral("BMP2:") + dir_.filePath(QStringLiteral("core12.bmp"))));
    QVERIFY(convert(png, {}, dir_.filePath(QStringLiteral("bar.gif"))));
    QVERIFY(convert(png, {QStringLiteral("-interlace"), QStringLiteral("Plane")},
                    dir_.filePath(QStringLiteral("magick-progressive.jpg"))));
    for (const char* name : {"bar.png", "info40.bmp", "core12.bmp", "bar.gif", "baseline.jpg",
                             "progressive.jpg", "magick-progressive.jpg"})
        seeds_ << dir_.filePath(QString::fromLatin1(name));
}

void ImageHeaderTest::realFiles_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("headerByte");  // offset of a byte that proves the file's kind
    QTest::addColumn<int>("headerValue");
    QTest::newRow("PNG") << "bar.png" << 0 << 0x89;
    QTest::newRow("BMP 40-byte header") << "info40.bmp" << 14 << 40;
    QTest::newRow("BMP 12-byte header") << "core12.bmp" << 14 << 12;
    QTest::newRow("GIF") << "bar.gif" << 3 << int('8');
    QTest::newRow("JPEG baseline") << "baseline.jpg" << 1 << 0xD8;
    QTest::newRow("JPEG progressive") << "progressive.jpg" << 1 << 0xD8;
    QTest::newRow("JPEG progressive, other encoder") << "magick-progressive.jpg" << 1 << 0xD8;
}

void ImageHeaderTest::realFiles() {
    QFETCH(QString, name);
    QFETCH(int, headerByte);
    QFETCH(int, headerValue);
    const QString path = dir_.filePath(name);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray head = f.read(256);
    QCOMPARE(int(uchar(head.at(headerByte))), headerValue);
    if (name.contains(QStringLiteral("progressive")))
        QVERIFY2(head.contains(bytes({0xFF, 0xC2})), "not a progressive frame");

    QCOMPARE(readImageHeaderFile(path.toStdString()), (ImageSize{kWidth, kHeight}));
    LevelMeter meter;
    meter.setImage(path);
    QCOMPARE(meter.size(), QSize(kWidth + 2, kHeight + 2));
    QCOMPARE(LevelMeter::LoadGraphicDC(path).size(), QSize(kWidth, kHeight));
}

void ImageHeaderTest::craftedBytes_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<ImageSize>("size");
    const QByteArray app = padded(kSoi + bytes({0xFF, 0xE0, 0x00, 0x10}), 20);

    QTest::newRow("empty") << QByteArray() << ImageSize{};
    QTest::newRow("unknown") << QByteArray("hello, world") << ImageSize{};
    QTest::newRow("GIF7 is not GIF8") << put(QByteArray("GIF7"), 6, {10, 0, 20, 0}) << ImageSize{};
    QTest::newRow("JPEG frame") << app + jpegFrame(0xC0, 480, 640) << ImageSize{640, 480};
    QTest::newRow("JPEG: any C0..CF marker counts")
        << app + jpegFrame(0xC4, 0x0102, 0x0304) + jpegFrame(0xC0, 9, 9)
        << ImageSize{0x0304, 0x0102};
    QTest::newRow("JPEG marker at the last place read")
        << padded(kSoi, 247) + jpegFrame(0xC0, 30, 40) << ImageSize{40, 30};
    QTest::newRow("JPEG marker one byte too late")
        << padded(kSoi, 248) + jpegFrame(0xC0, 30, 40) << ImageSize{};
    QTest::newRow("JPEG marker beyond 256 bytes")
        << padded(kSoi, 300) + jpegFrame(0xC2, 30, 40) << ImageSize{};
    QTest::newRow("JPEG height overflows") << app + jpegFrame(0xC0, 32768, 40) << ImageSize{};
    QTest::newRow("JPEG width overflows") << app + jpegFrame(0xC0, 30, 40000) << ImageSize{0, 30};
    QTest::newRow("JPEG largest size")
        << app + jpegFrame(0xC0, 32767, 32767) << ImageSize{32767, 32767};
    QTest::newRow("JPEG truncated in the frame")
        << app + jpegFrame(0xC0, 300, 400).left(6) << ImageSize{0, 256};
    QTest::newRow("GIF") << put(QByteArray("GIF89a"), 6, {0x2C, 0x01, 0xC8, 0x00})
                         << ImageSize{300, 200};
    QTest::newRow("GIF width overflows")
        << put(QByteArray("GIF89a"), 6, {0, 0x80, 5, 0}) << ImageSize{};
    QTest::newRow("GIF height overflows")
        << put(QByteArray("GIF89a"), 6, {5, 0, 0xFF, 0xFF}) << ImageSize{5, 0};
    QTest::newRow("GIF truncated") << QByteArray("GIF89a") << ImageSize{};
    QTest::newRow("PNG uses the low half of its sizes")
        << put(QByteArray("\x89PNG"), 16, {0, 1, 0, 5, 0, 0, 0x01, 0x02}) << ImageSize{5, 258};
    QTest::newRow("PNG width overflows")
        << put(QByteArray("\x89PNG"), 16, {0, 0, 0x80, 0, 0, 0, 0, 9}) << ImageSize{};
    QTest::newRow("PNG truncated after the width")
        << put(QByteArray("\x89PNG"), 16, {0, 0, 0, 220}) << ImageSize{220, 0};
    QTest::newRow("BMP 40") << put(QByteArray("BM"), 14,
                                   {40, 0, 0, 0, 0x10, 0x27, 0, 0, 3, 0, 0, 0})
                            << ImageSize{10000, 3};
    QTest::newRow("BMP 40 top-down height overflows")
        << put(QByteArray("BM"), 14, {40, 0, 0, 0, 7, 0, 0, 0, 0xFD, 0xFF, 0xFF, 0xFF})
        << ImageSize{7, 0};
    QTest::newRow("BMP 12") << put(QByteArray("BM"), 14, {12, 0, 0, 0, 0x34, 0x12, 0x21, 0x00})
                            << ImageSize{0x1234, 0x21};
    QTest::newRow("BMP 12 width overflows")
        << put(QByteArray("BM"), 14, {12, 0, 0, 0, 0x00, 0x90, 1, 0}) << ImageSize{};
    QTest::newRow("BMP other header size")
        << put(QByteArray("BM"), 14, {124, 0, 0, 0, 7, 0, 0, 0, 3, 0, 0, 0}) << ImageSize{};
    QTest::newRow("BMP header cut before its size") << QByteArray("BM\0\0\0", 5) << ImageSize{};
}

void ImageHeaderTest::craftedBytes() {
    QFETCH(QByteArray, data);
    QFETCH(ImageSize, size);
    const ImageSize got = read(data);
    QCOMPARE(got.width, size.width);
    QCOMPARE(got.height, size.height);

    // The same bytes as a file give the same size, and the meter follows it.
    const QString path = dir_.filePath(QStringLiteral("crafted.dat"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
    f.close();
    QCOMPARE(readImageHeaderFile(path.toStdString()), size);
    LevelMeter meter;
    meter.setImage(path);
    QCOMPARE(meter.size(), QSize(size.width + 2, size.height + 2));
    if (size.width < 1000 && size.height < 1000) {
        meter.setPercent(1.0f);  // no decodable picture behind the size: shows nothing, no crash
        meter.grab();
    }
}

void ImageHeaderTest::missingFileGivesTwoByTwoMeter() {
    const QString path = dir_.filePath(QStringLiteral("no such file.dat"));
    QCOMPARE(readImageHeaderFile(path.toStdString()), ImageSize{});
    QCOMPARE(readImageHeaderFile(dir_.path().toStdString()), ImageSize{});  // a folder
    LevelMeter meter;
    meter.setImage(path);
    QCOMPARE(meter.size(), QSize(2, 2));
}

void ImageHeaderTest::randomMutationsFollowTheRules() {
    std::vector<std::vector<unsigned char>> seeds;
    for (const QString& path : seeds_) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray head = f.read(300);
        seeds.emplace_back(head.begin(), head.end());
    }
    std::mt19937 rng(20261206);
    auto below = [&](std::size_t n) { return std::size_t(rng() % n); };
    for (int round = 0; round < 50000; ++round) {
        std::vector<unsigned char> b = seeds[below(seeds.size())];
        const int edits = 1 + int(below(8));
        for (int e = 0; e < edits; ++e) {
            switch (below(5)) {
                case 0:
                    b[below(b.size())] = (unsigned char)(rng());
                    break;
                case 1:
                    b[below(b.size())] ^= (unsigned char)(1u << below(8));
                    break;
                case 2:
                    b[below(std::min<std::size_t>(b.size(), 30))] = 0xFF;
                    break;
                case 3:
                    b.resize(below(b.size() + 1));
                    break;
                default:
                    b.insert(b.begin() + std::ptrdiff_t(below(b.size() + 1)), 0xC0);
                    break;
            }
            if (b.empty()) b.push_back(0xFF);
        }
        // The reader sees exactly these bytes; a read past them is caught by the sanitizers.
        const std::vector<unsigned char> exact(b);
        const ImageSize s = readImageHeader(exact.data(), exact.size());

        b.resize(256, 0);
        auto word = [&](std::size_t hi, std::size_t lo) { return 256 * b[hi] + b[lo]; };
        // Each size is 0 or the rule's value; a size is only read after the one before it fitted.
        auto follows = [&](int first, int second) {
            if (first > 32767) return s.width == 0 && s.height == 0;
            return (s.width == 0 || s.width == first) && (s.height == 0 || s.height == second) &&
                   (second > 32767 ? s.height == 0 : true);
        };
        bool ok;
        if (b[0] == 0xFF && b[1] == 0xD8) {
            std::size_t i = 0;
            while (i + 8 < 256 && !(b[i] == 0xFF && b[i + 1] >= 0xC0 && b[i + 1] <= 0xCF)) ++i;
            if (i + 8 >= 256) {
                ok = s == ImageSize{};
            } else {
                const int h = word(i + 5, i + 6), w = word(i + 7, i + 8);
                ok = h > 32767 ? s == ImageSize{}
                               : s.height == h && (w > 32767 ? s.width == 0 : s.width == w);
            }
        } else if (b[0] == 'G' && b[1] == 'I' && b[2] == 'F' && b[3] == '8') {
            ok =
                follows(word(7, 6), word(9, 8)) && s.width == (word(7, 6) > 32767 ? 0 : word(7, 6));
        } else if (b[0] == 'B' && b[1] == 'M') {
            if (b[14] == 12) {
                ok = follows(word(19, 18), word(21, 20));
            } else if (b[14] == 40) {
                auto dword = [&](std::size_t at) {
                    return std::int64_t(b[at]) | std::int64_t(b[at + 1]) << 8 |
                           std::int64_t(b[at + 2]) << 16 | std::int64_t(b[at + 3]) << 24;
                };
                const std::int64_t w = dword(18), h = dword(22);
                ok = w > INT32_MAX ? s == ImageSize{}
                                   : s.width == w && s.height == (h > INT32_MAX ? 0 : h);
            } else {
                ok = s == ImageSize{};
            }
        } else if (b[0] == 0x89 && b[1] == 'P' && b[2] == 'N' && b[3] == 'G') {
            ok = follows(word(18, 19), word(22, 23));
        } else {
            ok = s == ImageSize{};
        }
        if (!ok || s.width < 0 || s.height < 0)
            QFAIL(qPrintable(QStringLiteral("round %1: %2 x %3 breaks the rules")
                                 .arg(round)
                                 .arg(s.width)
                                 .arg(s.height)));
    }
}

QTEST_MAIN(ImageHeaderTest)
#include "tst_imageheader.moc"
