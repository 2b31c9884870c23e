#include "playlist/ui/PlaylistPanel.h"

#include <QDragEnterEvent>
#include <QHBoxLayout>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QThread>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "base/FilePath.h"
#include "playlist/AddFiles.h"
#include "playlist/DropAdder.h"
#include "playlist/FileSearch.h"
#include "playlist/Playlist.h"
#include "playlist/PlaylistCommands.h"
#include "playlist/ui/SearchDialog.h"
#include "widgets/DisplayFont.h"
#include "widgets/Icons.h"

namespace vantrel {

namespace {

enum class Glyph { Up, Down, First, Last, Search };

// Small arrow pictures for the buttons the program's picture set does not cover.
QIcon glyphIcon(Glyph g) {
    QPixmap pm(20, 20);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(0x2b, 0x4a, 0x7a);
    p.setPen(QPen(ink, 1.5));
    p.setBrush(ink);
    const auto arrow = [&p](bool up, qreal y) {
        QPainterPath a;
        if (up) {
            a.moveTo(10, y);
            a.lineTo(16, y + 7);
            a.lineTo(4, y + 7);
        } else {
            a.moveTo(10, y + 7);
            a.lineTo(16, y);
            a.lineTo(4, y);
        }
        a.closeSubpath();
        p.drawPath(a);
    };
    switch (g) {
        case Glyph::Up:
            arrow(true, 4);
            p.drawRect(QRectF(8, 11, 4, 5));
            break;
        case Glyph::Down:
            arrow(false, 9);
            p.drawRect(QRectF(8, 4, 4, 5));
            break;
        case Glyph::First:
            p.drawRect(QRectF(4, 3, 12, 2));
            arrow(true, 7);
            p.drawRect(QRectF(8, 14, 4, 3));
            break;
        case Glyph::Last:
            p.drawRect(QRectF(4, 15, 12, 2));
            arrow(false, 6);
            p.drawRect(QRectF(8, 3, 4, 3));
            break;
        case Glyph::Search:
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(ink, 2));
            p.drawEllipse(QRectF(3, 3, 10, 10));
            p.setPen(QPen(ink, 3, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(12, 12), QPointF(17, 17));
            break;
    }
    return QIcon(pm);
}

QFont listFont() {
    return DisplayFont(9);
}

QStringList localPaths(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls())
        // By its percent-encoded bytes: a name that is not UTF-8 would lose them as text.
        if (url.isLocalFile())
            paths << PathFromBytes(
                QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
    return paths;
}

}  // namespace

// --- the list ---------------------------------------------------------------------------------

PlaylistView::PlaylistView(Playlist& list, DropAdder& dropAdder, QWidget* parent)
    : QListView(parent), list_(list), dropAdder_(dropAdder) {
    connect(&dropAdder_, &DropAdder::added, this, &PlaylistView::droppedAdded);
    setObjectName(QStringLiteral("lstAudio"));
    setModel(&list);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false);
    setAcceptDrops(true);       // files and folders from the file manager
    setUniformItemSizes(true);  // keeps 32,767 entries cheap to lay out
    setFont(listFont());
    setToolTip(QStringLiteral("Double click to play, drag to reorder"));

    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { takeViewSelection(); });
    connect(&list_, &Playlist::selectionChanged, this, [this] { showListSelection(); });
    connect(&list_, &Playlist::draggingChanged, this, [this](bool dragging) {
        if (dragging)
            viewport()->setCursor(dragCursor());
        else
            viewport()->unsetCursor();
    });
}

PlaylistView::~PlaylistView() = default;

bool PlaylistView::addingDropped() const {
    return dropAdder_.busy();
}

QCursor PlaylistView::dragCursor() {
    // A hand-drawn 32 x 32 cursor: a grabbed entry with arrows up and down.
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(Qt::black);
    QPainterPath up;
    up.moveTo(16, 1);
    up.lineTo(23, 9);
    up.lineTo(9, 9);
    up.closeSubpath();
    QPainterPath down;
    down.moveTo(16, 31);
    down.lineTo(23, 23);
    down.lineTo(9, 23);
    down.closeSubpath();
    p.drawPath(up);
    p.drawPath(down);
    p.drawRect(QRectF(4.5, 12.5, 23, 7));
    p.setPen(QPen(Qt::white, 1));
    p.drawLine(QPointF(8, 16), QPointF(24, 16));
    p.end();
    return QCursor(pm, 16, 16);
}

void PlaylistView::takeViewSelection() {
    const QModelIndexList rows = selectionModel()->selectedRows();
    list_.setSelected(rows.isEmpty() ? -1 : rows.first().row());
}

void PlaylistView::showListSelection() {
    const int i = list_.selected();
    const QModelIndexList rows = selectionModel()->selectedRows();
    const int shown = rows.isEmpty() ? -1 : rows.first().row();
    if (shown == i) return;
    if (i < 0) {
        selectionModel()->clearSelection();
    } else {
        const QModelIndex index = model()->index(i, 0);
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        scrollTo(index);
    }
}

void PlaylistView::mousePressEvent(QMouseEvent* event) {
    QListView::mousePressEvent(event);
    takeViewSelection();
    list_.dragMouseDown();
}

void PlaylistView::mouseMoveEvent(QMouseEvent* event) {
    QListView::mouseMoveEvent(event);
    takeViewSelection();
    list_.dragMouseMove();
    // A move keeps the view's selection on the entry that was under the pointer; the playlist
    // selected the position instead.
    showListSelection();
}

void PlaylistView::mouseReleaseEvent(QMouseEvent* event) {
    QListView::mouseReleaseEvent(event);
    list_.dragMouseUp();
}

void PlaylistView::dragEnterEvent(QDragEnterEvent* event) {
    // One drop is walked at a time.
    if (!dropAdder_.busy() && !localPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void PlaylistView::dragMoveEvent(QDragMoveEvent* event) {
    if (!dropAdder_.busy() && !localPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void PlaylistView::dropEvent(QDropEvent* event) {
    const QStringList paths = localPaths(event->mimeData());
    if (dropAdder_.busy() || paths.isEmpty()) return event->ignore();
    event->acceptProposedAction();
    const QModelIndex at = indexAt(event->position().toPoint());
    addDropped(paths, at.isValid() ? at.row() : list_.count());
}

void PlaylistView::addDropped(const QStringList& paths, int row) {
    // Folders can hold a whole collection and lists can sit on a slow mount: the adder walks
    // and reads them off the window's thread.
    dropAdder_.add(paths, row);
}

// --- the page ---------------------------------------------------------------------------------

PlaylistPanel::PlaylistPanel(PlaylistCommands& commands, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent), commands_(commands), dialogs_(dialogs) {
    setObjectName(QStringLiteral("PlaylistPanel"));
    Playlist& list = commands_.playlist();
    playlistView_ = new PlaylistView(list, commands_.dropAdder(), this);
    connect(playlistView_, &QListView::clicked, this, &PlaylistPanel::entryClicked);
    connect(playlistView_, &QListView::doubleClicked, this, &PlaylistPanel::entryDoubleClicked);

    auto* row = new QHBoxLayout;
    row->setSpacing(1);
    const auto sep = [row] { row->addSpacing(8); };
    connect(addButton("cmdLstUp", "Move selected up", glyphIcon(Glyph::Up)), &QToolButton::clicked,
            &list, &Playlist::moveUp);
    connect(addButton("cmdLstDown", "Move selcted down", glyphIcon(Glyph::Down)),
            &QToolButton::clicked, &list, &Playlist::moveDown);
    connect(addButton("cmdLstFirst", "Move selected first", glyphIcon(Glyph::First)),
            &QToolButton::clicked, &list, &Playlist::moveFirst);
    connect(addButton("cmdLstLast", "Move selcted last", glyphIcon(Glyph::Last)),
            &QToolButton::clicked, &list, &Playlist::moveLast);
    connect(addButton("cmdLstRemove", "Delete selected item", ButtonPicture("cmdLstRemove")),
            &QToolButton::clicked, &list, &Playlist::removeSelected);
    connect(addButton("cmdNewPlaylist", "New playlist", ButtonPicture("cmdNewPlaylist")),
            &QToolButton::clicked, this, [this] { commands_.listFile().newList(); });
    connect(addButton("cmdOpenPlaylist", "Open playlist", ButtonPicture("cmdOpenPlaylist")),
            &QToolButton::clicked, this, [this] { commands_.listFile().openList(); });
    connect(addButton("cmdSavePlaylist", "Save playlist", ButtonPicture("cmdSavePlaylist")),
            &QToolButton::clicked, this, [this] { commands_.listFile().saveList(); });
    connect(addButton("cmdAddFileList", "Add file to playlist", ButtonPicture("cmdAddFileList")),
            &QToolButton::clicked, this, [this] { commands_.addFiles(); });
    connect(
        addButton("cmdAddFolderList", "Add folder to playlist", ButtonPicture("cmdAddFolderList")),
        &QToolButton::clicked, this, [this] { commands_.addFolder(); });
    connect(addButton("cmdScan", "Search for audio files", glyphIcon(Glyph::Search)),
            &QToolButton::clicked, this, &PlaylistPanel::openSearch);
    for (int i = 0; i < buttons_.size(); ++i) {
        if (i == 5 || i == 8) sep();
        row->addWidget(buttons_[i]);
    }
    row->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(3);
    layout->addWidget(playlistView_, 1);
    layout->addLayout(row);
}

PlaylistPanel::~PlaylistPanel() {
    delete search_.data();
}

QToolButton* PlaylistPanel::addButton(const char* name, const QString& toolTip, const QIcon& icon) {
    auto* b = new QToolButton(this);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(toolTip);
    b->setIcon(icon);
    b->setIconSize({20, 20});
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::TabFocus);
    buttons_.append(b);
    return b;
}

QToolButton* PlaylistPanel::button(const QString& name) const {
    for (QToolButton* b : buttons_)
        if (b->objectName() == name) return b;
    return nullptr;
}

void PlaylistPanel::openSearch() {
    if (!search_) search_ = new SearchDialog(commands_.playlist(), dialogs_, window());
    search_->show();
    search_->raise();
    search_->activateWindow();
}

}  // namespace vantrel
