#include "playlist/ui/SearchDialog.h"

#include <sys/resource.h>
#include <unistd.h>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QStringListModel>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <atomic>
#include <thread>

#include "base/Dialogs.h"
#include "playlist/AddFiles.h"
#include "playlist/FileSearch.h"
#include "playlist/Playlist.h"

namespace vantrel {

struct SearchDialog::SearchJob {
    FileSearch search;
    std::atomic<bool> cancel{false};
    std::atomic<bool> done{false};
};

SearchDialog::SearchDialog(Playlist& playlist, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), playlist_(playlist), dialogs_(dialogs) {
    setObjectName(QStringLiteral("frmSearchAudio"));
    setWindowTitle(QStringLiteral("Search for audio files"));
    setModal(false);
    // Closing through the title bar ends the dialog; the add buttons only hide it.
    setAttribute(Qt::WA_DeleteOnClose);

    searchButton_ = new QPushButton(QStringLiteral("Search drives or folders"), this);
    searchButton_->setObjectName(QStringLiteral("cmdSearch"));
    found_ = new QStringListModel(this);
    foundFilesView_ = new QListView(this);
    foundFilesView_->setObjectName(QStringLiteral("lstFoundAudios"));
    foundFilesView_->setModel(found_);
    foundFilesView_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    foundFilesView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    foundFilesView_->setUniformItemSizes(true);
    // A long path keeps its file name in sight.
    foundFilesView_->setTextElideMode(Qt::ElideMiddle);
    addSelectedButton_ = new QPushButton(QStringLiteral("Add selected audio files"), this);
    addSelectedButton_->setObjectName(QStringLiteral("cmdAddSelected"));
    addAllButton_ = new QPushButton(QStringLiteral("Add all audio files"), this);
    addAllButton_->setObjectName(QStringLiteral("cmdAddAll"));
    statusLabel_ = new QLabel(this);
    statusLabel_->setObjectName(QStringLiteral("lblStatus"));
    // A long folder name must not widen the dialog.
    statusLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton_->setObjectName(QStringLiteral("cmdCancel"));
    cancelButton_->setEnabled(false);
    progress_ = new QTimer(this);
    progress_->setInterval(100);

    auto* status = new QHBoxLayout;
    status->addWidget(statusLabel_, 1);
    status->addWidget(cancelButton_);
    auto* adds = new QHBoxLayout;
    adds->addWidget(addSelectedButton_);
    adds->addWidget(addAllButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(searchButton_);
    layout->addWidget(foundFilesView_, 1);
    layout->addLayout(status);
    layout->addLayout(adds);
    resize(480, 360);

    connect(searchButton_, &QPushButton::clicked, this, &SearchDialog::onSearch);
    connect(addSelectedButton_, &QPushButton::clicked, this, &SearchDialog::onAddSelected);
    connect(addAllButton_, &QPushButton::clicked, this, &SearchDialog::onAddAll);
    connect(cancelButton_, &QPushButton::clicked, this, &SearchDialog::cancelSearch);
    connect(progress_, &QTimer::timeout, this, &SearchDialog::showProgress);
}

SearchDialog::~SearchDialog() {
    abandonSearch();
}

QStringList SearchDialog::foundPaths() const {
    return found_->stringList();
}

void SearchDialog::onSearch() {
    if (job_) return;
    QString f = lastSearchFolder_;
    if (f.size() > 1 && f.endsWith(QLatin1Char('/'))) f.chop(1);
    const QString chosen = BrowseForFolder(dialogs_, f);
    if (chosen.isEmpty()) return;
    lastSearchFolder_ = chosen;
    found_->setStringList({});

    job_ = std::make_shared<SearchJob>();
    job_->search.SetFilePatterns(kAudioPatterns);
    job_->search.setCancelFlag(&job_->cancel);
    // Detached: the dialog polls the job and may drop it; the worker keeps it alive to the end.
    std::thread([job = job_, chosen] {
        ::setpriority(PRIO_PROCESS, ::gettid(), 10);  // below the window and the music
        job->search.FindFilesWithPatterns(chosen, true);
        job->done.store(true);
    }).detach();
    searchButton_->setEnabled(false);
    addSelectedButton_->setEnabled(false);
    addAllButton_->setEnabled(false);
    cancelButton_->setEnabled(true);
    showProgress();
    progress_->start();
}

void SearchDialog::showProgress() {
    if (!job_) return;
    if (job_->done.load()) {
        finishSearch();
        return;
    }
    statusLabel_->setText(QStringLiteral("Searching %1 \u2026 %2 audio files found")
                              .arg(lastSearchFolder_)
                              .arg(job_->search.liveCount()));
}

void SearchDialog::finishSearch() {
    if (!job_) return;
    progress_->stop();
    const bool cancelled = job_->cancel.load();
    // A prefix of the full result while the walk still runs.
    const QStringList files = job_->search.CopyFiles();
    job_.reset();
    if (!files.isEmpty()) found_->setStringList(files);
    const auto n = files.size();
    statusLabel_->setText(cancelled
                              ? QStringLiteral("Search cancelled: %1 audio files found").arg(n)
                              : QStringLiteral("%1 audio files found").arg(n));
    searchButton_->setEnabled(true);
    addSelectedButton_->setEnabled(true);
    addAllButton_->setEnabled(true);
    cancelButton_->setEnabled(false);
    emit searchFinished();
}

void SearchDialog::cancelSearch() {
    if (!job_) return;
    job_->cancel = true;
    finishSearch();
}

void SearchDialog::abandonSearch() {
    if (!job_) return;
    job_->cancel = true;
    job_.reset();
}

void SearchDialog::add(const QStringList& paths) {
    AppendFoundFiles(playlist_, paths);
    hide();
}

void SearchDialog::onAddSelected() {
    QList<int> rows;
    for (const QModelIndex& i : foundFilesView_->selectionModel()->selectedRows())
        rows.append(i.row());
    std::sort(rows.begin(), rows.end());
    const QStringList all = found_->stringList();
    QStringList paths;
    for (int r : rows) paths.append(all.at(r));
    add(paths);
}

void SearchDialog::onAddAll() {
    add(found_->stringList());
}

void SearchDialog::closeEvent(QCloseEvent* event) {
    abandonSearch();
    QDialog::closeEvent(event);
}

}  // namespace vantrel
