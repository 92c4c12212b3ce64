#pragma once
// Key index (spec Part 3.8): B-trees of fixed-length keys in index files (logical files of
// type "I"). Issue 5 part: InitFile for "I".
#include <cstdint>
#include <memory>

#include "storedata/registries.h"

namespace ztl::storedata {

// InitFile for an index file: an empty basic-form index (header node 0, root leaf node 1
// holding only the closing entry).
void initIndex(const std::shared_ptr<cLogicalFile>& file, int32_t keyLength, bool duplicateKeys,
               int32_t blockingFactor, bool orb);

}  // namespace ztl::storedata
