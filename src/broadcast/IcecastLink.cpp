#include "broadcast/IcecastLink.h"

#include <shout/shout.h>

#include <mutex>
#include <thread>

namespace vantrel::broadcast {

bool parseStreamAddress(const std::string& text, StreamAddress& address, std::string& error) {
    const std::string scheme = "icecast://";
    error = "the stream address must read icecast://[USER@]HOST:PORT/MOUNT";
    if (text.compare(0, scheme.size(), scheme) != 0) return false;
    std::string rest = text.substr(scheme.size());
    const auto slash = rest.find('/');
    if (slash == std::string::npos || slash + 1 >= rest.size()) return false;
    StreamAddress a;
    a.mount = rest.substr(slash);
    std::string server = rest.substr(0, slash);
    if (const auto at = server.rfind('@'); at != std::string::npos) {
        a.user = server.substr(0, at);
        // A password in the address would end up in the process list: it has its own ways in.
        if (a.user.empty() || a.user.find(':') != std::string::npos) return false;
        server = server.substr(at + 1);
    }
    const auto colon = server.rfind(':');
    if (colon == std::string::npos) return false;
    a.host = server.substr(0, colon);
    const std::string port = server.substr(colon + 1);
    if (a.host.empty() || port.empty() || port.size() > 5 ||
        port.find_first_not_of("0123456789") != std::string::npos)
        return false;
    a.port = std::stoi(port);
    if (a.port < 1 || a.port > 65535) return false;
    address = a;
    error.clear();
    return true;
}

std::string addressText(const StreamAddress& a) {
    return a.user + "@" + a.host + ":" + std::to_string(a.port) + a.mount;
}

IcecastLink::IcecastLink() {
    static std::once_flag started;
    std::call_once(started, [] { shout_init(); });
}

IcecastLink::~IcecastLink() {
    close();
}

namespace {

bool configure(shout_t* shout, const StreamSettings& settings) {
    const StreamAddress& a = settings.address;
    const bool mp3 = settings.format == MixFormat::Mp3;
    const std::string bitrate = std::to_string(settings.bitrateKbps);
    return shout_set_host(shout, a.host.c_str()) == SHOUTERR_SUCCESS &&
           shout_set_port(shout, static_cast<unsigned short>(a.port)) == SHOUTERR_SUCCESS &&
           shout_set_user(shout, a.user.c_str()) == SHOUTERR_SUCCESS &&
           shout_set_password(shout, settings.password.c_str()) == SHOUTERR_SUCCESS &&
           shout_set_mount(shout, a.mount.c_str()) == SHOUTERR_SUCCESS &&
           shout_set_protocol(shout, SHOUT_PROTOCOL_HTTP) == SHOUTERR_SUCCESS &&
           shout_set_tls(shout, SHOUT_TLS_DISABLED) == SHOUTERR_SUCCESS &&
           shout_set_content_format(shout, mp3 ? SHOUT_FORMAT_MP3 : SHOUT_FORMAT_OGG,
                                    SHOUT_USAGE_AUDIO, nullptr) == SHOUTERR_SUCCESS &&
           shout_set_audio_info(shout, SHOUT_AI_BITRATE, bitrate.c_str()) == SHOUTERR_SUCCESS &&
           shout_set_agent(shout, "Vantrel") == SHOUTERR_SUCCESS;
}

}  // namespace

IcecastLink::Step IcecastLink::begin(const StreamSettings& settings) {
    close();
    reason_.clear();
    settings_ = settings;
    shout_ = shout_new();
    if (!shout_) {
        reason_ = "out of memory";
        return Step::Failed;
    }
    if (!configure(shout_, settings) || shout_set_nonblocking(shout_, 1) != SHOUTERR_SUCCESS)
        return failed();
    if (!settings.name.empty()) shout_set_meta(shout_, SHOUT_META_NAME, settings.name.c_str());
    const int opened = shout_open(shout_);
    return opened == SHOUTERR_SUCCESS ? Step::Connected : stepOf(opened);
}

IcecastLink::Step IcecastLink::connect() {
    if (!shout_) return Step::Failed;
    return stepOf(shout_get_connected(shout_));
}

// A non-blocking open or connect goes on while libshout says busy or retry.
IcecastLink::Step IcecastLink::stepOf(int code) {
    switch (code) {
        case SHOUTERR_CONNECTED:
            return Step::Connected;
        case SHOUTERR_BUSY:
        case SHOUTERR_RETRY:
            return Step::Connecting;
        default:
            return failed();
    }
}

IcecastLink::Step IcecastLink::failed() {
    const int code = shout_ ? shout_get_errno(shout_) : SHOUTERR_INSANE;
    switch (code) {
        case SHOUTERR_NOCONNECT:
            reason_ = "the server does not answer";
            break;
        case SHOUTERR_NOLOGIN:
            reason_ = "the server refused the login: wrong password, or the mount is in use";
            break;
        case SHOUTERR_SOCKET:
            reason_ = "the connection was lost";
            break;
        default:
            reason_ = shout_ ? shout_get_error(shout_) : "cannot connect";
            break;
    }
    close();
    return Step::Failed;
}

bool IcecastLink::send(const std::uint8_t* data, std::size_t size) {
    if (!shout_) return false;
    // An empty send only pushes out what is queued.
    const int r = shout_send(shout_, data, size);
    if (r == SHOUTERR_SUCCESS || r == SHOUTERR_BUSY || r == SHOUTERR_RETRY) return true;
    failed();
    return false;
}

std::int64_t IcecastLink::queued() const {
    return shout_ ? std::int64_t(shout_queuelen(shout_)) : 0;
}

void IcecastLink::setTitle(const std::string& title) {
    if (!shout_) return;
    // An mp3 stream's title goes by a request of its own that waits for the server's answer:
    // on a thread of its own, so that a server that stalls never holds up the mix.
    std::thread([settings = settings_, title] {
        shout_t* shout = shout_new();
        shout_metadata_t* metadata = shout_metadata_new();
        // Nothing to do about a title the server did not take: the next one may get through.
        if (shout && metadata && configure(shout, settings) &&
            shout_metadata_add(metadata, "song", title.c_str()) == SHOUTERR_SUCCESS &&
            shout_set_metadata_utf8(shout, metadata) != SHOUTERR_SUCCESS) {
        }
        if (metadata) shout_metadata_free(metadata);
        if (shout) shout_free(shout);
    }).detach();
}

void IcecastLink::close() {
    if (!shout_) return;
    shout_close(shout_);
    shout_free(shout_);
    shout_ = nullptr;
}

}  // namespace vantrel::broadcast
