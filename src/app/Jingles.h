#pragma once
// Jingles on a rotation: every N songs or every M minutes, a sample from one sample group (or
// the user's sample list) sounds over the mix at the start of the next fade, never the same one
// twice in a row, with the music lowered under it by the duck, if one is set.
#include <QObject>
#include <QString>
#include <QStringList>
#include <random>

namespace vantrel {

namespace audio {
class Engine;
}
class AutoMixer;
class Playlist;
class Samples;
class Scheduler;

struct JingleSettings {
    // The user's sample list, where a group index would go.
    static constexpr int kSampleList = 9;
    static constexpr int kNoGroup = -1;
    static constexpr int kMaxDuckDb = 40;

    int everySongs = 0;    // 0: not by songs
    int everyMinutes = 0;  // 0: not by time
    int group = kNoGroup;
    int duckDb = 0;  // how far the music goes down under a jingle

    bool on() const { return group != kNoGroup && (everySongs > 0 || everyMinutes > 0); }
    bool operator==(const JingleSettings&) const = default;

    // A group by its text in the group box or its folder ("Male spoken", "malespoken"), or the
    // sample list ("Sample list", "list"), without regard to case; kNoGroup for anything else.
    static int groupNamed(const QString& name);
    // The names a user can give, for messages.
    static QStringList groupNames();
};

class JingleRotation : public QObject {
    Q_OBJECT
public:
    JingleRotation(AutoMixer& mixer, Samples& samples, Playlist& sampleList, audio::Engine& engine,
                   Scheduler& scheduler, std::uint32_t seed, QObject* parent = nullptr);

    void reseed(std::uint32_t seed) { random_.seed(seed); }
    const JingleSettings& settings() const { return settings_; }
    // Counting starts again from here: N songs or M minutes from now.
    void apply(const JingleSettings& settings);

signals:
    // A jingle started sounding: its name as its list shows it.
    void jingleStarted(const QString& name);

private:
    void onFadeStarted();
    // The candidates' paths and names, in list order.
    void candidates(QStringList& paths, QStringList& names) const;
    bool fireOne();

    Samples& samples_;
    Playlist& sampleList_;
    audio::Engine& engine_;
    Scheduler& scheduler_;
    JingleSettings settings_;
    std::mt19937 random_;
    int songsSince_ = 0;
    qint64 lastMs_ = 0;
    // What is left of the current round of the candidates, in the order they will be tried.
    QStringList round_;
    QString lastPath_;
};

}  // namespace vantrel
