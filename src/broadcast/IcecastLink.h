#pragma once
// One source connection to an Icecast server, never blocking its caller: the connect runs on
// in the background and sends are queued, so the thread that feeds it keeps its pace.
#include <cstdint>
#include <memory>
#include <string>

#include "broadcast/MixEncoder.h"

struct shout;

namespace vantrel::broadcast {

// Where the stream goes: icecast://[USER@]HOST:PORT/MOUNT.
struct StreamAddress {
    std::string user = "source";
    std::string host;
    int port = 8000;
    std::string mount;  // with its leading "/"
};
// False with `error` set when `text` is not such an address.
bool parseStreamAddress(const std::string& text, StreamAddress& address, std::string& error);
std::string addressText(const StreamAddress& address);  // without the password, for the status

struct StreamSettings {
    StreamAddress address;
    MixFormat format = MixFormat::Mp3;
    int bitrateKbps = 128;
    std::string name;      // the station's name, shown by the server
    std::string password;  // never printed or logged
};

class IcecastLink {
public:
    enum class Step { Connecting, Connected, Failed };

    IcecastLink();
    ~IcecastLink();
    IcecastLink(const IcecastLink&) = delete;
    IcecastLink& operator=(const IcecastLink&) = delete;

    // Starts connecting; then poll connect() until it is Connected or Failed.
    Step begin(const StreamSettings& settings);
    Step connect();
    // Queues the bytes and sends what the socket takes. False when the connection is lost.
    bool send(const std::uint8_t* data, std::size_t size);
    // Bytes waiting to go out: grows while the server does not take them.
    std::int64_t queued() const;
    // The title for an mp3 stream, as the server's metadata.
    void setTitle(const std::string& title);
    void close();
    // Why the connection failed or was lost, in the user's words.
    const std::string& reason() const { return reason_; }

private:
    Step stepOf(int code);
    Step failed();

    struct shout* shout_ = nullptr;
    StreamSettings settings_;
    std::string reason_;
};

}  // namespace vantrel::broadcast
