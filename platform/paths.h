#pragma once
// Where Windows paths land on this workstation. The only module that splits a Windows path.
//   \\SERVER\SHARE\rest  ->  $ZENTREL_SHARES/SERVER/SHARE/rest   (root /mnt by default)
// Each component is matched case-insensitively when the exact name is absent, as Windows
// (and a CIFS mount of the store server) would. Other paths are local and pass unchanged.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ztl::paths {

// True for \\SERVER\SHARE... (either slash).
bool isNetworkPath(std::string_view p);

// The local path of a Windows or local path (see above).
std::filesystem::path map(std::string_view p);

// The local folder of \\server\share: the root of the mounted share.
std::filesystem::path shareRoot(std::string_view server, std::string_view share);

// $ZENTREL_SHARES, else /mnt.
std::filesystem::path sharesRoot();

// The user's temporary-files folder: $TMPDIR, else /tmp.
std::filesystem::path tempFolder();

// The install folder files are written to (debug copies, operation log):
// $XDG_STATE_HOME/zentrel, else ~/.local/state/zentrel. Created when missing.
std::filesystem::path stateFolder();

// The folder of the files the program ships (the quick-reference file): beside the
// executable's share/zentrel first, then the build's own data folder, then the install prefix.
std::filesystem::path dataFolder();
// The first of the data folders above that holds `file`: a folder may exist without it (an
// install prefix with other programs' files, a build tree that has not made it yet). Failing
// that, dataFolder().
std::filesystem::path dataFolderHolding(const std::string& file);
// The first of `folders` that holds `file` as a regular file, if any.
std::optional<std::filesystem::path> firstFolderHolding(const std::vector<std::filesystem::path>& folders,
                                                        const std::string& file);

// Resolves each component of a local path case-insensitively where the exact name is absent.
std::filesystem::path resolveCaseInsensitive(const std::filesystem::path& p);

}  // namespace ztl::paths
