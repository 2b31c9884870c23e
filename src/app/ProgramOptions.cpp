#include "app/ProgramOptions.h"

#include <array>
#include <functional>

namespace vantrel {

namespace {

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
    Flag{"--new-instance", nullptr, false,
         [](ProgramOptions& o, const QString&) { o.newInstance = true; }},
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
    }
    return options;
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
        "  --new-instance    open a window of its own even when Vantrel runs already with\n"
        "                    the same playlist (otherwise the files go to that window)\n"
        "  -h, --help        show this text\n"
        "  --version         show the program's version\n"
        "\n"
        "Files, folders and playlists of other players (M3U, M3U8, PLS, XSPF) named are added to\n"
        "the end of the playlist, as a drop adds them. The refinements last for the run and can\n"
        "also be turned on and off at the end of the Effects menu.\n"
        "\n"
        "Environment: VANTREL_CD_DRIVE names the drive, or a disc image such as a CUE file, that\n"
        "\"Add audio CD tracks\" reads, in place of the first drive holding an audio CD.\n");
}

}  // namespace vantrel
