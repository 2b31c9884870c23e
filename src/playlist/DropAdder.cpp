#include "playlist/DropAdder.h"

#include <QThread>
#include <memory>

#include "playlist/AddFiles.h"
#include "playlist/FileSearch.h"
#include "playlist/OtherLists.h"
#include "playlist/Playlist.h"

namespace vantrel {

DroppedItems CollectDroppedItems(const QStringList& items, const std::atomic<bool>* cancel) {
    DroppedItems out;
    FileSearch search;
    search.setCancelFlag(cancel);
    // Runs of plain files and folders go to the drop rule together; each list is read in place.
    QStringList run;
    const auto flush = [&] {
        if (!run.isEmpty()) out.files += DroppedAudioFiles(run, search);
        run.clear();
    };
    for (const QString& item : items) {
        if (cancel && cancel->load(std::memory_order_relaxed)) break;
        if (OtherListTypeOf(item) == OtherListType::None) {
            run.append(item);
            continue;
        }
        flush();
        OtherListRead read = ReadOtherList(item);
        out.files += read.paths;
        if (!read.problem.isEmpty()) out.problems << item + QStringLiteral(": ") + read.problem;
    }
    flush();
    return out;
}

DropAdder::DropAdder(Playlist& list, QObject* parent) : QObject(parent), list_(list) {}

DropAdder::~DropAdder() {
    if (!worker_) return;
    closing_ = true;
    worker_->wait();
    delete worker_;
}

bool DropAdder::add(const QStringList& items, int row) {
    return addCollected([this, items] { return CollectDroppedItems(items, &closing_); }, row);
}

void DropAdder::append(const QStringList& items) {
    if (!add(items)) waiting_.append(items);
}

bool DropAdder::addCollected(std::function<DroppedItems()> collect, int row) {
    if (worker_) return false;
    auto found = std::make_shared<DroppedItems>();
    worker_ = QThread::create([found, collect = std::move(collect)] { *found = collect(); });
    connect(worker_, &QThread::finished, this, [this, found, row] {
        worker_->deleteLater();
        worker_ = nullptr;
        // The mixer may have taken entries meanwhile; the insert clamps the row to the list.
        const int at = row < 0 ? list_.count() : row;
        const int count = list_.insertEntries(at, FoundEntries(found->files));
        if (!found->problems.isEmpty()) emit problem(found->problems.join(u'\n'));
        if (!found->notice.isEmpty()) emit notice(found->notice);
        emit added(count);
        if (!worker_ && !waiting_.isEmpty()) add(waiting_.takeFirst());
    });
    worker_->start(QThread::LowPriority);
    return true;
}

}  // namespace vantrel
