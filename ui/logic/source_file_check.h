#pragma once
// Whether the totals file is there, asked as the file system would be asked for a path
// with directory entries included. An unreachable store server share is error 52 (a bad
// file name, as a path to a share that does not answer is); a share that answers without
// the file is error 53.
#include <string>

namespace ztl::ui {

void checkSourceFile(const std::string& path);

}  // namespace ztl::ui
