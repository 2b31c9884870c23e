#pragma once
// The program's command line, read before the window system starts so that --help, --version and
// a mistyped flag are answered without a display or a sound device.
#include <QString>
#include <QStringList>
#include <QTime>
#include <optional>

#include "app/Jingles.h"

#include "broadcast/IcecastLink.h"

namespace vantrel {

struct ProgramOptions {
    bool help = false;
    bool version = false;
    bool trimSilence = false;
    bool levelLoudness = false;
    bool fadeAtOutro = false;
    bool matchBeats = false;
    // A window of its own even when this playlist's program runs already.
    bool newInstance = false;
    bool repeat = false;
    bool shuffle = false;
    JingleSettings jingles;
    std::optional<QTime> startAt;
    std::optional<QTime> stopAt;
    bool play = false;  // deck 1 starts as soon as the window is up
    // The stream (empty: none) and its settings; the password never comes by the command line.
    QString stream;
    QString streamFormat = QStringLiteral("mp3");
    int streamBitrate = 128;
    QString streamName;
    QString streamPasswordFile;
    QString record;  // a file to record the mix into; empty: none
    // Files, folders and lists named on the line, in order, as given.
    QStringList files;
    // Set when the line cannot be used: one line saying why, for stderr (exit status 2).
    QString error;
};

// `arguments` are argv without the program name. Qt's own window-system options (-platform X,
// -display X, -style X ...) are passed over, since QApplication reads them later.
ProgramOptions readProgramOptions(const QStringList& arguments);

// The day's programme flags, shared with vantrel-render: --repeat, --shuffle, --jingle-every N,
// --jingle-minutes M, --jingle-group NAME, --jingle-duck DB, --start-at HH:MM, --stop-at HH:MM.
// True when `argument` is one of them (taking its value from `value`, or from the arguments
// after `i` when it needs one); an unusable value sets `error`.
bool readProgrammeFlag(const QStringList& arguments, qsizetype& i, ProgramOptions& options);
// After every flag is read: a jingle rotation needs a group and a count, and a group needs
// songs or minutes. Sets `error` when not.
void checkProgramme(ProgramOptions& options);
// The stream's settings from the flags, the password from --stream-password-file or else the
// environment's VANTREL_STREAM_PASSWORD. False with `error` set when the password file cannot be
// read; the error never holds the password.
bool streamSettingsFromOptions(const ProgramOptions& options, broadcast::StreamSettings& settings,
                               QString& error);

// The --help text.
QString programUsage();

}  // namespace vantrel
