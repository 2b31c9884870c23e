// Any bytes read as a list file, into a list that may already be nearly full. The entries that
// come in are exactly the file's lines taken two by two (title, then path), never more than the
// list has room for; a failure shows one "Error" box; and what was read saves and reads back
// the same.
#include <QFile>
#include <QList>
#include <QString>

#include "FuzzSupport.h"
#include "base/FilePath.h"
#include "playlist/ListFile.h"

using namespace vantrel;
using fuzz::require;

namespace {

class CountingDialogs final : public Dialogs {
public:
    int boxes = 0;
    void message(const QString& title, const QString&, Icon) override {
        require(title == QStringLiteral("Error"), "a failed read shows the Error box");
        ++boxes;
    }
    QStringList openFiles(const QString&, const QString&, bool) override { return {}; }
    QString saveFile(const QString&, const QString&) override { return {}; }
    QString browseForFolder(const QString&, const QString&) override { return {}; }
};

// The file's lines as the README describes them: a leading BOM (UTF-8 or UTF-16) skipped, LF or
// CR LF ends, the last line needing none, NUL bytes dropped, a U+FEFF that opens a later line
// kept as text.
QList<QByteArray> linesOf(QByteArray bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        bytes.remove(0, 2);
    QList<QByteArray> lines = bytes.split('\n');
    if (lines.last().isEmpty()) lines.removeLast();
    for (QByteArray& line : lines) {
        line.removeIf([](char c) { return c == '\0'; });
        if (line.endsWith('\r')) line.chop(1);
    }
    return lines;
}

QString textOf(QByteArray line) {
    // fromUtf8 would take a U+FEFF at the start for a BOM and drop it.
    QString text;
    for (; line.startsWith("\xEF\xBB\xBF"); line.remove(0, 3)) text += QChar(0xFEFF);
    return text + QString::fromUtf8(line);
}

const fuzz::InputFile& listFile() {
    static const fuzz::InputFile file(".kvl");
    return file;
}

const fuzz::InputFile& savedFile() {
    static const fuzz::InputFile file("-saved.kvl");
    return file;
}

const QList<Playlist::Entry>& filler() {
    static const QList<Playlist::Entry> entries(Playlist::kMaxEntries,
                                                {QStringLiteral("t"), QStringLiteral("/p")});
    return entries;
}

}  // namespace

// The first byte says how many entries the list holds before the read: with the high bit set,
// 0..127 places short of full; otherwise 0..127 entries.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const int held = data[0] & 0x80 ? Playlist::kMaxEntries - (data[0] & 0x7F) : data[0];
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    require(listFile().write(data + 1, size - 1), "the input file can be written");
    const QString path = QFile::decodeName(listFile().path().c_str());

    Playlist list;
    require(list.appendEntries(filler().mid(0, held)) == held, "the filler fits");
    CountingDialogs dialogs;
    LoadList(list, path, dialogs);
    require(list.count() <= Playlist::kMaxEntries, "a list never holds more than 32,767 entries");

    const QList<QByteArray> lines = linesOf(bytes);
    const qsizetype pairs = lines.size() / 2;
    const qsizetype room = Playlist::kMaxEntries - held;
    const qsizetype taken = std::min(pairs, room);
    require(list.count() == held + taken, "every whole pair that fits is read, nothing else");
    const QList<Playlist::Entry> read = list.entries().mid(held);
    for (qsizetype i = 0; i < taken; ++i) {
        require(read[i].title == textOf(lines[2 * i]), "a title is its line");
        require(PathToBytes(read[i].path) == lines[2 * i + 1],
                "a path is the next line, byte for byte");
    }
    // A NUL byte or a UTF-16 byte order mark marks a file that is not a text list.
    const bool notText =
        bytes.contains('\0') || bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
    const bool failed = lines.size() % 2 == 1 || pairs > room || notText;
    require(dialogs.boxes == (failed ? 1 : 0),
            "one Error box for a lone title, a full list or a file that is not text");

    // Saved and read again, the entries come back as the writer promises: a title's breaks
    // become blanks, and a path with a break is left out (with the box).
    Playlist again;
    again.appendEntries(read);
    CountingDialogs saveDialogs;
    SaveList(again, QFile::decodeName(savedFile().path().c_str()), saveDialogs);
    QList<Playlist::Entry> expected;
    for (Playlist::Entry e : read) {
        if (e.path.contains(QLatin1Char('\r'))) continue;  // read lines hold no LF
        e.title.replace(QLatin1Char('\r'), QLatin1Char(' '));
        expected.append(e);
    }
    require(saveDialogs.boxes == (expected.size() < read.size() ? 1 : 0),
            "a save that leaves entries out says so");
    again.clear();
    LoadList(again, QFile::decodeName(savedFile().path().c_str()), saveDialogs);
    require(again.entries() == expected, "a saved list reads back as it was");
    return 0;
}
