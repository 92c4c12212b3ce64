#include "single/logic/default_source.h"

#ifndef ZTL_DEFAULT_STORE_SERVER
#error "ZTL_DEFAULT_STORE_SERVER names the store server of the default totals path"
#endif

namespace ztl::single {

std::string defaultImportSource() {
    return std::string("\\\\") + ZTL_DEFAULT_STORE_SERVER + "\\catcon\\X390.QB";
}

}  // namespace ztl::single
