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

#include "app/Dialogs.h"
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

    cmdSearch_ = new QPushButton(QStringLiteral("Search drives or folders"), this);
    cmdSearch_->setObjectName(QStringLiteral("cmdSearch"));
    found_ = new QStringListModel(this);
    lstFoundAudios_ = new QListView(this);
    lstFoundAudios_->setObjectName(QStringLiteral("lstFoundAudios"));
    lstFoundAudios_->setModel(found_);
    lstFoundAudios_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstFoundAudios_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstFoundAudios_->setUniformItemSizes(true);
    // A long path keeps its file name in sight.
    lstFoundAudios_->setTextElideMode(Qt::ElideMiddle);
    cmdAddSelected_ = new QPushButton(QStringLiteral("Add selected audio files"), this);
    cmdAddSelected_->setObjectName(QStringLiteral("cmdAddSelected"));
    cmdAddAll_ = new QPushButton(QStringLiteral("Add all audio files"), this);
    cmdAddAll_->setObjectName(QStringLiteral("cmdAddAll"));
    lblStatus_ = new QLabel(this);
    lblStatus_->setObjectName(QStringLiteral("lblStatus"));
    // A long folder name must not widen the dialog.
    lblStatus_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    cmdCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel_->setEnabled(false);
    progress_ = new QTimer(this);
    progress_->setInterval(100);

    auto* status = new QHBoxLayout;
    status->addWidget(lblStatus_, 1);
    status->addWidget(cmdCancel_);
    auto* adds = new QHBoxLayout;
    adds->addWidget(cmdAddSelected_);
    adds->addWidget(cmdAddAll_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(cmdSearch_);
    layout->addWidget(lstFoundAudios_, 1);
    layout->addLayout(status);
    layout->addLayout(adds);
    resize(480, 360);

    connect(cmdSearch_, &QPushButton::clicked, this, &SearchDialog::cmdSearch_Click);
    connect(cmdAddSelected_, &QPushButton::clicked, this, &SearchDialog::cmdAddSelected_Click);
    connect(cmdAddAll_, &QPushButton::clicked, this, &SearchDialog::cmdAddAll_Click);
    connect(cmdCancel_, &QPushButton::clicked, this, &SearchDialog::cancelSearch);
    connect(progress_, &QTimer::timeout, this, &SearchDialog::showProgress);
}

SearchDialog::~SearchDialog() {
    stopWorker();
}

QStringList SearchDialog::foundPaths() const {
    return found_->stringList();
}

void SearchDialog::cmdSearch_Click() {
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
    cmdSearch_->setEnabled(false);
    cmdAddSelected_->setEnabled(false);
    cmdAddAll_->setEnabled(false);
    cmdCancel_->setEnabled(true);
    showProgress();
    progress_->start();
    worker_->start(QThread::LowPriority);
}

void SearchDialog::showProgress() {
    if (!audioSearch_) return;
    lblStatus_->setText(QStringLiteral("Searching %1 \u2026 %2 audio files found")
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
    lblStatus_->setText(cancelled ? QStringLiteral("Search cancelled: %1 audio files found").arg(n)
                                  : QStringLiteral("%1 audio files found").arg(n));
    cmdSearch_->setEnabled(true);
    cmdAddSelected_->setEnabled(true);
    cmdAddAll_->setEnabled(true);
    cmdCancel_->setEnabled(false);
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

void SearchDialog::cmdAddSelected_Click() {
    QList<int> rows;
    for (const QModelIndex& i : lstFoundAudios_->selectionModel()->selectedRows())
        rows.append(i.row());
    std::sort(rows.begin(), rows.end());
    const QStringList all = found_->stringList();
    QStringList paths;
    for (int r : rows) paths.append(all.at(r));
    add(paths);
}

void SearchDialog::cmdAddAll_Click() {
    add(found_->stringList());
}

void SearchDialog::closeEvent(QCloseEvent* event) {
    stopWorker();
    QDialog::closeEvent(event);
}

}  // namespace vantrel
