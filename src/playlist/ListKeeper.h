#pragma once
// Keeps a list's file in step with the list while the program runs, so that a crash, a kill -9
// or a power cut loses at most about a second of changes. A change arms a short timer; when it
// fires, the list is copied on the window's thread (the copy shares the strings, so it is cheap)
// and written on a worker thread of the keeper's own, replacing the file atomically. Changes
// made meanwhile are gathered into the next write. A failed write (full or read-only disk)
// leaves the old file and raises no box: the list is tried again every kRetryMs until it is
// written or a newer one comes, and the save at exit reports it.
#include <QObject>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "base/Dialogs.h"
#include "base/Scheduler.h"
#include "playlist/Playlist.h"

namespace vantrel {

class ListKeeper : public QObject {
    Q_OBJECT
public:
    // Written at most this long after the first change of a burst (plus the write itself).
    static constexpr int kDelayMs = 500;
    static constexpr int kRetryMs = 2000;

    // `keepDamaged`: the file could not be read whole, so before the first write replaces it,
    // it is copied to `file` + ".damaged" (replacing an older copy); while that copy cannot be
    // made the file is not replaced.
    ListKeeper(Playlist& list, QString file, Scheduler& scheduler, bool keepDamaged);
    ~ListKeeper() override;

    // The save at exit: waits for a write under way, then writes the list on this thread with
    // the "Error" boxes of a save. The keeper writes nothing after it.
    void saveNow(Dialogs& dialogs);

    static QString damagedCopyName(const QString& file) {
        return file + QStringLiteral(".damaged");
    }

private:
    void onChange();
    void hand();
    void work();
    // Keeps the damaged copy if one is still owed; "" or why not.
    QString keepDamagedCopy();

    Playlist& list_;
    const QString file_;
    std::unique_ptr<Timer> timer_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::optional<QList<Playlist::Entry>> next_;  // the latest copy not yet taken by the worker
    bool writing_ = false;
    bool stopping_ = false;
    bool damagedCopyOwed_;  // worker's or saveNow's, under mutex_
    std::thread worker_;
};

}  // namespace vantrel
