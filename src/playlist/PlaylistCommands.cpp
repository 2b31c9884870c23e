#include "playlist/PlaylistCommands.h"

#include "playlist/AddFiles.h"

namespace vantrel {

PlaylistCommands::PlaylistCommands(Playlist& playlist, Dialogs& dialogs)
    : playlist_(playlist),
      dialogs_(dialogs),
      listFile_(playlist, dialogs, ListCommands::playlistTexts()) {}

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
