#include "base/FilePath.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vantrel {

namespace {

constexpr char16_t kKeptByte = 0xDC00;  // + the byte, 0x80..0xFF

// The length of the valid UTF-8 sequence at s (at most n bytes), 0 when there is none, and its
// code point.
int utf8Sequence(const unsigned char* s, qsizetype n, char32_t& cp) {
    const unsigned char b = s[0];
    int len;
    char32_t min;
    if (b < 0x80) {
        cp = b;
        return 1;
    } else if ((b & 0xE0) == 0xC0) {
        len = 2, cp = b & 0x1F, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        len = 3, cp = b & 0x0F, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        len = 4, cp = b & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (n < len) return 0;
    for (int i = 1; i < len; ++i) {
        if ((s[i] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (s[i] & 0x3F);
    }
    // Overlong forms, UTF-16 surrogates and code points past Unicode are not valid UTF-8.
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

QString errnoText() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

QByteArray savingPrefix(const QByteArray& name) {
    return name + ".saving-";
}

}  // namespace

QString PathFromBytes(QByteArrayView bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    QString out;
    out.reserve(n);
    for (qsizetype i = 0; i < n;) {
        char32_t cp = 0;
        const int len = utf8Sequence(s + i, n - i, cp);
        if (len == 0) {
            out.append(QChar(char16_t(kKeptByte + s[i])));
            ++i;
            continue;
        }
        if (cp > 0xFFFF) {
            out.append(QChar::highSurrogate(cp));
            out.append(QChar::lowSurrogate(cp));
        } else {
            out.append(QChar(char16_t(cp)));
        }
        i += len;
    }
    return out;
}

QByteArray PathToBytes(QStringView path) {
    QByteArray out;
    out.reserve(path.size());
    const auto put = [&out](char32_t cp) {
        if (cp < 0x80) {
            out.append(char(cp));
        } else if (cp < 0x800) {
            out.append(char(0xC0 | (cp >> 6))).append(char(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.append(char(0xE0 | (cp >> 12)))
                .append(char(0x80 | ((cp >> 6) & 0x3F)))
                .append(char(0x80 | (cp & 0x3F)));
        } else {
            out.append(char(0xF0 | (cp >> 18)))
                .append(char(0x80 | ((cp >> 12) & 0x3F)))
                .append(char(0x80 | ((cp >> 6) & 0x3F)))
                .append(char(0x80 | (cp & 0x3F)));
        }
    };
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t c = path[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < path.size() &&
            QChar::isLowSurrogate(path[i + 1].unicode())) {
            put(QChar::surrogateToUcs4(c, path[i + 1].unicode()));
            ++i;
        } else if (c >= kKeptByte + 0x80 && c <= kKeptByte + 0xFF) {
            out.append(char(c - kKeptByte));
        } else if (QChar::isSurrogate(c)) {
            put(0xFFFD);
        } else {
            put(c);
        }
    }
    return out;
}

QString PathForDisplay(QString path) {
    // A pair of halves is text; a lone half stands for a kept byte.
    for (qsizetype i = 0; i < path.size(); ++i) {
        const QChar c = path[i];
        if (c.isHighSurrogate() && i + 1 < path.size() && path[i + 1].isLowSurrogate()) {
            ++i;
        } else if (c.isSurrogate()) {
            path[i] = QChar(0xFFFD);
        }
    }
    return path;
}

bool IsFolder(const QString& path) {
    struct stat st;
    return ::stat(PathToBytes(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PathExists(const QString& path) {
    struct stat st;
    return ::stat(PathToBytes(path).constData(), &st) == 0;
}

bool PathMissing(const QString& path) {
    struct stat st;
    return ::stat(PathToBytes(path).constData(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

QString ReplaceFile(const QString& file, const QByteArrayView bytes) {
    const QByteArray target = PathToBytes(file);
    const QByteArray temp = savingPrefix(target) + QByteArray::number(::getpid());
    const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return errnoText();
    QString why;
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            why = n == 0 ? QStringLiteral("No space left on device") : errnoText();
            break;
        }
        done += n;
    }
    // On the disk before the rename: a power cut must not leave a renamed but empty file.
    if (why.isEmpty() && ::fsync(fd) != 0) why = errnoText();
    if (::close(fd) != 0 && why.isEmpty()) why = errnoText();
    if (why.isEmpty() && ::rename(temp.constData(), target.constData()) != 0) why = errnoText();
    if (!why.isEmpty()) {
        ::unlink(temp.constData());
        return why;
    }
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder =
        slash < 0 ? QByteArray(".") : target.left(std::max<qsizetype>(slash, 1));
    if (const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {};
}

bool ReadWholeFile(const QString& file, QByteArray& bytes, QString* why) {
    bytes.clear();
    const int fd = ::open(PathToBytes(file).constData(), O_RDONLY | O_CLOEXEC);
    const auto fail = [&] {
        if (why) *why = errnoText();
        if (fd >= 0) ::close(fd);
        return false;
    };
    if (fd < 0) return fail();
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail();
        if (n == 0) break;
        bytes.append(buffer, n);
    }
    ::close(fd);
    return true;
}

void RemoveStaleSaves(const QString& file) {
    const QByteArray target = PathToBytes(file);
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder =
        slash < 0 ? QByteArray(".") : target.left(std::max<qsizetype>(slash, 1));
    const QByteArray prefix = savingPrefix(target.mid(slash + 1));
    DIR* d = ::opendir(folder.constData());
    if (!d) return;
    while (const dirent* e = ::readdir(d)) {
        const QByteArray name(e->d_name);
        if (!name.startsWith(prefix)) continue;
        bool isNumber = false;
        const qint64 pid = name.mid(prefix.size()).toLongLong(&isNumber);
        if (!isNumber || pid <= 0 || pid > 0x7fffffff) continue;
        // A running process is still writing its own.
        if (pid != ::getpid() && (::kill(pid_t(pid), 0) == 0 || errno == EPERM)) continue;
        ::unlinkat(::dirfd(d), e->d_name, 0);
    }
    ::closedir(d);
}

}  // namespace vantrel
