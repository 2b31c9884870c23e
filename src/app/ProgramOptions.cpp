#include "app/ProgramOptions.h"

#include <array>
#include <cstdlib>
#include <functional>

#include "base/FilePath.h"
#include "broadcast/IcecastLink.h"

namespace vantrel {

namespace {

int whole(ProgramOptions& o, const char* flag, const QString& value, int low, int high) {
    bool ok = false;
    const int n = value.trimmed().toInt(&ok);
    if (!ok || n < low || n > high) {
        o.error = QStringLiteral("%1 takes a whole number from %2 to %3, not \"%4\"")
                      .arg(QLatin1String(flag))
                      .arg(low)
                      .arg(high)
                      .arg(value);
        return 0;
    }
    return n;
}

std::optional<QTime> timeOfDay(ProgramOptions& o, const char* flag, const QString& value) {
    const QTime t = QTime::fromString(value.trimmed(), QStringLiteral("H:mm"));
    if (!t.isValid()) {
        o.error = QStringLiteral("%1 takes a time of day as HH:MM (00:00 to 23:59), not \"%2\"")
                      .arg(QLatin1String(flag), value);
        return std::nullopt;
    }
    return t;
}

// A flag of the program: its names, whether it takes a value, and what it sets.
struct Flag {
    const char* name;
    const char* shortName;
    bool takesValue;
    std::function<void(ProgramOptions&, const QString& value)> apply;
};

const std::array kFlags = {
    Flag{"--help", "-h", false, [](ProgramOptions& o, const QString&) { o.help = true; }},
    Flag{"--version", nullptr, false, [](ProgramOptions& o, const QString&) { o.version = true; }},
    Flag{"--trim-silence", nullptr, false,
         [](ProgramOptions& o, const QString&) { o.trimSilence = true; }},
    Flag{"--level-loudness", nullptr, false,
         [](ProgramOptions& o, const QString&) { o.levelLoudness = true; }},
    Flag{"--fade-at-outro", nullptr, false,
         [](ProgramOptions& o, const QString&) { o.fadeAtOutro = true; }},
    Flag{"--match-beats", nullptr, false,
         [](ProgramOptions& o, const QString&) { o.matchBeats = true; }},
    Flag{"--new-instance", nullptr, false,
         [](ProgramOptions& o, const QString&) { o.newInstance = true; }},
    Flag{"--repeat", nullptr, false, [](ProgramOptions& o, const QString&) { o.repeat = true; }},
    Flag{"--shuffle", nullptr, false, [](ProgramOptions& o, const QString&) { o.shuffle = true; }},
    Flag{"--jingle-every", nullptr, true,
         [](ProgramOptions& o, const QString& v) {
             o.jingles.everySongs = whole(o, "--jingle-every", v, 1, 1000);
         }},
    Flag{"--jingle-minutes", nullptr, true,
         [](ProgramOptions& o, const QString& v) {
             o.jingles.everyMinutes = whole(o, "--jingle-minutes", v, 1, 24 * 60);
         }},
    Flag{"--jingle-group", nullptr, true,
         [](ProgramOptions& o, const QString& v) {
             o.jingles.group = JingleSettings::groupNamed(v);
             if (o.jingles.group == JingleSettings::kNoGroup)
                 o.error = QStringLiteral("--jingle-group: no group named \"%1\" (one of: %2)")
                               .arg(v, JingleSettings::groupNames().join(QStringLiteral(", ")));
         }},
    Flag{"--jingle-duck", nullptr, true,
         [](ProgramOptions& o, const QString& v) {
             // Lowered by that much: -6 and 6 both mean 6 dB down.
             o.jingles.duckDb = std::abs(whole(o, "--jingle-duck", v, -JingleSettings::kMaxDuckDb,
                                               JingleSettings::kMaxDuckDb));
         }},
    Flag{"--start-at", nullptr, true,
         [](ProgramOptions& o, const QString& v) { o.startAt = timeOfDay(o, "--start-at", v); }},
    Flag{"--stop-at", nullptr, true,
         [](ProgramOptions& o, const QString& v) { o.stopAt = timeOfDay(o, "--stop-at", v); }},
    Flag{"--play", nullptr, false, [](ProgramOptions& o, const QString&) { o.play = true; }},
    Flag{"--stream", nullptr, true,
         [](ProgramOptions& o, const QString& v) {
             broadcast::StreamAddress address;
             std::string why;
             if (!broadcast::parseStreamAddress(v.toStdString(), address, why))
                 o.error = QString::fromStdString(why);
             o.stream = v;
         }},
    Flag{"--stream-format", nullptr, true,
         [](ProgramOptions& o, const QString& v) {
             if (v != QLatin1String("mp3") && v != QLatin1String("ogg") &&
                 v != QLatin1String("opus"))
                 o.error = QStringLiteral("--stream-format takes mp3, ogg or opus");
             o.streamFormat = v;
         }},
    Flag{"--stream-bitrate", nullptr, true,
         [](ProgramOptions& o, const QString& v) {
             bool ok = false;
             o.streamBitrate = v.toInt(&ok);
             if (!ok || o.streamBitrate < 32 || o.streamBitrate > 320)
                 o.error = QStringLiteral("--stream-bitrate takes kbit/s from 32 to 320");
         }},
    Flag{"--stream-name", nullptr, true,
         [](ProgramOptions& o, const QString& v) { o.streamName = v; }},
    Flag{"--stream-password-file", nullptr, true,
         [](ProgramOptions& o, const QString& v) { o.streamPasswordFile = v; }},
    Flag{"--record", nullptr, true, [](ProgramOptions& o, const QString& v) { o.record = v; }},
};

// QApplication's own options; those in the first list take a value.
const std::array kQtOptionsWithValue = {"-platform",      "-platformpluginpath",
                                        "-platformtheme", "-plugin",
                                        "-display",       "-style",
                                        "-stylesheet",    "-qwindowgeometry",
                                        "-qwindowtitle",  "-qwindowicon",
                                        "-geometry",      "-session"};
const std::array kQtOptions = {"-reverse", "-widgetcount", "-nograb", "-dograb", "-sync"};

template <typename List>
bool contains(const List& list, const QString& argument) {
    for (const char* name : list)
        if (argument == QLatin1String(name)) return true;
    return false;
}

}  // namespace

ProgramOptions readProgramOptions(const QStringList& arguments) {
    ProgramOptions options;
    bool onlyFiles = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (onlyFiles || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-")) {
            options.files << argument;
            continue;
        }
        if (argument == QLatin1String("--")) {
            onlyFiles = true;
            continue;
        }
        if (contains(kQtOptionsWithValue, argument)) {
            ++i;
            continue;
        }
        if (contains(kQtOptions, argument)) continue;
        // --name=value and --name value are both taken for a flag with a value.
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        const QString name = equals < 0 ? argument : argument.left(equals);
        const Flag* flag = nullptr;
        for (const Flag& f : kFlags)
            if (name == QLatin1String(f.name) ||
                (f.shortName && name == QLatin1String(f.shortName)))
                flag = &f;
        if (!flag) {
            options.error = QStringLiteral("unknown option %1 (see vantrel --help)").arg(name);
            return options;
        }
        QString value;
        if (flag->takesValue) {
            if (equals >= 0) {
                value = argument.mid(equals + 1);
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                options.error = QStringLiteral("option %1 needs a value").arg(name);
                return options;
            }
        } else if (equals >= 0) {
            options.error = QStringLiteral("option %1 takes no value").arg(name);
            return options;
        }
        flag->apply(options, value);
        if (!options.error.isEmpty()) return options;
    }
    checkProgramme(options);
    return options;
}

bool readProgrammeFlag(const QStringList& arguments, qsizetype& i, ProgramOptions& options) {
    const QString& argument = arguments[i];
    const qsizetype equals = argument.indexOf(QLatin1Char('='));
    const QString name = equals < 0 ? argument : argument.left(equals);
    for (const Flag& f : kFlags) {
        if (name != QLatin1String(f.name)) continue;
        const bool programme =
            name == QLatin1String("--repeat") || name == QLatin1String("--shuffle") ||
            name.startsWith(QLatin1String("--jingle-")) || name == QLatin1String("--start-at") ||
            name == QLatin1String("--stop-at");
        if (!programme) return false;
        QString value;
        if (f.takesValue) {
            if (equals >= 0)
                value = argument.mid(equals + 1);
            else if (i + 1 < arguments.size())
                value = arguments[++i];
            else
                options.error = QStringLiteral("option %1 needs a value").arg(name);
        }
        if (options.error.isEmpty()) f.apply(options, value);
        return true;
    }
    return false;
}

void checkProgramme(ProgramOptions& options) {
    if (!options.error.isEmpty()) return;
    const JingleSettings& j = options.jingles;
    const bool counted = j.everySongs > 0 || j.everyMinutes > 0;
    if (counted && j.group == JingleSettings::kNoGroup)
        options.error = QStringLiteral("jingles need a group: --jingle-group NAME");
    else if (!counted && j.group != JingleSettings::kNoGroup)
        options.error =
            QStringLiteral("jingles need --jingle-every N (songs) or --jingle-minutes M");
    else if (options.startAt && options.stopAt && *options.startAt == *options.stopAt)
        options.error = QStringLiteral("--start-at and --stop-at must differ");
}

bool streamSettingsFromOptions(const ProgramOptions& options, broadcast::StreamSettings& settings,
                               QString& error) {
    settings = {};
    std::string why;
    if (!options.stream.isEmpty())
        broadcast::parseStreamAddress(options.stream.toStdString(), settings.address, why);
    broadcast::mixFormatFromName(options.streamFormat.toStdString(), settings.format);
    settings.bitrateKbps = options.streamBitrate;
    settings.name = options.streamName.toStdString();
    if (!options.streamPasswordFile.isEmpty()) {
        QByteArray password;
        if (QString why; !ReadWholeFile(options.streamPasswordFile, password, &why)) {
            error = QStringLiteral("cannot read the stream password file %1: %2")
                        .arg(PathForDisplay(options.streamPasswordFile), why);
            return false;
        }
        // The first line; a file written by `echo` ends in a line break that is not the password.
        if (const qsizetype end = password.indexOf('\n'); end >= 0) password.truncate(end);
        while (password.endsWith('\r')) password.chop(1);
        settings.password = password.toStdString();
    } else if (const char* password = std::getenv("VANTREL_STREAM_PASSWORD")) {
        settings.password = password;
    }
    return true;
}

QString programUsage() {
    return QStringLiteral(
        "usage: vantrel [OPTION]... [FILE|FOLDER|LIST]...\n"
        "\n"
        "Two decks that mix the playlist by themselves, song into song.\n"
        "\n"
        "  --trim-silence    mix on a song's audible part: its fade starts from where its sound "
        "ends\n"
        "                    (the last point above -50 dBFS) instead of from its length, the next\n"
        "                    song comes in where its sound begins, and a song that is silence\n"
        "                    throughout is passed over\n"
        "  --level-loudness  bring every song towards one loudness (-18 LUFS, by its ReplayGain "
        "or\n"
        "                    R128 tags or by measuring it), at most 12 dB up or down\n"
        "  --fade-at-outro   cross a song that fades out or ends in a quiet coda into the next "
        "one\n"
        "                    so that the next is up to level where the outro starts; a song "
        "that\n"
        "                    ends cold is mixed from its end as usual\n"
        "  --match-beats     when two songs have a steady beat and tempos within 8 % (or of half\n"
        "                    or double), play the incoming one at the outgoing one's tempo for\n"
        "                    the whole fade with its beats on the outgoing song's, then glide it\n"
        "                    back to its own tempo (pitch unchanged); otherwise the usual fade\n"
        "  --new-instance    open a window of its own even when Vantrel runs already with\n"
        "                    the same playlist (otherwise the files go to that window)\n"

        "\n"
        "On air (also in the Broadcast menu):\n"
        "  --stream icecast://[USER@]HOST:PORT/MOUNT\n"
        "                      put the mix on air on an Icecast server (USER: source)\n"
        "  --stream-format mp3|ogg|opus   the stream's encoding (mp3)\n"
        "  --stream-bitrate KBPS          its bit rate, 32 to 320 (128)\n"
        "  --stream-name TEXT             the station's name on the server\n"
        "  --stream-password-file FILE    read the source password from FILE; without it,\n"
        "                      from the environment variable VANTREL_STREAM_PASSWORD\n"
        "  --record FILE       record the mix into FILE: .wav, .flac, .ogg, .opus or .mp3\n"
        "\n"
        "A day's programme (each for the run; also in the Playlist menu):\n"
        "  --repeat            a song the mix takes off the top of the playlist goes back to "
        "its end,\n"
        "                      so the list never runs out\n"
        "  --shuffle           shuffle the playlist once at start (a cued entry stays on top)\n"
        "  --jingle-every N    a jingle at the start of every Nth fade\n"
        "  --jingle-minutes M  a jingle at the first fade after M minutes\n"
        "  --jingle-group NAME where jingles come from: a sample group (Scratches, Shouts, "
        "Scats,\n"
        "                      Male spoken, Female spoken, Animals, Cartoons, Transportation,\n"
        "                      Laughter) or \"Sample list\"\n"
        "  --jingle-duck DB    lower the music by DB decibels while a jingle sounds (0: not)\n"
        "  --start-at HH:MM    start the mix at this local time, every day\n"
        "  --stop-at HH:MM     fade the music out and stop at this local time, every day;\n"
        "                      started between the two times, Vantrel plays at once\n"
        "\n"
        "  --play              start playing as soon as the window is up, as Play on deck 1\n"
        "                      does (for a machine that plays unattended from its start)\n"
        "  -h, --help          show this text\n"
        "  --version           show the program's version\n"
        "\n"
        "Files, folders and playlists of other players (M3U, M3U8, PLS, XSPF) named are added to\n"
        "the end of the playlist, as a drop adds them. The refinements last for the run and can\n"
        "also be turned on and off at the end of the Effects menu.\n"
        "\n"
        "Environment: VANTREL_CD_DRIVE names the drive, or a disc image such as a CUE file, that\n"
        "\"Add audio CD tracks\" reads, in place of the first drive holding an audio CD.\n");
}

}  // namespace vantrel
