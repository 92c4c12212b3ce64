// Engine facade and connection set-up: configuration, share check, workstation
// identity, terminal map, registries, and the facade's argument rules.
#include <fcntl.h>

#include <gtest/gtest.h>

#include "storedata/business_basic.h"
#include "storedata/engine.h"
#include "storedata/ini.h"
#include "storedata/physical.h"
#include "support/store_test.h"

namespace ztl::storedata {
namespace {

namespace fs = std::filesystem;
namespace fx = fixtures;
using testing::errorOf;

class FacadeTest : public testing::StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        engine().prompter = &prompter_;
        engine().services.computerName = [this] { return computerName_; };
        engine().services.resolveIPv4 =
            [this](const std::string& host) -> std::optional<std::array<uint8_t, 4>> {
            if (host == computerName_ && address_) return address_;
            return std::nullopt;
        };
        tree_->writeTtymap("WS01 1\r\nWS07   12,3\r\n");
        tree_->writeFile0("MAIN STREET HARDWARE");
    }
    void config(std::map<std::string, std::string> values) {
        fx::writeEngineConfig(dir_, fx::EngineConfig{std::move(values), ""});
    }
    void standardConfig() {
        config({{"Server", "SRV1"},
                {"DataShare", "DATA"},
                {"CatalogShare", "CAT"},
                {"Directory", "DATA"},
                {"TerminalID", "7"},
                {"CustomerNumber", "4711"}});
    }

    RecordingPrompter prompter_;
    std::string computerName_ = "ws07";
    std::optional<std::array<uint8_t, 4>> address_ = std::array<uint8_t, 4>{192, 168, 1, 17};
};

TEST_F(FacadeTest, MissingConfigurationFile) {
    StartDataEngine();
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].title, "DodError");
    EXPECT_EQ(prompter_.shown[0].text, "You are missing file: " + (dir_ / "kvsCatalog.ini").string() +
                                           "    Are you running Korvane Workstation?");
    EXPECT_EQ(engine().sharedFacade, nullptr);
    ASSERT_NE(engine().system, nullptr);
    EXPECT_EQ(engine().system->mUNCDrive, "");
    EXPECT_EQ(engine().dodInfo->CustomerNumber, 0);
}

TEST_F(FacadeTest, ConfigurationIsReadAndTheSharedFacadeMade) {
    standardConfig();
    StartDataEngine();
    EXPECT_TRUE(prompter_.shown.empty());
    ASSERT_NE(engine().sharedFacade, nullptr);
    const cDodInfo& d = *engine().dodInfo;
    EXPECT_EQ(d.Server, "SRV1");
    EXPECT_EQ(d.DataShare, "DATA");
    EXPECT_EQ(d.CatalogShare, "\\\\SRV1\\CAT\\");
    EXPECT_EQ(d.Directory, "DATA");
    EXPECT_EQ(d.TerminalID, "7");
    EXPECT_EQ(d.CustomerNumber, 4711);
    const cSystem& s = *engine().system;
    EXPECT_EQ(s.mUNCDrive, "SRV1");
    EXPECT_EQ(s.mDirectory, "DATA");
    EXPECT_EQ(s.ComputerName, "ws07");
    EXPECT_EQ(s.IP, "192.168.1.17");
    EXPECT_EQ(s.TerminalID, "12") << "from the terminal map, not the configuration";
    EXPECT_NE(engine().links, nullptr);
    EXPECT_NE(engine().openFiles, nullptr);
    EXPECT_NE(engine().logicalFiles, nullptr);
}

TEST_F(FacadeTest, ConfigurationWithoutCustomerNumberAndLongValues) {
    config({{"Server", "SRV1"}, {"Directory", std::string(120, 'D')}});
    StartDataEngine();
    EXPECT_EQ(engine().dodInfo->CustomerNumber, 0);
    EXPECT_EQ(engine().dodInfo->Directory, std::string(99, 'D')) << "the 99-character cut";
    EXPECT_EQ(engine().dodInfo->CatalogShare, "\\\\SRV1\\\\");
}

TEST_F(FacadeTest, CustomerNumberThatIsNotANumber) {
    config({{"Server", "SRV1"}, {"Directory", "DATA"}, {"CustomerNumber", "A12"}});
    auto e = errorOf([] { StartDataEngine(); });
    EXPECT_EQ(e.number, 13);
    EXPECT_EQ(engine().sharedFacade, nullptr);
    EXPECT_EQ(engine().dodInfo->Server, "SRV1") << "records partly filled";
}

TEST_F(FacadeTest, TemporaryFolderNamedInOtherLetterCase) {
    fs::create_directories(dir_ / "LongFolderName");
    fx::writeEngineConfig(dir_ / "LongFolderName",
                          fx::EngineConfig{{{"Server", "SRV1"}, {"Directory", "DATA"}}, ""});
    setenv("TMPDIR", (dir_ / "longfoldername").c_str(), 1);
    StartDataEngine();
    EXPECT_TRUE(prompter_.shown.empty()) << "the folder is found as the file system spells it";
    EXPECT_NE(engine().sharedFacade, nullptr);
    EXPECT_EQ(configurationPath(), (dir_ / "LongFolderName" / "kvsCatalog.ini").string());
}

TEST_F(FacadeTest, EmptyServerNameFailsTheShareCheck) {
    config({{"Directory", "DATA"}});
    StartDataEngine();
    EXPECT_EQ(engine().sharedFacade, nullptr) << "the failure is swallowed by StartDataEngine";
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].title, "Connection Error");
    EXPECT_EQ(
        prompter_.shown[0].text,
        "You are attempting to connect to: \\\\\\KRVLINK\\ and this shows to be an invalid network share");
    auto e = errorOf([] { cBusinessBasic bb; });
    EXPECT_EQ(e.number, 91);
    EXPECT_EQ(engine().links, nullptr) << "registries unchanged";
}

TEST_F(FacadeTest, UnreachableShare) {
    config({{"Server", "SRV9"}, {"Directory", "DATA"}});
    StartDataEngine();
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].text,
              "You are attempting to connect to: \\\\SRV9\\KRVLINK\\ and this shows to be an invalid network "
              "share");
    // The volume query is asked for the mapped share root.
    fs::path asked;
    engine().services.volumeQuery = [&](const fs::path& p) {
        asked = p;
        return false;
    };
    EXPECT_EQ(errorOf([] { cBusinessBasic bb; }).number, 91);
    EXPECT_EQ(asked, shares_ / "SRV9" / "KRVLINK");
}

TEST_F(FacadeTest, MissingTerminalMap) {
    standardConfig();
    fs::remove(tree_->krvlink() / "ttymap");
    StartDataEngine();
    EXPECT_EQ(engine().sharedFacade, nullptr);
    auto e = errorOf([] { cBusinessBasic bb; });
    EXPECT_EQ(e.number, -10);
    EXPECT_EQ(e.source, "kvsDataEngine_Initialization");
    EXPECT_EQ(e.description, "Terminal File 'ttymap' not found on drive \\\\SRV1\\KRVLINK");
    EXPECT_EQ(engine().system->ComputerName, "ws07");
    EXPECT_EQ(engine().system->IP, "192.168.1.17");
    EXPECT_EQ(engine().system->TerminalID, "0");
    EXPECT_EQ(engine().links, nullptr);
}

TEST_F(FacadeTest, TerminalMapMatching) {
    const std::vector<std::string> map = {"WS01", "WS07   12,3", "192.168.1.17 44", "ws07 55", "  ,  "};
    EXPECT_EQ(terminalFromMap(map, "ws07", "10.0.0.1"), "12")
        << "name without regard to case, runs of spaces";
    EXPECT_EQ(terminalFromMap(map, "other", "192.168.1.17"), "44") << "by address";
    EXPECT_EQ(terminalFromMap({"10.0.0.5 9", "WS07 8"}, "WS07", "10.0.0.5"), "9")
        << "first matching line wins";
    EXPECT_EQ(terminalFromMap(map, "WS01", "1.1.1.1"), "0") << "a line with one piece is skipped";
    EXPECT_EQ(terminalFromMap({"WS02 ,,5,6 x"}, "ws02", ""), "5") << "first non-empty item";
    EXPECT_EQ(terminalFromMap({}, "ws07", ""), "0");
    EXPECT_EQ(terminalFromMap({"192.168.1.17 44"}, "x", "192.168.1.1"), "0") << "addresses compare exactly";
}

TEST_F(FacadeTest, AddressFromADottedNameOrAFailedLookup) {
    standardConfig();
    computerName_ = "192.168.1.17\r\n";
    address_.reset();
    StartDataEngine();
    ASSERT_NE(engine().sharedFacade, nullptr);
    EXPECT_EQ(engine().system->ComputerName, "192.168.1.17") << "trimmed in control-character mode";
    EXPECT_EQ(engine().system->IP, "192.168.1.17");
    EXPECT_EQ(engine().system->TerminalID, "0");
    computerName_ = "nowhere";
    cBusinessBasic bb;
    EXPECT_EQ(engine().system->IP, "255.255.255.255");
}

TEST_F(FacadeTest, StoreLookupCallingOrder) {
    standardConfig();
    StartDataEngine();
    cBusinessBasic bb;  // the main window's
    auto f = bb.OpenFile("FILE0");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(bb.Trun(bb.BlockReadFile(f, 1, false).substr(150, 35)), "MAIN STREET HARDWARE");
    bb.CloseFile("FILE0");
    EXPECT_EQ(openFiles().Count(), 0);
    EXPECT_EQ(bb.TessSys()->KRVLINK(), "\\\\SRV1\\KRVLINK\\DATA");
}

TEST_F(FacadeTest, ArgumentRules) {
    standardConfig();
    StartDataEngine();
    cBusinessBasic& bb = *engine().sharedFacade;
    // CloseFile of a name that is not open: opened and at once closed again.
    bb.CloseFile("FILE0");
    EXPECT_EQ(openFiles().Count(), 0);
    EXPECT_EQ(errorOf([&] { bb.CloseFile("NOFILE"); }).number, 91);
    // A name where an entry is expected.
    EXPECT_EQ(bb.ReadFile("FILE0", 4, 667), "STRE");
    EXPECT_EQ(openFiles().Count(), 1);
    EXPECT_EQ(errorOf([&] { bb.ReadFile("NOFILE", 4); }).number, 91);
    EXPECT_EQ(errorOf([&] { bb.WriteFile("NOFILE", "x"); }).number, -10);
    // A logical name that cannot be resolved.
    auto e = errorOf([&] { bb.LreadFile("NOPE", 1); });
    EXPECT_EQ(e.number, -10);
    EXPECT_EQ(e.source, "LogicalOpen");
    EXPECT_EQ(e.description, "File not Found: \"NOPE\"");
    for (auto call : std::vector<std::function<void()>>{
             [&] { bb.KCount("NOPE"); }, [&] { bb.KLength("NOPE"); }, [&] { bb.DelRec("NOPE", 1); },
             [&] {
                 int32_t r;
                 bb.GetRec("NOPE", r);
             },
             [&] { bb.InitFile("NOPE"); },
             [&] {
                 std::string b, k;
                 int32_t r;
                 bb.KFind("NOPE", b, k, r);
             },
             [&] { bb.LogicalLock("NOPE", 1); }, [&] { bb.LwriteFile("NOPE", 1, ""); }})
        EXPECT_EQ(errorOf(call).description, "File not Found: \"NOPE\"");
    EXPECT_EQ(bb.LogicalOpen("NOPE"), nullptr);
    EXPECT_EQ(bb.Max(1, 2), 2);
    EXPECT_EQ(bb.Split("a b").size(), 2u);
}

TEST_F(FacadeTest, CreationResetsTheAlphabetAndDestructionReleasesTheState) {
    standardConfig();
    StartDataEngine();
    Variant zero = int64_t{0}, chars = std::string("abcd");
    engine().sharedFacade->Stma(10, zero, chars);
    EXPECT_EQ(engine().alphabet.substr(0, 4), "abcd");
    {
        cBusinessBasic bb;
        EXPECT_EQ(engine().alphabet, kDefaultAlphabet);
        auto f = bb.OpenFile("FILE0");
        ASSERT_NE(f, nullptr);
        EXPECT_GE(f->fd, 0);
        const int fd = f->fd;
        (void)fd;
    }
    EXPECT_EQ(engine().openFiles, nullptr);
    EXPECT_EQ(engine().links, nullptr);
    EXPECT_EQ(engine().system, nullptr);
    EXPECT_EQ(engine().logicalFiles, nullptr);
    EXPECT_EQ(errorOf([] { cBusinessBasic again; }).number, 91) << "StartDataEngine must run again first";
}

TEST_F(FacadeTest, ANewFacadeReplacesTheRegistries) {
    standardConfig();
    StartDataEngine();
    auto f = engine().sharedFacade->OpenFile("FILE0");
    ASSERT_NE(f, nullptr);
    auto own = std::make_unique<cBusinessBasic>();
    EXPECT_EQ(openFiles().Count(), 0) << "the earlier registry's entries are no longer found";
    EXPECT_EQ(f->fd, -1) << "releasing the earlier open-file registry closed its files";
}

TEST(IniTest, PrivateProfileRules) {
    const std::string text =
        "; comment\r\n[Other]\r\nServer=WRONG\r\n[ vellumix ]\r\n  server =  SRV1  \r\nDirectory=\"DATA\"\r\n"
        "Server=SECOND\r\nEmpty=\r\n[Vellumix]\r\nTerminalID=later section\r\n";
    EXPECT_EQ(iniValue(text, "Vellumix", "Server"), "SRV1");
    EXPECT_EQ(iniValue(text, "Vellumix", "Directory"), "DATA");
    EXPECT_EQ(iniValue(text, "Vellumix", "Empty"), "");
    EXPECT_EQ(iniValue(text, "Vellumix", "Missing", "dflt"), "dflt");
    EXPECT_EQ(iniValue(text, "Vellumix", "TerminalID"), "") << "only the first section of a name";
    EXPECT_EQ(iniValue("[V]\nK=" + std::string(150, 'x'), "V", "K").size(), 99u);
    EXPECT_EQ(iniValue("[V]\nK=abc", "V", "K"), "abc") << "LF line ends, no final line end";
}

}  // namespace
}  // namespace ztl::storedata
