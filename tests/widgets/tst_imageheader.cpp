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

}  // namespace

class ImageHeaderTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QStringList seeds_;

private slots:
    void initTestCase() {
        // The decoder's complaints about the crafted files are expected.
        QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio*=false"));
        QVERIFY(dir_.isValid());
        QImage img(37, 21, QImage::Format_RGB32);
        for (int y = 0; y < 21; ++y)
            for (int x = 0; x < 37; ++x) img.setPixel(x, y, qRgb(x * 6, y * 12, 128));
        const auto path = [this](const char* name) { return dir_.filePath(name); };
        QVERIFY(img.save(path("bar.png"), "PNG"));
        QVERIFY(img.save(path("info40.bmp"), "BMP"));
        QVERIFY(img.save(path("baseline.jpg"), "JPEG", 90));
        QImageWriter progressive(path("progressive.jpg"), "JPEG");
        progressive.setProgressiveScanWrite(true);
        QVERIFY(progressive.write(img));
        // Formats Qt does not write: the OS/2 bitmap header and GIF.
        for (const QStringList& args :
             {QStringList{"BMP2:" + path("core12.bmp")}, QStringList{path("bar.gif")},
              QStringList{"-interlace", "Plane", path("magick-progressive.jpg")}})
            QCOMPARE(QProcess::execute("convert", QStringList{path("bar.png")} + args), 0);
        for (const char* name : {"bar.png", "info40.bmp", "core12.bmp", "bar.gif", "baseline.jpg",
                                 "progressive.jpg", "magick-progressive.jpg"})
            seeds_ << path(name);
    }

    void realFiles_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("at");  // offset of a byte that proves the file's kind
        QTest::addColumn<int>("value");
        const auto row = [](const char* name, int at, int value) {
            QTest::newRow(name) << QString::fromLatin1(name) << at << value;
        };
        row("bar.png", 0, 0x89);
        row("info40.bmp", 14, 40);
        row("core12.bmp", 14, 12);
        row("bar.gif", 3, '8');
        for (const char* jpeg : {"baseline.jpg", "progressive.jpg", "magick-progressive.jpg"})
            row(jpeg, 1, 0xD8);
    }
    void realFiles() {
        QFETCH(QString, name);
        QFETCH(int, at);
        const QString path = dir_.filePath(name);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray head = f.read(256);
        QTEST(int(uchar(head.at(at))), "value");
        if (name.contains(QStringLiteral("progressive")))
            QVERIFY2(head.contains(bytes({0xFF, 0xC2})), "not a progressive frame");
        QCOMPARE(readImageHeaderFile(path.toStdString()), (ImageSize{37, 21}));
        LevelMeter meter;
        meter.setImage(path);
        QCOMPARE(meter.size(), QSize(39, 23));
        QCOMPARE(LevelMeter::LoadGraphicDC(path).size(), QSize(37, 21));
    }

    void craftedBytes_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<ImageSize>("size");
        const auto row = [](const char* name, const QByteArray& data, int width, int height) {
            QTest::newRow(name) << data << ImageSize{width, height};
        };
        const QByteArray soi = bytes({0xFF, 0xD8});
        const QByteArray app = put(soi + bytes({0xFF, 0xE0, 0x00, 0x10}), 20, {});
        row("empty", QByteArray(), 0, 0);
        row("unknown", "hello, world", 0, 0);
        row("GIF7 is not GIF8", put("GIF7", 6, {10, 0, 20, 0}), 0, 0);
        row("JPEG frame", app + jpegFrame(0xC0, 480, 640), 640, 480);
        row("JPEG: any C0..CF marker counts",
            app + jpegFrame(0xC4, 0x0102, 0x0304) + jpegFrame(0xC0, 9, 9), 0x0304, 0x0102);
        row("JPEG marker at the last place read", put(soi, 247, {}) + jpegFrame(0xC0, 30, 40), 40,
            30);
        row("JPEG marker one byte too late", put(soi, 248, {}) + jpegFrame(0xC0, 30, 40), 0, 0);
        row("JPEG marker beyond 256 bytes", put(soi, 300, {}) + jpegFrame(0xC2, 30, 40), 0, 0);
        row("JPEG height overflows", app + jpegFrame(0xC0, 32768, 40), 0, 0);
        row("JPEG width overflows", app + jpegFrame(0xC0, 30, 40000), 0, 30);
        row("JPEG largest size", app + jpegFrame(0xC0, 32767, 32767), 32767, 32767);
        row("JPEG truncated in the frame", app + jpegFrame(0xC0, 300, 400).left(6), 0, 256);
        row("GIF", put("GIF89a", 6, {0x2C, 0x01, 0xC8, 0x00}), 300, 200);
        row("GIF width overflows", put("GIF89a", 6, {0, 0x80, 5, 0}), 0, 0);
        row("GIF height overflows", put("GIF89a", 6, {5, 0, 0xFF, 0xFF}), 5, 0);
        row("GIF truncated", "GIF89a", 0, 0);
        row("PNG uses the low half of its sizes", put("\x89PNG", 16, {0, 1, 0, 5, 0, 0, 1, 2}), 5,
            258);
        row("PNG width overflows", put("\x89PNG", 16, {0, 0, 0x80, 0, 0, 0, 0, 9}), 0, 0);
        row("PNG truncated after the width", put("\x89PNG", 16, {0, 0, 0, 220}), 220, 0);
        row("BMP 40", put("BM", 14, {40, 0, 0, 0, 0x10, 0x27, 0, 0, 3, 0, 0, 0}), 10000, 3);
        row("BMP 40 top-down height overflows",
            put("BM", 14, {40, 0, 0, 0, 7, 0, 0, 0, 0xFD, 0xFF, 0xFF, 0xFF}), 7, 0);
        row("BMP 12", put("BM", 14, {12, 0, 0, 0, 0x34, 0x12, 0x21, 0x00}), 0x1234, 0x21);
        row("BMP 12 width overflows", put("BM", 14, {12, 0, 0, 0, 0x00, 0x90, 1, 0}), 0, 0);
        row("BMP other header size", put("BM", 14, {124, 0, 0, 0, 7, 0, 0, 0, 3, 0, 0, 0}), 0, 0);
        row("BMP header cut before its size", QByteArray("BM\0\0\0", 5), 0, 0);
    }
    void craftedBytes() {
        QFETCH(QByteArray, data);
        QFETCH(ImageSize, size);
        const ImageSize got = readImageHeader(reinterpret_cast<const unsigned char*>(data.data()),
                                              size_t(data.size()));
        QCOMPARE(got.width, size.width);
        QCOMPARE(got.height, size.height);
        // The same bytes as a file give the same size, and the meter follows it.
        const QString path = dir_.filePath(QStringLiteral("crafted.dat"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size());
        f.close();
        QCOMPARE(readImageHeaderFile(path.toStdString()), size);
        LevelMeter meter;
        meter.setImage(path);
        QCOMPARE(meter.size(), QSize(size.width + 2, size.height + 2));
        if (size.width < 1000 && size.height < 1000) {
            meter.setPercent(1.0f);  // no decodable picture behind the size: shows nothing
            meter.grab();
        }
    }

    void missingFileGivesTwoByTwoMeter() {
        const QString path = dir_.filePath(QStringLiteral("no such file.dat"));
        QCOMPARE(readImageHeaderFile(path.toStdString()), ImageSize{});
        QCOMPARE(readImageHeaderFile(dir_.path().toStdString()), ImageSize{});  // a folder
        LevelMeter meter;
        meter.setImage(path);
        QCOMPARE(meter.size(), QSize(2, 2));
        meter.setPercent(1.0f);  // nothing to show, nothing to break
        QCOMPARE(meter.grab().size(), QSize(2, 2));
    }

    void randomMutationsFollowTheRules() {
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
            for (std::size_t e = 0, edits = 1 + below(8); e < edits; ++e) {
                const std::size_t kind = below(5);
                if (kind == 0) b[below(b.size())] = (unsigned char)(rng());
                if (kind == 1) b[below(b.size())] ^= (unsigned char)(1u << below(8));
                if (kind == 2) b[below(std::min<std::size_t>(b.size(), 30))] = 0xFF;
                if (kind == 3) b.resize(below(b.size() + 1));
                if (kind == 4) b.insert(b.begin() + std::ptrdiff_t(below(b.size() + 1)), 0xC0);
                if (b.empty()) b.push_back(0xFF);
            }
            // The reader sees exactly these bytes; a read past them is caught by the sanitizers.
            const std::vector<unsigned char> exact(b);
            const ImageSize s = readImageHeader(exact.data(), exact.size());

            b.resize(256, 0);
            auto word = [&](std::size_t hi, std::size_t lo) { return 256 * b[hi] + b[lo]; };
            // Each size is 0 or the rule's value; a size is only read after the one before it
            // fitted.
            auto follows = [&](int first, int second) {
                if (first > 32767) return s.width == 0 && s.height == 0;
                return (s.width == 0 || s.width == first) &&
                       (s.height == 0 || s.height == second) &&
                       (second > 32767 ? s.height == 0 : true);
            };
            bool ok = s == ImageSize{};  // unknown kinds and BMP headers of other sizes
            if (b[0] == 0xFF && b[1] == 0xD8) {
                std::size_t i = 0;
                while (i + 8 < 256 && !(b[i] == 0xFF && b[i + 1] >= 0xC0 && b[i + 1] <= 0xCF)) ++i;
                const int h = i + 8 < 256 ? word(i + 5, i + 6) : 0;
                const int w = i + 8 < 256 ? word(i + 7, i + 8) : 0;
                if (i + 8 < 256)
                    ok = h > 32767 ? s == ImageSize{}
                                   : s.height == h && (w > 32767 ? s.width == 0 : s.width == w);
            } else if (b[0] == 'G' && b[1] == 'I' && b[2] == 'F' && b[3] == '8') {
                ok = follows(word(7, 6), word(9, 8)) &&
                     s.width == (word(7, 6) > 32767 ? 0 : word(7, 6));
            } else if (b[0] == 'B' && b[1] == 'M' && b[14] == 12) {
                ok = follows(word(19, 18), word(21, 20));
            } else if (b[0] == 'B' && b[1] == 'M' && b[14] == 40) {
                auto dword = [&](std::size_t at) {
                    return std::int64_t(b[at]) | std::int64_t(b[at + 1]) << 8 |
                           std::int64_t(b[at + 2]) << 16 | std::int64_t(b[at + 3]) << 24;
                };
                const std::int64_t w = dword(18), h = dword(22);
                ok = w > INT32_MAX ? s == ImageSize{}
                                   : s.width == w && s.height == (h > INT32_MAX ? 0 : h);
            } else if (b[0] == 0x89 && b[1] == 'P' && b[2] == 'N' && b[3] == 'G') {
                ok = follows(word(18, 19), word(22, 23));
            }
            QVERIFY2(
                ok && s.width >= 0 && s.height >= 0,
                qPrintable(
                    QStringLiteral("round %1: %2 x %3").arg(round).arg(s.width).arg(s.height)));
        }
    }
};

QTEST_MAIN(ImageHeaderTest)
#include "tst_imageheader.moc"
