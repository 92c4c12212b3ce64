#include "qbwc/console/post_options.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace ztl::qbwc {

namespace {

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

std::filesystem::path postEnvironmentFile() {
    const char* home = std::getenv("HOME");
    std::string folder = home && *home ? home : "";
    if (folder.empty())
        if (const passwd* user = ::getpwuid(::getuid())) folder = user->pw_dir;
    return std::filesystem::path(folder) / ".config/zentrel/post.env";
}

std::vector<std::string> postOptionsIn(const std::filesystem::path& envFile) {
    std::ifstream in(envFile);
    std::string line, value;
    bool found = false;
    while (std::getline(in, line)) {
        line = trimmed(line);
        if (line.empty() || line[0] == '#' || line[0] == ';') continue;
        const auto equals = line.find('=');
        if (equals == std::string::npos || trimmed(line.substr(0, equals)) != "ZTL_POST_OPTIONS") continue;
        value = trimmed(line.substr(equals + 1));
        if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
            value = value.substr(1, value.size() - 2);
        found = true;
    }
    std::vector<std::string> words;
    if (!found) return words;
    std::istringstream split(value);
    for (std::string word; split >> word;) words.push_back(word);
    return words;
}

}  // namespace ztl::qbwc
