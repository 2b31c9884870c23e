#include <QtTest>

#include <QImage>
#include <QImageWriter>
#include <QProcess>
#include <QTemporaryDir>

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

QByteArray head(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.read(256) : QByteArray();
}

const char* const kMadeFiles[] = {"bar.png",
                                  "info40.bmp",
                                  "core12.bmp",
                                  "bar.gif",
                                  "baseline.jpg",
                                  "progressive.jpg",
                                  "magick-progressive.jpg"};

}  // namespace

class ImageHeaderTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

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
        // Each file holds the header kind its name promises.
        QCOMPARE(int(head(path("info40.bmp")).at(14)), 40);
        QCOMPARE(int(head(path("core12.bmp")).at(14)), 12);
        for (const char* name : {"progressive.jpg", "magick-progressive.jpg"})
            QVERIFY2(head(path(name)).contains(bytes({0xFF, 0xC2})), name);
    }

    // The size read from a file or from bytes, and the meter that takes it (plus its frame).
    void sizeFromHeader_data() {
        QTest::addColumn<QString>("file");  // "" = a file holding `data`
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<ImageSize>("size");
        for (const char* name : kMadeFiles)
            QTest::newRow(name) << QString::fromLatin1(name) << QByteArray() << ImageSize{37, 21};
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
    void sizeFromHeader() {
        QFETCH(QString, file);
        QFETCH(QByteArray, data);
        QFETCH(ImageSize, size);
        const bool crafted = file.isEmpty();
        const QString path =
            QDir(dir_.path()).filePath(crafted ? QStringLiteral("crafted.dat") : file);
        if (crafted) {
            // The reader sees exactly these bytes, so a read past them shows under the sanitizers.
            const ImageSize got = readImageHeader(
                reinterpret_cast<const unsigned char*>(data.data()), size_t(data.size()));
            QCOMPARE(got.width, size.width);
            QCOMPARE(got.height, size.height);
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

QTEST_MAIN(ImageHeaderTest)
#include "tst_imageheader.moc"
