#pragma once
// The local socket between ztl qbwc service and the programs that hand it their requests:
// an AF_UNIX stream socket under $XDG_RUNTIME_DIR, owner-only, one connection per request
// processor (its OpenConnection to its end; closing it releases what it held). Frames are
// one type byte, a 4-byte length (big-endian) and that many bytes.
//
//   program -> service:  'O' open (its payload, when not empty: the seconds the program waits
//                        for the Web Connector, instead of the service's own TimeoutSeconds)
//                        'N' company file?   'S' company \0 request   'C' cancel   'R' release
//                        'T' status?   'L' read the settings again
//   service -> program:  'o' company   'n' company   'a' response   'e' number \n description
//                        'w' what is waited for (while a call waits)
//                        't' status (service_status.h)   'l' what the new settings changed
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "qbwc/listen_address.h"

namespace ztl::qbwc {

struct Frame {
    char type = 0;
    std::string payload;
};

inline constexpr std::size_t kMaxFrameBytes = 64 * 1024 * 1024;

bool sendFrame(int fd, char type, const std::string& payload = {});
// The next frame; nothing when the other end closed or sent what is not a frame.
std::optional<Frame> readFrame(int fd);
// Whether a frame (or the end) is there to read within `wait`.
bool readable(int fd, std::chrono::milliseconds wait);

// $XDG_RUNTIME_DIR/zentrel-qbwc/<host>-<port>.sock; empty without XDG_RUNTIME_DIR.
// localhost, 127.0.0.1 and ::1 are one host here ("localhost"): a service on one of them
// is found by a program that names another.
std::filesystem::path serviceSocketPath(const ListenAddress& listen);

// The sockets of every service of this user that answers now.
std::vector<std::filesystem::path> runningServiceSockets();

// One call to the service at `path` and its answer's payload; nothing when no service
// answers there, `failure` set to the text of an 'e' answer.
std::optional<std::string> askService(const std::filesystem::path& path, char type, char expected,
                                      std::string* failure = nullptr);

// A connected socket to `path`, or -1.
int connectLocal(const std::filesystem::path& path);

}  // namespace ztl::qbwc
