#pragma once
// The playlist's commands: its list file (new, open, save) and adding files and folders, with
// the folder the add-folder command remembers.
#include <QString>
#include <memory>

#include "base/Dialogs.h"
#include "playlist/DropAdder.h"
#include "playlist/FileSearch.h"
#include "playlist/ListFile.h"
#include "playlist/Playlist.h"

namespace vantrel {

class PlaylistCommands {
public:
    PlaylistCommands(Playlist& playlist, Dialogs& dialogs);
    ~PlaylistCommands();

    Playlist& playlist() { return playlist_; }
    ListCommands& listFile() { return listFile_; }
    // What a drop or the command line adds; a list it cannot read whole shows the "Error" box.
    DropAdder& dropAdder() { return dropAdder_; }
    void addFiles();
    void addFolder();
    // The sample list's folder command is this one, with its own patterns and last folder.
    void addFolderTo(Playlist& target, QString& lastFolder, const QString& patterns);
    const QString& lastFolder() const { return lastFolder_; }
    void forgetLastFolder() { lastFolder_.clear(); }

private:
    // Made on first use and shared by both folder commands.
    FileSearch& folderSearch();

    Playlist& playlist_;
    Dialogs& dialogs_;
    ListCommands listFile_;
    QString lastFolder_;
    std::unique_ptr<FileSearch> folderSearch_;
    DropAdder dropAdder_{playlist_};
};

}  // namespace vantrel
