#include "key_index.h"

namespace ztl::storedata {

void initIndex(const std::shared_ptr<cLogicalFile>&, int32_t, bool, int32_t, bool) {}

}  // namespace ztl::storedata
