#include "playlist/ui/SearchDialog.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QStringListModel>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "base/Dialogs.h"
#include "playlist/AddFiles.h"
#include "playlist/FileSearch.h"
#include "playlist/Playlist.h"

namespace vantrel {

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
    stopWorker();
}

QStringList SearchDialog::foundPaths() const {
    return found_->stringList();
}

void SearchDialog::onSearch() {
    if (worker_) return;
    QString f = lastSearchFolder_;
    if (f.size() > 1 && f.endsWith(QLatin1Char('/'))) f.chop(1);
    const QString chosen = BrowseForFolder(dialogs_, f);
    if (chosen.isEmpty()) return;
    lastSearchFolder_ = chosen;
    found_->setStringList({});

    if (!audioSearch_) audioSearch_ = std::make_unique<FileSearch>();
    audioSearch_->SetFilePatterns(kAudioPatterns);
    audioSearch_->setCancelFlag(&cancel_);
    cancel_ = false;

    // The worker is the search object's only user until it finishes.
    FileSearch* search = audioSearch_.get();
    worker_ = QThread::create([search, chosen] { search->FindFilesWithPatterns(chosen, true); });
    // Only the finish of this search counts: a cancelled one was already wound up by hand.
    const int generation = ++generation_;
    connect(worker_, &QThread::finished, this, [this, generation] {
        if (generation == generation_) finishSearch();
    });
    searchButton_->setEnabled(false);
    addSelectedButton_->setEnabled(false);
    addAllButton_->setEnabled(false);
    cancelButton_->setEnabled(true);
    showProgress();
    progress_->start();
    worker_->start(QThread::LowPriority);
}

void SearchDialog::showProgress() {
    if (!audioSearch_) return;
    statusLabel_->setText(QStringLiteral("Searching %1 \u2026 %2 audio files found")
                              .arg(lastSearchFolder_)
                              .arg(audioSearch_->liveCount()));
}

void SearchDialog::finishSearch() {
    if (!worker_) return;
    worker_->wait();
    delete worker_;
    worker_ = nullptr;
    progress_->stop();
    const bool cancelled = cancel_.load();
    const int n = audioSearch_->FilesFound;
    if (n != 0) {
        found_->setStringList(audioSearch_->CopyFiles());
        audioSearch_->ResetSearch(false);
    }
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
    if (!worker_) return;
    cancel_ = true;
    worker_->wait();
    finishSearch();
}

void SearchDialog::stopWorker() {
    if (!worker_) return;
    cancel_ = true;
    worker_->wait();
    delete worker_;
    worker_ = nullptr;
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
    stopWorker();
    QDialog::closeEvent(event);
}

}  // namespace vantrel
