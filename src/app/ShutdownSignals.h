#pragma once
// Turns SIGTERM, SIGINT and SIGHUP (a logout, `kill`, Ctrl+C in a terminal) into one call on the
// event loop, so the program shuts down exactly as when its window is closed and the playlist is
// saved. The signal handler only writes a byte to a socket pair; everything else runs on the UI
// thread. Only the first signal counts; later ones are ignored while the shutdown runs.
#include <QObject>
#include <functional>

class QSocketNotifier;

namespace vantrel {

class ShutdownSignals : public QObject {
    Q_OBJECT
public:
    explicit ShutdownSignals(std::function<void(int signal)> onShutdown, QObject* parent = nullptr);
    ~ShutdownSignals() override;

    bool installed() const { return notifier_ != nullptr; }
    bool triggered() const { return triggered_; }

private:
    void readSignal();

    std::function<void(int)> onShutdown_;
    QSocketNotifier* notifier_ = nullptr;
    bool triggered_ = false;
};

}  // namespace vantrel
