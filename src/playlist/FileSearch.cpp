#include "playlist/FileSearch.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/FilePath.h"

namespace vantrel {

namespace {

// The search counts in 16 bits: one folder remembers at most this
// many subfolders, and at most kMaxPatternIndex + 1 patterns are tried.
constexpr int kMaxSubfolders = 32767;
constexpr int kMaxPatternIndex = 32767;

char16_t upper(char16_t c) {
    if (c < 0x80) return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
    if (QChar::isSurrogate(c)) return c;
    return char16_t(QChar::toUpper(char32_t(c)));
}

bool isKernelFileSystem(const char* path) {
    struct statfs fs;
    if (statfs(path, &fs) != 0) return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
        case 0x9fa0UL:      // proc
        case 0x62656572UL:  // sysfs
        case 0x1cd1UL:      // devpts
        case 0x27e0ebUL:    // cgroup
        case 0x63677270UL:  // cgroup2
        case 0x64626720UL:  // debugfs
        case 0x74726163UL:  // tracefs
        case 0x73636673UL:  // securityfs
        case 0x6165676cUL:  // pstore
        case 0xcafe4a11UL:  // bpf
        case 0x62656570UL:  // configfs
        case 0x65735543UL:  // fusectl
        case 0x19800202UL:  // mqueue
        case 0x42494e4dUL:  // binfmt_misc
        case 0xde5e81e4UL:  // efivarfs
        case 0xf97cff8cUL:  // selinuxfs
        case 0x6e736673UL:  // nsfs
            return true;
        default:
            return false;
    }
}

QStringList splitPatterns(const QString& s) {
    if (s.isEmpty()) return {};
    return s.split(QLatin1Char(';'), Qt::KeepEmptyParts);
}

QList<WildcardPattern> compile(const QStringList& patterns) {
    QList<WildcardPattern> out;
    out.reserve(patterns.size());
    for (const QString& p : patterns) out.append(WildcardPattern(p));
    return out;
}

bool matchesAny(const QList<WildcardPattern>& patterns, QStringView upperText) {
    const qsizetype n = std::min<qsizetype>(patterns.size(), kMaxPatternIndex + 1);
    for (qsizetype i = 0; i < n; ++i)
        if (patterns[i].matchesUpper(upperText.constData(), upperText.size())) return true;
    return false;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

WildcardPattern::WildcardPattern(const QString& pattern) {
    const QString p = FileSearch::upperKey(pattern);
    const qsizetype n = p.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i].unicode();
        if (c == u'*') {
            if (tokens_.isEmpty() || tokens_.last().kind != Token::AnyRun)
                tokens_.append(Token{Token::AnyRun});
        } else if (c == u'?') {
            tokens_.append(Token{Token::AnyOne});
        } else if (c == u'#') {
            tokens_.append(Token{Token::Digit});
        } else if (c == u'[') {
            qsizetype j = i + 1;
            const bool negate = j < n && p[j] == QLatin1Char('!');
            if (negate) ++j;
            const qsizetype close = p.indexOf(QLatin1Char(']'), j);
            if (close < 0) {
                tokens_.append(Token{Token::Literal, c});
                continue;
            }
            Token t{negate ? Token::NotSet : Token::Set};
            t.setBegin = static_cast<int>(ranges_.size());
            for (qsizetype k = j; k < close; ++k) {
                const char16_t lo = p[k].unicode();
                // A "-" first or last in the list stands for itself.
                if (k + 2 < close && p[k + 1] == QLatin1Char('-')) {
                    ranges_.append({lo, p[k + 2].unicode()});  // a reversed range holds nothing
                    k += 2;
                } else {
                    ranges_.append({lo, lo});
                }
            }
            t.setEnd = static_cast<int>(ranges_.size());
            i = close;
            // "[]" matches the empty string: it adds nothing; "[!]" takes any one character.
            if (t.setBegin == t.setEnd && !negate) continue;
            tokens_.append(t);
        } else {
            tokens_.append(Token{Token::Literal, c});
        }
    }
    if (!tokens_.isEmpty() && tokens_.first().kind == Token::AnyRun) {
        suffixOnly_ = std::all_of(tokens_.begin() + 1, tokens_.end(),
                                  [](const Token& t) { return t.kind == Token::Literal; });
        if (suffixOnly_)
            for (qsizetype k = 1; k < tokens_.size(); ++k) suffix_.append(QChar(tokens_[k].ch));
    }
}

bool WildcardPattern::matches(const QString& text) const {
    const QString u = FileSearch::upperKey(text);
    return matchesUpper(u.constData(), u.size());
}

bool WildcardPattern::matchesUpper(const QChar* text, qsizetype n) const {
    if (suffixOnly_) {
        const qsizetype m = suffix_.size();
        return n >= m && std::equal(suffix_.constData(), suffix_.constData() + m, text + n - m);
    }
    const auto one = [this](const Token& t, char16_t c) {
        switch (t.kind) {
            case Token::Literal:
                return t.ch == c;
            case Token::AnyOne:
                return true;
            case Token::Digit:
                return c >= u'0' && c <= u'9';
            case Token::Set:
            case Token::NotSet: {
                bool in = false;
                for (int r = t.setBegin; r < t.setEnd && !in; ++r)
                    in = ranges_[r].first <= c && c <= ranges_[r].second;
                return in != (t.kind == Token::NotSet);
            }
            case Token::AnyRun:
                break;
        }
        return false;
    };
    const qsizetype m = tokens_.size();
    qsizetype p = 0, t = 0, starP = -1, starT = 0;
    while (t < n) {
        if (p < m && tokens_[p].kind == Token::AnyRun) {
            starP = p++;
            starT = t;
        } else if (p < m && one(tokens_[p], text[t].unicode())) {
            ++p;
            ++t;
        } else if (starP >= 0) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < m && tokens_[p].kind == Token::AnyRun) ++p;
    return p == m;
}

// ---------------------------------------------------------------------------------------------

QString FileSearch::upperKey(const QString& s) {
    QString out(s.size(), Qt::Uninitialized);
    const QChar* in = s.constData();
    QChar* o = out.data();
    for (qsizetype i = 0; i < s.size(); ++i) o[i] = QChar(upper(in[i].unicode()));
    return out;
}

QStringList FileSearch::CopyFiles() const {
    const std::lock_guard lock(recordMutex_);
    return files_.mid(0, FilesFound);
}

void FileSearch::recordFile(const QString& p) {
    // The list always has exactly FilesFound entries after a recording, even when a caller
    // changed FilesFound by hand.
    const std::lock_guard lock(recordMutex_);
    const int at = std::max(FilesFound, 0);
    files_.resize(at + 1);
    files_[at] = p;
    FilesFound = at + 1;
    live_.fetch_add(1, std::memory_order_relaxed);
}

struct FileSearch::Walk {
    bool recurse;
    const QList<WildcardPattern>* patterns;
};

namespace {

QByteArray withSlash(const QString& path) {
    QByteArray p = PathToBytes(path);
    if (!p.endsWith('/')) p.append('/');
    return p;
}

// UTF-8 to upper-cased UTF-16, appended to `out`; invalid bytes become U+FFFD as in
// QString::fromUtf8. Names are mostly ASCII, which takes the quick path.
void appendUpperKey(std::vector<char16_t>& out, const char* s, size_t n) {
    size_t i = 0;
    while (i < n && static_cast<unsigned char>(s[i]) < 0x80) {
        const char c = s[i++];
        out.push_back(char16_t(c >= 'a' && c <= 'z' ? c - 32 : c));
    }
    if (i == n) return;
    const QString rest = QString::fromUtf8(s + i, qsizetype(n - i));
    for (QChar c : rest) out.push_back(upper(c.unicode()));
}

}  // namespace

// `parentDev` is 0 for the start folder, else the device of the folder above.
void FileSearch::search(Walk& walk, const QByteArray& dir, const QString& shown,
                        unsigned long parentDev) {
    if (cancelled()) return;

    // Below the start folder a link is never entered, even one swapped in since the listing.
    const int fd = parentDev == 0 ? ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                                  : ::open(dir.chopped(1).constData(),
                                           O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return;
    struct stat self;
    if (::fstat(fd, &self) != 0) {
        ::close(fd);
        return;
    }
    const auto dev = static_cast<unsigned long>(self.st_dev);
    if (parentDev != 0 && dev != parentDev && isKernelFileSystem(dir.constData())) {
        ::close(fd);
        return;
    }
    DIR* d = ::fdopendir(fd);
    if (!d) {
        ::close(fd);
        return;
    }

    // All names of the folder live in two pools: raw bytes (for the queries) and upper-cased
    // UTF-16 (for sorting and matching), so an entry costs no allocation of its own.
    struct Item {
        unsigned rawAt, rawLen, keyAt, keyLen;
        unsigned char type;
    };
    std::vector<Item> items;
    std::string raw;
    std::vector<char16_t> keys;
    while (const dirent* e = ::readdir(d)) {
        const char* n = e->d_name;
        if (n[0] == '\0' || (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'))))
            continue;
        const size_t len = std::strlen(n);
        Item it{unsigned(raw.size()), unsigned(len), unsigned(keys.size()), 0, e->d_type};
        raw.append(n, len + 1);  // keep the NUL: the queries take C strings
        appendUpperKey(keys, n, len);
        it.keyLen = unsigned(keys.size() - it.keyAt);
        items.push_back(it);
    }
    const char16_t* k = keys.data();
    const char* r = raw.data();
    std::sort(items.begin(), items.end(), [k, r](const Item& a, const Item& b) {
        const int c =
            QStringView(k + a.keyAt, a.keyLen).compare(QStringView(k + b.keyAt, b.keyLen));
        if (c != 0) return c < 0;
        return std::strcmp(r + a.rawAt, r + b.rawAt) < 0;  // names that differ only in case
    });

    std::vector<const Item*> subfolders;
    for (const Item& it : items) {
        if (cancelled()) break;
        const char* name = r + it.rawAt;
        bool folder = it.type == DT_DIR;
        if (it.type != DT_DIR && it.type != DT_REG) {
            // The file system did not say (or it is a link): ask. An entry whose kind cannot be
            // read counts as a folder; entering it then finds nothing.
            struct stat st;
            folder = true;
            if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
                if (S_ISLNK(st.st_mode)) {
                    // Links count as their target, but a linked folder is never entered.
                    if (::fstatat(fd, name, &st, 0) != 0 || S_ISDIR(st.st_mode)) continue;
                    folder = false;
                } else {
                    folder = S_ISDIR(st.st_mode);
                }
            }
        }
        if (!folder) {
            if (matchesAny(*walk.patterns, QStringView(k + it.keyAt, it.keyLen)))
                recordFile(shown + PathFromBytes({name, qsizetype(it.rawLen)}));
            continue;
        }
        if (walk.recurse && subfolders.size() < size_t(kMaxSubfolders)) subfolders.push_back(&it);
    }
    ::closedir(d);

    for (const Item* s : subfolders) {
        if (cancelled()) return;
        QByteArray subDir = dir;
        subDir.append(r + s->rawAt, s->rawLen).append('/');
        search(walk, subDir,
               shown + PathFromBytes({r + s->rawAt, qsizetype(s->rawLen)}) + QLatin1Char('/'), dev);
    }
}

namespace {

QString shownWithSlash(const QString& path) {
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

}  // namespace

void FileSearch::FindFilesWithPatterns(const QString& sPath, bool Recurse) {
    if (fileCompiled_.isEmpty()) return;
    Walk w{Recurse, &fileCompiled_};
    const QByteArray dir = withSlash(sPath);
    search(w, dir, shownWithSlash(sPath), 0);
}

void FileSearch::SetFilePatterns(const QString& s) {
    filePatterns_ = splitPatterns(s);
    fileCompiled_ = compile(filePatterns_);
}

void FileSearch::ResetSearch(bool erasePatterns) {
    const std::lock_guard lock(recordMutex_);
    FilesFound = 0;
    files_.clear();
    live_.store(0, std::memory_order_relaxed);
    if (erasePatterns) {
        filePatterns_.clear();
        fileCompiled_.clear();
    }
}

}  // namespace vantrel
