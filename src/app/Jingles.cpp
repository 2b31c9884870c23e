#include "app/Jingles.h"

#include <QFileInfo>

#include "audio/Engine.h"
#include "base/Scheduler.h"
#include "deck/AutoMixer.h"
#include "playlist/Playlist.h"
#include "samples/Samples.h"

namespace vantrel {

int JingleSettings::groupNamed(const QString& name) {
    const QString wanted = name.simplified().toLower();
    const auto squeezed = [](QString s) { return s.remove(QLatin1Char(' ')).toLower(); };
    for (int g = 0; g < SampleGroups::kCount; ++g) {
        const QString folder = SampleGroups::FolderText(g).section(QLatin1Char('/'), -2, -2);
        if (wanted == SampleGroups::Text(g).toLower() || squeezed(wanted) == folder.toLower() ||
            squeezed(wanted) == squeezed(SampleGroups::Text(g)))
            return g;
    }
    if (wanted == QLatin1String("sample list") || wanted == QLatin1String("samplelist") ||
        wanted == QLatin1String("list"))
        return kSampleList;
    return kNoGroup;
}

QStringList JingleSettings::groupNames() {
    QStringList names = SampleGroups::Texts();
    names << QStringLiteral("Sample list");
    return names;
}

JingleRotation::JingleRotation(AutoMixer& mixer, Samples& samples, Playlist& sampleList,
                               audio::Engine& engine, Scheduler& scheduler, std::uint32_t seed,
                               QObject* parent)
    : QObject(parent),
      samples_(samples),
      sampleList_(sampleList),
      engine_(engine),
      scheduler_(scheduler),
      random_(seed) {
    connect(&mixer, &AutoMixer::fadeStarted, this, &JingleRotation::onFadeStarted);
}

void JingleRotation::apply(const JingleSettings& settings) {
    if (!(settings.group == settings_.group)) round_.clear();
    settings_ = settings;
    settings_.duckDb = std::clamp(settings_.duckDb, 0, JingleSettings::kMaxDuckDb);
    engine_.setDuckDb(-float(settings_.duckDb));
    songsSince_ = 0;
    lastMs_ = scheduler_.nowMs();
}

void JingleRotation::candidates(QStringList& paths, QStringList& names) const {
    if (settings_.group == JingleSettings::kSampleList) {
        for (const Playlist::Entry& e : sampleList_.entries()) {
            paths << e.path;
            names << e.title;
        }
        return;
    }
    if (settings_.group < 0 || settings_.group >= SampleGroups::kCount) return;
    const FileList& list = samples_.groups.List(settings_.group);
    for (const QString& name : list.Names()) {
        paths << list.Path() + QLatin1Char('/') + name;
        names << name;
    }
}

void JingleRotation::onFadeStarted() {
    if (!settings_.on()) return;
    ++songsSince_;
    const bool bySongs = settings_.everySongs > 0 && songsSince_ >= settings_.everySongs;
    const bool byTime = settings_.everyMinutes > 0 &&
                        scheduler_.nowMs() - lastMs_ >= qint64(settings_.everyMinutes) * 60000;
    if (!bySongs && !byTime) return;
    // Counted from the fade that was due, played or not: an empty group does not make every
    // following fade try again.
    songsSince_ = 0;
    lastMs_ = scheduler_.nowMs();
    fireOne();
}

bool JingleRotation::fireOne() {
    QStringList paths, names;
    candidates(paths, names);
    if (paths.isEmpty()) return false;
    // Each candidate once per round, in a fresh random order, so a short group still varies; the
    // next round never opens with the one just heard. A sample that will not open is skipped.
    for (int tries = 0; tries < paths.size(); ++tries) {
        round_.removeIf([&paths](const QString& p) { return !paths.contains(p); });
        if (round_.isEmpty()) {
            round_ = paths;
            for (qsizetype i = round_.size() - 1; i > 0; --i)
                round_.swapItemsAt(i, qsizetype(random_() % std::uint32_t(i + 1)));
            if (round_.size() > 1 && round_.first() == lastPath_) round_.move(0, round_.size() - 1);
        }
        const QString path = round_.takeFirst();
        if (!samples_.playOver(path, settings_.duckDb > 0)) continue;
        lastPath_ = path;
        emit jingleStarted(names.value(paths.indexOf(path), QFileInfo(path).fileName()));
        return true;
    }
    return false;
}

}  // namespace vantrel
