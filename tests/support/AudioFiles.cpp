#include "support/AudioFiles.h"

#include "audio/Engine.h"
#include "audio/MixTap.h"
#include "audio/Player.h"

#include <fcntl.h>
#include <signal.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <algorithm>
#include <cmath>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

namespace vantrel::test {

bool runTool(const QString& program, const QStringList& args, QString* output) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForStarted(10000)) return false;
    p.waitForFinished(120000);
    if (output) *output = QString::fromLocal8Bit(p.readAll());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

bool makeTone(const QString& path, const ToneShape& s) {
    const QString ext = QFileInfo(path).suffix().toLower();
    const QString secs = QString::number(s.seconds, 'f', 6);
    if (ext == u"wma" || ext == u"m4a") {
        // sox cannot write these; ffmpeg's own generator can (at full scale, as sox's sine).
        const QString wave = s.frequency > 0 ? QStringLiteral("sin(2*PI*%1*t)").arg(s.frequency)
                                             : QStringLiteral("0");
        QStringList args = QStringLiteral("-nostdin -v error -y -f lavfi -i").split(' ');
        args << QStringLiteral("aevalsrc=%1:s=%2:d=%3").arg(wave).arg(s.rate).arg(secs) << "-ac"
             << QString::number(s.channels) << "-af" << QStringLiteral("volume=%1dB").arg(s.gainDb);
        // The m4a index first, as players and stores write them.
        args += ext == u"wma" ? QStringList{"-c:a", "wmav2"}
                              : QStringList{"-c:a", "aac", "-movflags", "+faststart"};
        return runTool(QStringLiteral("ffmpeg"), args << path);
    }
    QStringList args{"-q", "-n", "-r", QString::number(s.rate), "-c", QString::number(s.channels)};
    if (ext == u"wav" || ext == u"aif" || ext == u"aiff") args += {"-b", "16"};
    args << path << "synth" << secs << "sine" << QString::number(std::max(s.frequency, 0.0));
    args +=
        s.frequency > 0 ? QStringList{"gain", QString::number(s.gainDb)} : QStringList{"vol", "0"};
    return runTool(QStringLiteral("sox"), args);
}

Audio readAudioFile(const QString& path) {
    Audio a;
    SF_INFO info{};
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!f) return a;
    a.rate = info.samplerate;
    a.channels = info.channels;
    a.samples.resize(static_cast<size_t>(info.frames) * info.channels);
    const sf_count_t got = sf_readf_float(f, a.samples.data(), info.frames);
    a.samples.resize(static_cast<size_t>(std::max<sf_count_t>(got, 0)) * info.channels);
    sf_close(f);
    return a;
}

bool makeCdImage(const QString& cuePath, const QList<ToneShape>& tracks) {
    const QString bin = cuePath.chopped(QFileInfo(cuePath).suffix().size()) + "bin";
    QByteArray audio, cue = "FILE \"" + QFileInfo(bin).fileName().toUtf8() + "\" BINARY\r\n";
    for (int t = 0; t < tracks.size(); ++t) {
        const int sector = int(audio.size() / 2352);
        cue += QStringLiteral("  TRACK %1 AUDIO\r\n    INDEX 01 %2:%3:%4\r\n")
                   .arg(t + 1, 2, 10, QChar('0'))
                   .arg(sector / 75 / 60, 2, 10, QChar('0'))
                   .arg(sector / 75 % 60, 2, 10, QChar('0'))
                   .arg(sector % 75, 2, 10, QChar('0'))
                   .toUtf8();
        const ToneShape& s = tracks[t];
        const qint64 frames = qint64(std::ceil(s.seconds * 75)) * 588;
        const double amplitude = 32767 * std::pow(10, s.gainDb / 20);
        for (qint64 i = 0; i < frames; ++i) {
            const auto v =
                qint16(std::lround(amplitude * std::sin(2 * M_PI * s.frequency * i / 44100)));
            const char le[2] = {char(v & 0xff), char((v >> 8) & 0xff)};
            audio.append(le, 2).append(le, 2);
        }
    }
    return writeFile(bin, audio) && writeFile(cuePath, cue);
}

bool writeWav(const QString& path, const float* data, int frames, int channels, int rate) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!f) return false;
    sf_command(f, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    const sf_count_t wrote = sf_writef_float(f, data, frames);
    sf_close(f);
    return wrote == frames;
}

bool writeAs(const QString& path, const Audio& a) {
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == u"wav") return writeWav(path, a.samples.data(), a.frames(), a.channels, a.rate);
    const QString wav = path + QStringLiteral(".src.wav");
    if (!writeWav(wav, a.samples.data(), a.frames(), a.channels, a.rate)) return false;
    static const QMap<QString, QString> codecs{
        {"wma", "wmav2"}, {"m4a", "aac"}, {"mp3", "libmp3lame"}};
    QStringList args{"-nostdin", "-v", "error", "-y", "-i", wav};
    if (codecs.contains(ext)) args += {"-c:a", codecs[ext]};
    const bool ok = runTool(QStringLiteral("ffmpeg"), args << path);
    QFile::remove(wav);
    return ok;
}

int firstAbove(const Audio& a, float threshold, int start) {
    for (int i = std::max(start, 0); i < a.frames(); ++i)
        if (std::abs(a.samples[size_t(i) * a.channels]) >= threshold) return i;
    return -1;
}

int lastAbove(const Audio& a, float threshold) {
    for (int i = a.frames() - 1; i >= 0; --i)
        if (std::abs(a.samples[size_t(i) * a.channels]) >= threshold) return i;
    return -1;
}

float largestStep(const Audio& a, int start, int frames) {
    float m = 0;
    start = std::clamp(start, 1, std::max(a.frames(), 1));
    const int end = std::clamp(start + frames, start, a.frames());
    for (int i = start; i < end; ++i)
        for (int c = 0; c < a.channels; ++c)
            m = std::max(m, std::abs(a.samples[size_t(i) * a.channels + c] -
                                     a.samples[size_t(i - 1) * a.channels + c]));
    return m;
}

double estimateFrequency(const Audio& a, int start, int frames) {
    if (a.channels == 0) return 0;
    start = std::clamp(start, 0, a.frames());
    const int end = std::clamp(start + frames, start, a.frames());
    int crossings = 0;
    int first = -1, last = -1;
    for (int i = start + 1; i < end; ++i) {
        const float p = a.samples[size_t(i - 1) * a.channels];
        const float q = a.samples[size_t(i) * a.channels];
        if (p < 0 && q >= 0) {
            if (first < 0) first = i;
            last = i;
            ++crossings;
        }
    }
    if (crossings < 2) return 0;
    return double(crossings - 1) * a.rate / double(last - first);
}

float peak(const Audio& a, int start, int frames) {
    float m = 0;
    start = std::clamp(start, 0, a.frames());
    const int end = std::clamp(start + frames, start, a.frames());
    for (int i = start; i < end; ++i) m = std::max(m, std::abs(a.samples[size_t(i) * a.channels]));
    return m;
}

Quiet longestQuiet(const Audio& a, int fromFrame, int toFrame) {
    const int window = a.rate / 100;
    int run = 0;
    bool sounding = false;
    Quiet longest;
    for (int f = fromFrame; f + window <= toFrame; f += window) {
        const bool quiet = peak(a, f, window) < 0.02f;
        sounding = sounding || !quiet;
        run = quiet ? run + 1 : 0;
        if (sounding && run * 10 > longest.ms) longest = {run * 10, f - (run - 1) * window};
    }
    if (!sounding) return {int(qint64(toFrame - fromFrame) * 1000 / a.rate), fromFrame};
    return longest;
}

double toneLevel(const Audio& a, double frequency, qint64 start, int frames) {
    const double w = 2 * M_PI * frequency / a.rate;
    double s1 = 0, s2 = 0;
    for (qint64 i = std::max<qint64>(start, 0); i < start + frames && i < a.frames(); ++i) {
        const double s = a.samples[size_t(i * a.channels)] + 2 * std::cos(w) * s1 - s2;
        s2 = s1, s1 = s;
    }
    return 2 * std::sqrt(std::max(0.0, s1 * s1 + s2 * s2 - 2 * std::cos(w) * s1 * s2)) / frames;
}

namespace {
Audio capture(audio::Engine& engine, const std::function<void()>& run) {
    Audio out;
    out.rate = engine.sampleRate();
    out.channels = 2;
    engine.setCaptureSink([&](const float* d, int n) {
        out.samples.insert(out.samples.end(), d, d + size_t(n) * 2);
    });
    run();
    engine.setCaptureSink({});
    return out;
}
}  // namespace

Audio playOffline(audio::Engine& engine, audio::Player& player, int limitMs) {
    return capture(engine, [&] {
        const int step = engine.sampleRate() / 100;
        for (int t = 0; t < limitMs && player.Status() == audio::Player::kPlaying; t += 10)
            engine.renderOffline(step);
    });
}

void takeMix(audio::MixTap& tap, Audio& into) {
    std::vector<float> piece(8192 * 2);
    for (int n; (n = tap.read(piece.data(), 8192)) > 0;)
        into.samples.insert(into.samples.end(), piece.begin(), piece.begin() + n * 2);
}

Audio renderOffline(audio::Engine& engine, int ms) {
    return capture(engine,
                   [&] { engine.renderOffline(int(qint64(ms) * engine.sampleRate() / 1000)); });
}

void keepOnFailure(const QString& name, const Audio& a) {
    if (!QTest::currentTestFailed()) return;
    QString tag = QString::fromLatin1(QTest::currentDataTag());
    tag.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]")), QStringLiteral("_"));
    const QString path = QDir::current().absoluteFilePath(
        tag.isEmpty() ? name + QStringLiteral(".wav") : QStringLiteral("%1-%2.wav").arg(name, tag));
    writeWav(path, a.samples.data(), a.frames(), a.channels, a.rate);
    qWarning("actual output written to %s", qPrintable(path));
}

struct MonitorRecording::State {
    std::mutex mutex;
    std::vector<std::int16_t> samples;
    std::vector<std::pair<double, qint64>> arrivals;  // (time, frames so far)
    std::atomic<bool> stop{false};
    std::thread reader;
};

double MonitorRecording::now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

MonitorRecording::MonitorRecording(const QString& source, int rate)
    : rate_(rate), state_(std::make_unique<State>()) {
    int pipefd[2];
    if (::pipe(pipefd) != 0) return;
    const QByteArray dev = "--device=" + source.toLocal8Bit();
    const QByteArray r = "--rate=" + QByteArray::number(rate);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipefd[1], 1);
        ::close(pipefd[0]);
        ::close(pipefd[1]);
        ::execlp("parec", "parec", dev.constData(), "--raw", "--format=s16le", r.constData(),
                 "--channels=2", "--latency-msec=5", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipefd[1]);
    if (pid < 0) {
        ::close(pipefd[0]);
        return;
    }
    pid_ = pid;
    fd_ = pipefd[0];
    state_->reader = std::thread([this] { run(); });
}

void MonitorRecording::run() {
    std::vector<std::int16_t> buf(4096);
    qint64 frames = 0;
    while (!state_->stop.load()) {
        const ssize_t n = ::read(fd_, buf.data(), buf.size() * 2);
        if (n <= 0) break;
        const double t = now();
        std::lock_guard lock(state_->mutex);
        state_->samples.insert(state_->samples.end(), buf.data(), buf.data() + n / 2);
        frames = qint64(state_->samples.size() / 2);
        state_->arrivals.emplace_back(t, frames);
    }
}

Audio MonitorRecording::stop() {
    Audio a;
    a.rate = rate_;
    a.channels = 2;
    if (pid_ > 0) {
        state_->stop.store(true);
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    if (state_->reader.joinable()) state_->reader.join();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    std::lock_guard lock(state_->mutex);
    a.samples.reserve(state_->samples.size());
    for (std::int16_t v : state_->samples) a.samples.push_back(float(v) / 32768.0f);
    return a;
}

double MonitorRecording::timeOfFrame(qint64 frame) const {
    std::lock_guard lock(state_->mutex);
    for (const auto& [t, total] : state_->arrivals)
        if (total > frame) return t - double(total - frame) / rate_;
    return -1;
}

MonitorRecording::~MonitorRecording() {
    stop();
}

PrivateSoundServer::PrivateSoundServer() {
    char tmpl[] = "/tmp/vantrel-private-audio.XXXXXX";
    if (::mkdtemp(tmpl)) dir_ = QString::fromLocal8Bit(tmpl);
}

PrivateSoundServer::~PrivateSoundServer() {
    kill();
    if (!dir_.isEmpty()) QDir(dir_).removeRecursively();
}

QString PrivateSoundServer::server() const {
    return QStringLiteral("unix:%1/native").arg(dir_);
}

bool PrivateSoundServer::start() {
    if (dir_.isEmpty()) return false;
    QDir(dir_).mkpath(QStringLiteral("runtime"));
    QDir(dir_).mkpath(QStringLiteral("state"));
    const QByteArray runtime = (dir_ + "/runtime").toLocal8Bit();
    const QByteArray state = (dir_ + "/state").toLocal8Bit();
    const QByteArray proto =
        "module-native-protocol-unix socket=" + (dir_ + "/native").toLocal8Bit() +
        " auth-anonymous=1";
    const QByteArray sinkArg =
        "module-null-sink sink_name=" + sink().toLocal8Bit() + " rate=44100 channels=2";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("PULSE_RUNTIME_PATH", runtime.constData(), 1);
        ::setenv("PULSE_STATE_PATH", state.constData(), 1);
        const int devnull = ::open("/dev/null", O_RDWR);
        ::dup2(devnull, 1);
        ::dup2(devnull, 2);
        ::execlp("pulseaudio", "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                 "--use-pid-file=no", "--system=no", "--disallow-exit=yes", "-L", proto.constData(),
                 "-L", sinkArg.constData(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (pid < 0) return false;
    pid_ = pid;
    for (int i = 0; i < 100; ++i) {
        if (control({QStringLiteral("info")})) return true;
        if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

bool PrivateSoundServer::control(const QStringList& args) const {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PULSE_SERVER"), server());
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("pactl"), args);
    return p.waitForFinished(2000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

void PrivateSoundServer::freeze() {
    if (pid_ > 0) ::kill(pid_, SIGSTOP);
}

void PrivateSoundServer::thaw() {
    if (pid_ > 0) ::kill(pid_, SIGCONT);
}

void PrivateSoundServer::kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

}  // namespace vantrel::test
