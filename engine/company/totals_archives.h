#pragma once
// After an import the totals file stands under its archive name only: the path followed by
// month, day, year, hour and minute, unpadded, with ".1", ".2", ... when a name was taken
// (file_names.h). Whoever is given the totals file by its own name finds its archives here.
#include <string>
#include <vector>

namespace ztl {

// The archives of `totalsPath` beside it, newest first, each written as the path was given
// followed by its stamp. The names cannot be ordered (nothing is padded), the files can: an
// archive is a new file written when the day was archived; within one minute the higher
// ".N" came later. None when the folder cannot be listed.
std::vector<std::string> archivesOf(const std::string& totalsPath);

}  // namespace ztl
