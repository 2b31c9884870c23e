#include "playlist/ListFile.h"

#include <fcntl.h>

#include <QFile>
#include <QStringDecoder>
#include <cerrno>
#include <cstring>

#include "base/FilePath.h"

namespace vantrel {

namespace {

const QString kErrorTitle = QStringLiteral("Error");

void fail(Dialogs& dialogs, const QString& file, const QString& description) {
    dialogs.message(kErrorTitle, QStringLiteral("%1\n%2").arg(description, file),
                    Dialogs::Icon::Warning);
}

// A title or path may not hold a line break: it would split the entry and shift every entry
// after it by one line.
bool hasLineBreak(const QString& s) {
    return s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r'));
}

}  // namespace

bool LoadList(Playlist& list, const QString& file, Dialogs& dialogs) {
    // Opened by its bytes: a list file's own name need not be UTF-8 either.
    QFile f;
    const int fd = ::open(PathToBytes(file).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        fail(dialogs, file, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    // Read block by block and hand complete entries to the list after each block, so a read
    // error keeps everything before it. No event processing per line: a full list loads in a
    // few tens of milliseconds, and no command can then run into a half-loaded list.
    constexpr qint64 kBlock = 1 << 20;
    QByteArray pending;
    qsizetype scanned = 0;  // bytes of `pending` known to hold no line end
    QList<Playlist::Entry> batch;
    QString title;
    bool haveTitle = false;
    bool first = true;
    bool full = false;
    // Text lists hold no NUL byte: one means a file of another kind (UTF-16) or a damaged one.
    bool notText = false;
    const auto flush = [&] {
        if (batch.isEmpty()) return;
        if (list.appendEntries(batch) < batch.size()) full = true;
        batch.clear();
    };
    // Each line on its own, and a U+FEFF that opens a line is part of it (only the file's
    // leading BOM was skipped above); the plain conversion would drop it. Titles are only
    // shown, so odd bytes in them may become U+FFFD; paths keep theirs.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless |
                                                  QStringConverter::Flag::ConvertInitialBom);
    QByteArray withoutNul;
    const auto takeLine = [&](const char* begin, qsizetype len) {
        if (std::memchr(begin, 0, size_t(len))) {
            // No title or path holds a NUL byte. Without them, what is left is kept (a UTF-16
            // list's plain letters read back), and the next save writes a clean list, so the
            // error is told once and not at every start.
            notText = true;
            withoutNul = QByteArray(begin, len);
            withoutNul.removeIf([](char c) { return c == '\0'; });
            begin = withoutNul.constData();
            len = withoutNul.size();
        }
        if (len > 0 && begin[len - 1] == '\r') --len;
        if (!haveTitle) {
            title = utf8(QByteArrayView(begin, len));
            haveTitle = true;
        } else {
            batch.append(Playlist::Entry{std::move(title), PathFromBytes({begin, len})});
            haveTitle = false;
        }
    };

    for (;;) {
        const QByteArray block = f.read(kBlock);
        if (block.isEmpty()) {
            if (f.error() != QFileDevice::NoError || !f.atEnd()) {
                flush();
                fail(dialogs, file, f.errorString());
                return false;
            }
            break;
        }
        pending.append(block);
        qsizetype start = 0;
        if (first) {
            first = false;
            if (pending.startsWith("\xEF\xBB\xBF")) start = 3;
            if (pending.startsWith("\xFF\xFE") || pending.startsWith("\xFE\xFF")) {
                notText = true;
                start = 2;
            }
        }
        const char* data = pending.constData();
        const qsizetype size = pending.size();
        qsizetype from = std::max(start, scanned);
        while (from < size) {
            const void* nl = std::memchr(data + from, '\n', static_cast<size_t>(size - from));
            if (!nl) break;
            const qsizetype end = static_cast<const char*>(nl) - data;
            takeLine(data + start, end - start);
            start = from = end + 1;
        }
        pending.remove(0, start);
        scanned = pending.size();
        flush();
        if (full) break;
    }
    // The last line needs no terminator.
    if (!full && !pending.isEmpty()) takeLine(pending.constData(), pending.size());
    flush();

    if (full) {
        fail(dialogs, file,
             QStringLiteral("The list is full: only the first %1 entries were kept.")
                 .arg(Playlist::kMaxEntries));
    } else if (haveTitle) {
        fail(dialogs, file,
             QStringLiteral("Input past end of file: the last title has no path line."));
    } else if (notText) {
        fail(dialogs, file,
             QStringLiteral("The list is not UTF-8 text: it is of another kind or damaged."));
    }
    return !full && !haveTitle && !notText;
}

QByteArray ListFileBytes(const QList<Playlist::Entry>& entries, int* leftOut) {
    QByteArray out;
    qsizetype total = 0;
    for (const Playlist::Entry& e : entries) total += e.title.size() + e.path.size() + 4;
    out.reserve(total + total / 2);
    int skipped = 0;
    for (const Playlist::Entry& e : entries) {
        // A path with a line break cannot be written as one line; leaving it out keeps the rest
        // of the file readable. A title is only shown, so its breaks become blanks.
        if (hasLineBreak(e.path)) {
            ++skipped;
            continue;
        }
        QString title = e.title;
        if (hasLineBreak(title)) {
            title.replace(QLatin1Char('\r'), QLatin1Char(' '));
            title.replace(QLatin1Char('\n'), QLatin1Char(' '));
        }
        // The reader skips one leading BOM: a first title that opens with U+FEFF gets one of its
        // own in front, or it would read back without its first character.
        if (out.isEmpty() && title.startsWith(QChar(0xFEFF))) out.append("\xEF\xBB\xBF");
        out.append(title.toUtf8()).append("\r\n");
        out.append(PathToBytes(e.path)).append("\r\n");
    }
    if (leftOut) *leftOut = skipped;
    return out;
}

bool SaveList(const Playlist& list, const QString& file, Dialogs& dialogs) {
    int skipped = 0;
    const QByteArray out = ListFileBytes(list.entries(), &skipped);
    if (const QString why = ReplaceFile(file, out); !why.isEmpty()) {
        fail(dialogs, file, why);
        return false;
    }
    if (skipped > 0) {
        fail(dialogs, file,
             QStringLiteral("%1 entries were left out: their paths hold a line break.")
                 .arg(skipped));
    }
    return true;
}

ListCommands::Texts ListCommands::playlistTexts() {
    return {QStringLiteral("Open Vantrel playlist"),
            QStringLiteral("Vantrel playlist|*.kvl|All files|*.*"),
            QStringLiteral("Save Korvel playlist"), QStringLiteral("Korvel playlist|*.kvl")};
}

ListCommands::Texts ListCommands::sampleListTexts() {
    return {QStringLiteral("Open Vantrel samplelist"),
            QStringLiteral("Vantrel samplelist|*.sls|All files|*.*"),
            QStringLiteral("Save Vantrel samplelist"), QStringLiteral("Vantrel samplelist|*.sls")};
}

ListCommands::ListCommands(Playlist& list, Dialogs& dialogs, Texts texts)
    : list_(list), dialogs_(dialogs), texts_(std::move(texts)) {}

void ListCommands::newList() {
    list_.clear();
}

void ListCommands::openList() {
    const QStringList chosen = dialogs_.openFiles(texts_.openTitle, texts_.openFilter, false);
    if (chosen.isEmpty() || chosen.first().isEmpty()) return;
    list_.clear();
    LoadList(list_, chosen.first(), dialogs_);
}

void ListCommands::saveList() {
    const QString chosen = dialogs_.saveFile(texts_.saveTitle, texts_.saveFilter);
    if (chosen.isEmpty()) return;
    SaveList(list_, chosen, dialogs_);
}

}  // namespace vantrel
