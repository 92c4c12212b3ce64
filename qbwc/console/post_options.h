#pragma once
// The options the store's timer gives `ztl post`: ZTL_POST_OPTIONS in the environment file
// ~/.config/zentrel/post.env that systemd reads for zentrel-post@.service. A post started from
// the console runs as the timer's would, so it reads the same line and splits it on blanks,
// as systemd splits an unbraced $ZTL_POST_OPTIONS; nothing else of the file is taken.
#include <filesystem>
#include <string>
#include <vector>

namespace ztl::qbwc {

// ~/.config/zentrel/post.env: where the unit's EnvironmentFile names it (%h, the home folder).
std::filesystem::path postEnvironmentFile();

// The words of ZTL_POST_OPTIONS in `envFile`; none when the file or the line is missing.
// A value in matching quotes is taken without them; a later line of the name wins, as in
// systemd.
std::vector<std::string> postOptionsIn(const std::filesystem::path& envFile);

}  // namespace ztl::qbwc
