#include "support/DeskFixture.h"

#include <QFileInfo>
#include <cmath>

#include "audio/Player.h"
#include "support/AudioFiles.h"

namespace vantrel::test {

DeskFixture::DeskFixture(bool capture) {
    audio::EngineOptions options;
    options.output = audio::OutputKind::Offline;
    engine = std::make_unique<audio::Engine>(options);
    const int rate = engine->sampleRate();
    // Frames are counted from time 0 so that rounding never drifts over a long run.
    scheduler.onAdvance = [this, rate](qint64, qint64 to) {
        const qint64 target = to * rate / 1000;
        const qint64 frames = target - renderedFrames;
        if (frames <= 0) return;
        engine->renderOffline(static_cast<int>(frames));
        renderedFrames = target;
    };
    if (capture)
        engine->setCaptureSink([this](const float* block, int frames) {
            captured.insert(captured.end(), block, block + 2 * frames);
        });
    desk = std::make_unique<Desk>(*engine, scheduler, dialogs, folder.path());
}

DeskFixture::~DeskFixture() {
    desk.reset();
    engine.reset();
}

void DeskFixture::add(const QString& path, const QString& title) {
    desk->playlist().append(title.isEmpty() ? QFileInfo(path).completeBaseName() : title, path);
}

QString DeskFixture::tone(const QString& name, double seconds, double frequency, int rate) {
    const QString path = folder.filePath(name);
    const int frames = static_cast<int>(std::lround(seconds * rate));
    std::vector<float> data(static_cast<size_t>(frames));
    const double w = 2.0 * M_PI * frequency / rate;
    for (int i = 0; i < frames; ++i) data[size_t(i)] = static_cast<float>(0.5 * std::sin(w * i));
    writeWav(path, data.data(), frames, 1, rate);
    return path;
}

}  // namespace vantrel::test
