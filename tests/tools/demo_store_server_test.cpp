// The demo store server read back through the store data engine, as the multi-store
// program's start-up and store selection read it.
#include "demo_world_fixture.h"
#include "platform/paths.h"
#include "platform/prompter.h"
#include "storedata/business_basic.h"
#include "storedata/engine.h"
#include "storedata/lines.h"

namespace ztl::demo {
namespace {

using namespace ztl::storedata;

class DemoStoreServerTest : public testing::DemoWorldTest {};

TEST_F(DemoStoreServerTest, EngineFindsTheConfiguredStoreAndThisWorkstation) {
    struct Row {
        int store;
        std::string computerOption;  // empty: the world names this computer's host name
        std::string directory, storeName;
        int linesInUse;
    };
    const Row rows[] = {
        {1, "", "KVS001", "MAIN STREET HARDWARE", 3},
        {2, "DEMO-WS7", "KVS002", "RIVERSIDE GARDEN CENTER", 3},
        {3, "", "KVS003", "DUPR\xC9 HOME CENTER", 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("store " + std::to_string(row.store));
        storedata::resetEngine();
        const DemoWorld& w = build({row.store, row.computerOption});
        RecordingPrompter prompter;
        engine().prompter = &prompter;
        // The engine asks the platform for the computer name unless the world names another.
        if (!row.computerOption.empty())
            engine().services.computerName = [] { return std::string("demo-ws7"); };
        engine().services.resolveIPv4 = [](const std::string&) {
            return std::optional<std::array<uint8_t, 4>>(std::array<uint8_t, 4>{10, 0, 0, 14});
        };

        StartDataEngine();
        ASSERT_NE(engine().sharedFacade, nullptr);
        cBusinessBasic facade;  // the main window's own
        EXPECT_TRUE(prompter.texts().empty());
        auto sys = facade.TessSys();
        EXPECT_EQ(sys->mUNCDrive, "STORESRV");
        EXPECT_EQ(sys->mDirectory, row.directory);
        EXPECT_EQ(sys->TerminalID, "14") << "the terminal map names this workstation";
        EXPECT_EQ(sys->CATCON(), "\\\\STORESRV\\CATCON\\");

        // The store name: OpenFile, block 1, its characters 151 to 185, CloseFile.
        auto file0 = facade.OpenFile("FILE0");
        std::string name = facade.BlockReadFile(file0, 1, false).substr(150, 35);
        facade.CloseFile("FILE0");
        EXPECT_EQ(name, row.storeName + std::string(35 - row.storeName.size(), ' ')) << "untrimmed";

        // The totals path the store selection makes: CATCON, the store number, X390.QB.
        EXPECT_EQ(w.current().totalsSource, sys->CATCON() + std::to_string(row.store) + "X390.QB");
        EXPECT_EQ(paths::map(w.current().totalsSource), w.current().totalsFile);
        EXPECT_TRUE(std::filesystem::is_regular_file(w.current().totalsFile));

        // The line files resolve through the one link table of the three stores.
        clnLines lines;
        EXPECT_EQ(lines.Count(), row.linesInUse);
    }
}

}  // namespace
}  // namespace ztl::demo
