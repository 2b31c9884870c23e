#include "playlist/PlaylistCommands.h"

#include "playlist/AddFiles.h"

namespace vantrel {

PlaylistCommands::PlaylistCommands(Playlist& playlist, Dialogs& dialogs)
    : playlist_(playlist),
      dialogs_(dialogs),
      listFile_(playlist, dialogs, ListCommands::playlistTexts()) {
    QObject::connect(&dropAdder_, &DropAdder::problem, &dropAdder_, [this](const QString& text) {
        dialogs_.message(QStringLiteral("Error"), text, Dialogs::Icon::Warning);
    });
    QObject::connect(&dropAdder_, &DropAdder::notice, &dropAdder_, [this](const QString& text) {
        dialogs_.message(kApplicationTitle, text, Dialogs::Icon::Information);
    });
}

PlaylistCommands::~PlaylistCommands() = default;

void PlaylistCommands::addFiles() {
    AddFiles(playlist_, dialogs_);
}

void PlaylistCommands::addFolder() {
    addFolderTo(playlist_, lastFolder_, kAudioPatterns);
}

void PlaylistCommands::addFolderTo(Playlist& target, QString& lastFolder, const QString& patterns) {
    AddFolder(target, dialogs_, folderSearch(), lastFolder, patterns);
}

FileSearch& PlaylistCommands::folderSearch() {
    if (!folderSearch_) folderSearch_ = std::make_unique<FileSearch>();
    return *folderSearch_;
}

}  // namespace vantrel
