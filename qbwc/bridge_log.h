#pragma once
// The bridge's log, where the operator reads what the Web Connector did: sessions,
// refused passwords (with the address they came from), requests handed out without an
// answer and answers that came late, with their TxnID. One line per event, appended by
// whichever process serves (a program, or ztl qbwc service). Owner-only (0600), made so
// again on every opening: it names the addresses that tried passwords. Kept to a bounded
// size: at `maxBytes` it becomes "<file>.1" (the one before is dropped) and a new one begins.
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>

namespace ztl::qbwc {

class BridgeLog {
  public:
    static constexpr std::uintmax_t kMaxBytes = 1024 * 1024;
    explicit BridgeLog(std::filesystem::path file, std::uintmax_t maxBytes = kMaxBytes);
    // Appends "YYYY-MM-DD HH:MM:SS [pid] text"; a log that cannot be written loses the line,
    // never the bridge's work.
    void write(const std::string& text);
    const std::filesystem::path& file() const { return file_; }

  private:
    std::filesystem::path file_;
    std::uintmax_t maxBytes_;
    std::mutex mutex_;
};

// $XDG_STATE_HOME/zentrel/qbwc.log (paths::stateFolder()).
std::filesystem::path bridgeLogFile();

// Makes `file` owner-only (0600), as ssh keeps its keys; false when it cannot.
bool keepOwnerOnly(const std::filesystem::path& file);

}  // namespace ztl::qbwc
