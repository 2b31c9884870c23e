#include "app/ShutdownSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <array>
#include <cerrno>

namespace vantrel {

namespace {

constexpr std::array kSignals{SIGTERM, SIGINT, SIGHUP};
// One pair per process: a signal handler cannot reach an object.
int gPipe[2] = {-1, -1};

void onSignal(int sig) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(sig);
    // Non-blocking: a full pipe already holds a pending shutdown.
    [[maybe_unused]] const ssize_t n = ::write(gPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

ShutdownSignals::ShutdownSignals(std::function<void(int)> onShutdown, QObject* parent)
    : QObject(parent), onShutdown_(std::move(onShutdown)) {
    if (gPipe[0] >= 0) return;  // another instance owns the signals
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, gPipe) != 0) {
        gPipe[0] = gPipe[1] = -1;
        return;
    }
    notifier_ = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &ShutdownSignals::readSignal);

    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : kSignals) ::sigaction(sig, &sa, nullptr);
}

ShutdownSignals::~ShutdownSignals() {
    if (!notifier_) return;
    struct sigaction sa {};
    sa.sa_handler = SIG_DFL;
    sigemptyset(&sa.sa_mask);
    for (int sig : kSignals) ::sigaction(sig, &sa, nullptr);
    delete notifier_;
    notifier_ = nullptr;
    ::close(gPipe[0]);
    ::close(gPipe[1]);
    gPipe[0] = gPipe[1] = -1;
}

void ShutdownSignals::readSignal() {
    unsigned char byte = 0;
    int last = 0;
    while (::read(gPipe[0], &byte, 1) == 1) last = byte;
    if (triggered_ || last == 0) return;
    triggered_ = true;
    if (onShutdown_) onShutdown_(last);
}

}  // namespace vantrel
