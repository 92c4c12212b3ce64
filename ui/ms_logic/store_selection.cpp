#include "ui/ms_logic/store_selection.h"

#include "platform/decimal.h"

namespace ztl::ms {

std::string GetStoreName(storedata::cBusinessBasic& facade) {
    try {
        auto file = facade.OpenFile("FILE0");
        std::string block = facade.BlockReadFile(file, 1);
        std::string name = block.size() > 150 ? block.substr(150, 35) : std::string();
        facade.CloseFile("FILE0");
        return name;
    } catch (const std::exception&) {
        try {
            facade.CloseFile("FILE0");
        } catch (const std::exception&) {
            // It was never opened, or the engine is not set up: nothing to close.
        }
        return "Error finding Store Name";
    }
}

StoreSource setSource(const storedata::cSystem& system) {
    std::string digits = system.mDirectory.size() > 3 ? system.mDirectory.substr(3) : std::string();
    StoreSource s;
    s.storeNumber = Decimal::parseLeading(digits).roundHalfEven().value_or(0);
    s.sourcePath = system.CATCON() + std::to_string(s.storeNumber) + "X390.QB";
    return s;
}

}  // namespace ztl::ms
