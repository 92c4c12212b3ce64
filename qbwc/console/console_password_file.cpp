#include "qbwc/console/console_password_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace ztl::qbwc {

std::string readConsolePasswordHash(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return {};
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read the console's password file " + file.string());
    std::ostringstream text;
    text << in.rdbuf();
    std::string hash = text.str();
    while (!hash.empty() && (hash.back() == '\n' || hash.back() == '\r')) hash.pop_back();
    return hash;
}

void writeConsolePasswordHash(const std::filesystem::path& file, const std::string& hash) {
    std::error_code ec;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
    const std::filesystem::path temporary = file.string() + ".new";
    auto failed = [&](const char* what) {
        std::string why = std::strerror(errno);
        ::unlink(temporary.c_str());
        return std::runtime_error(std::string("cannot ") + what + " the console's password file " +
                                  file.string() + ": " + why);
    };
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) throw failed("write");
    // An older file left with wider rights keeps them through O_CREAT: narrowed here.
    const std::string text = hash + "\n";
    bool ok = ::fchmod(fd, 0600) == 0 &&
              ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) && ::fsync(fd) == 0;
    if (::close(fd) != 0) ok = false;
    if (!ok) throw failed("write");
    if (::rename(temporary.c_str(), file.c_str()) != 0) throw failed("replace");
}

}  // namespace ztl::qbwc
