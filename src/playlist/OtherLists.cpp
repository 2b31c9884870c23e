#include "playlist/OtherLists.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QUrl>
#include <QXmlStreamReader>
#include <algorithm>
#include <map>

#include "playlist/Playlist.h"

namespace vantrel {

namespace {

const QString kTooLong =
    QStringLiteral("The list holds more than %1 entries; the rest were left out.")
        .arg(Playlist::kMaxEntries);

// UTF-8 (an M3U8 always, an M3U mostly); bytes that are not UTF-8 are taken for Latin-1, what
// older players wrote. A leading BOM is dropped.
QString listText(const QByteArray& bytes) {
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF")) view = view.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(view);
    if (utf8.hasError()) text = QString::fromLatin1(view);
    return text;
}

// Lines ended by CR LF, LF or a lone CR.
QList<QStringView> linesOf(const QString& text) {
    QList<QStringView> lines;
    const QStringView all(text);
    qsizetype start = 0;
    for (qsizetype i = 0; i < all.size(); ++i) {
        const QChar c = all[i];
        if (c != u'\n' && c != u'\r') continue;
        lines.append(all.sliced(start, i - start));
        if (c == u'\r' && i + 1 < all.size() && all[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    if (start < all.size()) lines.append(all.sliced(start));
    return lines;
}

bool hasScheme(QStringView entry) {
    // "file:", "http:" ...; a one-letter scheme is a Windows drive ("C:\...") instead.
    const qsizetype colon = entry.indexOf(u':');
    if (colon < 2) return false;
    for (qsizetype i = 0; i < colon; ++i) {
        const QChar c = entry[i];
        if (!(c.isLetterOrNumber() || c == u'+' || c == u'-' || c == u'.') || c.unicode() > 127)
            return false;
    }
    return entry[0].isLetter();
}

// A local path made absolute: "file:song.mp3" names a file beside the list too.
QString absoluteIn(const QString& folder, const QString& path) {
    if (path.isEmpty()) return {};
    QString clean = QDir::cleanPath(path.startsWith(u'/') ? path : folder + u'/' + path);
    // Above the root is the root, as the file system has it.
    while (clean.startsWith(QLatin1String("/../"))) clean.remove(0, 3);
    if (clean == QLatin1String("/..")) clean = QStringLiteral("/");
    return clean;
}

// One entry as a local path: a file:// URL, an absolute path, or a path from `folder`. An
// address of anything but a local file gives "".
QString localPath(QStringView entry, const QString& folder) {
    entry = entry.trimmed();
    if (entry.isEmpty()) return {};
    if (hasScheme(entry)) {
        const QUrl url(entry.toString());
        return url.isLocalFile() ? absoluteIn(folder, url.toLocalFile()) : QString();
    }
    QString path = entry.toString();
    // Written on Windows: backslashes part the folders when no slash does.
    if (!path.contains(u'/') && path.contains(u'\\')) path.replace(u'\\', u'/');
    return absoluteIn(folder, path);
}

struct Collector {
    OtherListRead read;
    int skipped = 0;  // entries that name no local file

    // False once the list is full.
    bool take(const QString& path) {
        if (path.isEmpty()) {
            ++skipped;
            return true;
        }
        if (read.paths.size() >= Playlist::kMaxEntries) {
            read.problem = kTooLong;
            return false;
        }
        read.paths.append(path);
        return true;
    }
    OtherListRead done() {
        if (read.problem.isEmpty() && skipped > 0)
            read.problem = QStringLiteral(
                               "%1 entries of the list name no local file and were "
                               "left out.")
                               .arg(skipped);
        return std::move(read);
    }
};

}  // namespace

OtherListType OtherListTypeOf(const QString& path) {
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    const auto ends = [&name](const char* ext) {
        return name.endsWith(QLatin1String(ext), Qt::CaseInsensitive);
    };
    if (ends(".m3u") || ends(".m3u8")) return OtherListType::M3u;
    if (ends(".pls")) return OtherListType::Pls;
    if (ends(".xspf")) return OtherListType::Xspf;
    return OtherListType::None;
}

OtherListRead ParseM3u(const QByteArray& bytes, const QString& folder) {
    Collector c;
    const QString text = listText(bytes);
    for (QStringView line : linesOf(text)) {
        line = line.trimmed();
        // #EXTM3U, #EXTINF and every other directive or comment.
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        if (!c.take(localPath(line, folder))) break;
    }
    return c.done();
}

OtherListRead ParsePls(const QByteArray& bytes, const QString& folder) {
    // "FileN=..." lines, in the order of their numbers, whatever order they are written in.
    std::map<int, QString> files;
    Collector c;
    const QString text = listText(bytes);
    for (QStringView line : linesOf(text)) {
        line = line.trimmed();
        if (!line.startsWith(QLatin1String("file"), Qt::CaseInsensitive)) continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 5) continue;
        bool number = false;
        const int n = line.sliced(4, eq - 4).toInt(&number);
        if (!number || n < 0) continue;
        if (files.size() >= size_t(Playlist::kMaxEntries) && !files.contains(n)) {
            c.read.problem = kTooLong;
            break;
        }
        files[n] = localPath(line.sliced(eq + 1), folder);
    }
    for (const auto& [n, path] : files)
        if (!c.take(path)) break;
    return c.done();
}

OtherListRead ParseXspf(const QByteArray& bytes, const QString& folder) {
    Collector c;
    QXmlStreamReader xml(bytes);
    // Relative locations are URIs relative to the list.
    const QUrl base = QUrl::fromLocalFile(folder + u'/');
    bool inTrack = false, located = false;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::DTD && !xml.entityDeclarations().isEmpty()) {
            // An XSPF list never needs them; they are how a few bytes expand into gigabytes.
            c.read.problem = QStringLiteral("The list declares XML entities and was not read.");
            return std::move(c.read);
        }
        if (token == QXmlStreamReader::StartElement) {
            if (xml.name() == u"track") {
                inTrack = true;
                located = false;
            } else if (inTrack && !located && xml.name() == u"location") {
                // A track's first location is the one to play.
                located = true;
                const QString location =
                    xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
                QString path;
                if (!location.isEmpty()) {
                    const QUrl url = base.resolved(QUrl(location));
                    if (url.isLocalFile()) path = absoluteIn(folder, url.toLocalFile());
                }
                if (!c.take(path)) break;
            }
        } else if (token == QXmlStreamReader::EndElement && xml.name() == u"track") {
            inTrack = false;
        }
    }
    if (xml.hasError() && c.read.problem.isEmpty())
        c.read.problem = QStringLiteral("The list is not a readable XSPF file (%1, line %2).")
                             .arg(xml.errorString())
                             .arg(xml.lineNumber());
    return c.done();
}

OtherListRead ReadOtherList(const QString& file) {
    const OtherListType type = OtherListTypeOf(file);
    if (type == OtherListType::None) return {{}, QStringLiteral("Not a playlist file.")};
    // Opened without blocking and checked before a byte is read: /dev/zero or a fifo named
    // like a list must not hang the reader.
    const QByteArray name = QFile::encodeName(file);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return {{}, QStringLiteral("The list cannot be opened.")};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return {{}, QStringLiteral("The list is not a file.")};
    }
    QFile in;
    if (!in.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {{}, QStringLiteral("The list cannot be opened.")};
    }
    QByteArray bytes = in.read(kMaxOtherListBytes);
    const bool cut =
        in.error() == QFileDevice::NoError && !in.atEnd() && st.st_size > kMaxOtherListBytes;
    if (in.error() != QFileDevice::NoError && bytes.isEmpty())
        return {{}, QStringLiteral("The list cannot be read.")};
    if (cut && type != OtherListType::Xspf) {
        // The last line may have been cut in two.
        const qsizetype end = std::max(bytes.lastIndexOf('\n'), bytes.lastIndexOf('\r'));
        bytes.truncate(std::max<qsizetype>(end, 0));
    }
    const QString folder = QFileInfo(file).absolutePath();
    OtherListRead read = type == OtherListType::M3u   ? ParseM3u(bytes, folder)
                         : type == OtherListType::Pls ? ParsePls(bytes, folder)
                                                      : ParseXspf(bytes, folder);
    if (cut)
        read.problem = QStringLiteral("The list is larger than %1 MB; only its beginning was read.")
                           .arg(kMaxOtherListBytes / (1024 * 1024));
    return read;
}

}  // namespace vantrel
