#pragma once
// The program's command line, read before the window system starts so that --help, --version and
// a mistyped flag are answered without a display or a sound device.
#include <QString>
#include <QStringList>

namespace vantrel {

struct ProgramOptions {
    bool help = false;
    bool version = false;
    bool trimSilence = false;
    bool levelLoudness = false;
    bool fadeAtOutro = false;
    // A window of its own even when this playlist's program runs already.
    bool newInstance = false;
    // Files, folders and lists named on the line, in order, as given.
    QStringList files;
    // Set when the line cannot be used: one line saying why, for stderr (exit status 2).
    QString error;
};

// `arguments` are argv without the program name. Qt's own window-system options (-platform X,
// -display X, -style X ...) are passed over, since QApplication reads them later.
ProgramOptions readProgramOptions(const QStringList& arguments);

// The --help text.
QString programUsage();

}  // namespace vantrel
