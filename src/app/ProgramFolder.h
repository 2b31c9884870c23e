#pragma once
// Where the program keeps its files. The program folder is the executable's folder; the samples,
// the meter image and the help are read from it. The default playlist is written there too,
// unless the folder is not writable (an installed package, /usr/lib/vantrel): then it lives in
// $XDG_DATA_HOME/vantrel/ (~/.local/share/vantrel/ when XDG_DATA_HOME is unset or relative).
#include <QString>

namespace vantrel {

// The executable's folder without a trailing separator. Needs a QCoreApplication.
QString ProgramFolder();

// The per-user data folder for Vantrel, by the XDG rules; not created here.
QString UserDataFolder();

// programFolder + "/default.kvl" when the folder can be written, else the user data folder's
// default.kvl. Decided once, at start-up, so that the file read is the file written.
QString DefaultPlaylistPath(const QString& programFolder);

// Creates the folder that will hold `file` when it is missing; false when that fails.
bool EnsureFolderFor(const QString& file);

}  // namespace vantrel
