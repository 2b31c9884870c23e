#pragma once
// The program's recursive file search with wildcard patterns, compared without regard to case.
// Results accumulate in a growing list until a reset.
//
// Folders are enumerated in a fixed order, names sorted by ordinal comparison of their
// upper-cased forms, so the same tree always gives the same result list. An entry's kind comes
// from the listing where the file system reports it (every common one does) and from its own
// lstat query otherwise: a query per entry would cost a third of the walk. A symlink counts as
// the file it points to, while a symlinked folder (or a dangling link) is never entered, so link
// loops cannot trap the walk; an entry whose kind cannot be read counts as a folder. Unreadable
// folders are skipped silently. Kernel file systems (/proc, /sys ...) met below the start folder
// are not entered: they hold no music and change under the walk.
#include <QList>
#include <QString>
#include <QStringList>
#include <atomic>
#include <mutex>

namespace vantrel {

// A compiled wildcard pattern: ? any one character, * any run, # one digit 0-9, [abc] / [a-z]
// one of the list, [!...] one not in it; anything else stands for itself. Matching is over the
// whole text and ignores case. A "[" without its "]" stands for itself.
class WildcardPattern {
public:
    explicit WildcardPattern(const QString& pattern);
    bool matches(const QString& text) const;
    // `upper` must already be upper-cased by FileSearch::upperKey.
    bool matchesUpper(const QChar* upper, qsizetype length) const;

private:
    struct Token {
        enum Kind : unsigned char { Literal, AnyOne, AnyRun, Digit, Set, NotSet } kind;
        char16_t ch = 0;
        int setBegin = 0;  // into ranges_
        int setEnd = 0;
    };
    QList<Token> tokens_;
    QList<std::pair<char16_t, char16_t>> ranges_;
    // "*" followed by plain characters only (as in "*.mp3"): a suffix test.
    bool suffixOnly_ = false;
    QString suffix_;
};

class FileSearch {
public:
    FileSearch() = default;
    ~FileSearch() { ResetSearch(true); }
    FileSearch(const FileSearch&) = delete;
    FileSearch& operator=(const FileSearch&) = delete;

    // Count of recorded files; the next recording goes to position FilesFound.
    int FilesFound = 0;

    // Safe while a search runs on another thread: a prefix of the full result.
    QStringList CopyFiles() const;

    // Records the files below `sPath` (and its subfolders with `Recurse`) matching a pattern.
    void FindFilesWithPatterns(const QString& sPath, bool Recurse);

    // The pieces of `s` between ";" characters, empty pieces kept; "" gives no patterns.
    void SetFilePatterns(const QString& s);

    void ResetSearch(bool erasePatterns = false);

    // For a search on a worker thread: a raised flag stops the walk at the next entry, keeping
    // what was recorded so far, which is always a prefix of the full result. liveCount() may be
    // read from any thread while a search runs.
    void setCancelFlag(const std::atomic<bool>* flag) { cancel_ = flag; }
    int liveCount() const { return live_.load(std::memory_order_relaxed); }

    // Upper-cases one character at a time (so lengths never change), the form in which names are
    // compared and sorted.
    static QString upperKey(const QString& s);

private:
    struct Walk;
    void search(Walk& walk, const QByteArray& dir, const QString& shown, unsigned long dev);
    void recordFile(const QString& p);
    bool cancelled() const { return cancel_ && cancel_->load(std::memory_order_relaxed); }

    QStringList files_;
    QStringList filePatterns_;
    QList<WildcardPattern> fileCompiled_;
    const std::atomic<bool>* cancel_ = nullptr;
    // Guards the lists for a reader on another thread; the walk's own thread never waits long.
    mutable std::mutex recordMutex_;
    std::atomic<int> live_{0};
};

}  // namespace vantrel
