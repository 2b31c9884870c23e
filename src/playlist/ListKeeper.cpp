#include "playlist/ListKeeper.h"

#include <chrono>

#include "base/FilePath.h"
#include "playlist/ListFile.h"

namespace vantrel {

ListKeeper::ListKeeper(Playlist& list, QString file, Scheduler& scheduler, bool keepDamaged)
    : list_(list), file_(std::move(file)), damagedCopyOwed_(keepDamaged) {
    timer_ = scheduler.createTimer(kDelayMs, [this] { hand(); });
    // Every edit of the list is one of these: adds and drops insert, the mixer and Remove take
    // off, the editing commands and drags move, New and Open reset.
    const auto changed = [this] { onChange(); };
    connect(&list_, &QAbstractItemModel::rowsInserted, this, changed);
    connect(&list_, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(&list_, &QAbstractItemModel::rowsMoved, this, changed);
    connect(&list_, &QAbstractItemModel::modelReset, this, changed);
    connect(&list_, &QAbstractItemModel::dataChanged, this, changed);
    connect(&list_, &QAbstractItemModel::layoutChanged, this, changed);
    worker_ = std::thread([this] { work(); });
}

ListKeeper::~ListKeeper() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        next_.reset();
    }
    wake_.notify_all();
    worker_.join();
}

void ListKeeper::onChange() {
    // Not restarted by later changes: a steady stream of edits is still written every kDelayMs.
    if (!stopping_ && !timer_->Enabled()) timer_->SetEnabled(true);
}

void ListKeeper::hand() {
    timer_->SetEnabled(false);
    {
        const std::lock_guard lock(mutex_);
        if (stopping_) return;
        next_ = list_.entries();
    }
    wake_.notify_one();
}

void ListKeeper::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || next_; });
        if (stopping_) break;
        const QList<Playlist::Entry> entries = std::move(*next_);
        next_.reset();
        writing_ = true;
        lock.unlock();
        const bool written =
            keepDamagedCopy().isEmpty() && ReplaceFile(file_, ListFileBytes(entries)).isEmpty();
        lock.lock();
        writing_ = false;
        done_.notify_all();
        // A failure leaves the old file whole and is not shown: the same list is tried again in
        // a while (a disk given room, a folder made writable) unless a newer one comes first,
        // and the save at exit shows its box.
        if (!written && !wake_.wait_for(lock, std::chrono::milliseconds(kRetryMs),
                                        [this] { return stopping_ || next_; }))
            next_ = entries;
    }
    done_.notify_all();
}

QString ListKeeper::keepDamagedCopy() {
    {
        const std::lock_guard lock(mutex_);
        if (!damagedCopyOwed_) return {};
    }
    QByteArray old;
    QString why;
    // A file that is gone by now has nothing left to keep.
    if (!ReadWholeFile(file_, old, &why) && PathExists(file_))
        return QStringLiteral("The list could not be kept as %1: %2")
            .arg(damagedCopyName(file_), why);
    if (PathExists(file_)) {
        why = ReplaceFile(damagedCopyName(file_), old);
        if (!why.isEmpty())
            return QStringLiteral("The list could not be kept as %1: %2")
                .arg(damagedCopyName(file_), why);
    }
    const std::lock_guard lock(mutex_);
    damagedCopyOwed_ = false;
    return {};
}

void ListKeeper::saveNow(Dialogs& dialogs) {
    timer_->SetEnabled(false);
    {
        std::unique_lock lock(mutex_);
        stopping_ = true;
        next_.reset();
        wake_.notify_all();
        done_.wait(lock, [this] { return !writing_; });
    }
    if (const QString why = keepDamagedCopy(); !why.isEmpty()) {
        // The list as it was read is the one copy left of what could not be read: it stays.
        dialogs.message(QStringLiteral("Error"), why + QLatin1Char('\n') + file_,
                        Dialogs::Icon::Warning);
        return;
    }
    SaveList(list_, file_, dialogs);
}

}  // namespace vantrel
