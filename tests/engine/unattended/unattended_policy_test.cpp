// The unattended run as a policy over the day import, in process against a simulated
// company: a day is posted whole and once, or kept and not posted at all, and the report
// says which. No program and no mail: what the run decides, not how it is told.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "engine/company/settings_keys.h"
#include "engine/unattended/unattended_post.h"
#include "engine_fixture.h"
#include "platform/text_file.h"
#include "qbsim/company.h"
#include "qbsim/processor_factory.h"
#include "qbsim/sample_company.h"

namespace fs = std::filesystem;
using namespace ztl;
using namespace ztl::test;

namespace {

std::string sale(const std::string& ref, const std::string& amount) {
    char h[64], d1[64], d2[64];
    std::snprintf(h, sizeof h, "H  %-8s %-8s\r\n", ref.c_str(), "04/01/25");
    std::snprintf(d1, sizeof d1, "D %-7s %12s %12s\r\n", "1000", amount.c_str(), "0.00");
    std::snprintf(d2, sizeof d2, "D %-7s %12s %12s\r\n", "4000", "0", ("-" + amount).c_str());
    return std::string("Q\r\n") + h + d1 + d2 + "TRT    1\r\n";
}

struct Night : ::testing::Test {
    ScratchDir dir{"night"};
    fs::path companyFile = dir.path() / "shop.qbw";
    fs::path totals = dir.path() / "12X390.QB";
    MemorySettingsStore settings;
    RecordingPrompter prompter;
    FixedClock clock{LocalDateTime{2026, 12, 7, 22, 30, 0}};
    Program program{Edition::MultiStore};
    std::optional<qbsim::SimProcessorFactory> running;

    void SetUp() override {
        qbsim::Company company = qbsim::Company::create(companyFile);
        qbsim::addSampleCompany(company);
        running.emplace(companyFile);
        program.prompter = &prompter;
        program.settings = &settings;
        program.clock = &clock;
        program.processors = &*running;
        program.installFolder = dir.path();
        settings.set(kSettingsApp, companySettingsSection(companyFile.string()), "ARImportAccount",
                     "Walk-in Customer");
    }
    PostReport post() { return postUnattended(program, totals.string(), {.firstRun = true}); }
    std::vector<std::string> entries() const {
        std::vector<std::string> refs;
        for (const auto& e : qbsim::Company::open(companyFile).journal()) refs.push_back(e.refNumber.value_or(""));
        return refs;
    }
    std::vector<std::string> pending() const {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(dir.path() / "pending", ec))
            if (!e.path().filename().string().ends_with(".log")) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

}  // namespace

TEST_F(Night, ADayCutShortIsKeptUnpostedUntilItIsWholeThenPostedOnce) {
    const std::string whole = sale("101001", "5.00") + sale("101002", "7.50");
    // The store system's end-of-day run is still writing: the second transaction has no lines yet.
    writeWholeFile(totals, whole.substr(0, whole.find("D 1000", whole.find("101002"))));
    PostReport cut = post();
    EXPECT_EQ(cut.status, PostReport::Status::NothingDone);
    EXPECT_TRUE(cut.reason.starts_with("the totals file may not be the whole day")) << cut.reason;
    EXPECT_EQ(entries(), std::vector<std::string>{}) << "nothing of a day that is not whole is posted";
    EXPECT_TRUE(fs::exists(totals)) << "the file stays where the store system writes it";
    EXPECT_EQ(pending(), std::vector<std::string>{"2025-04-01 12X390.QB.incomplete"});

    writeWholeFile(totals, whole);
    PostReport done = post();
    EXPECT_EQ(done.status, PostReport::Status::AllPosted) << done.headline();
    EXPECT_EQ(entries(), (std::vector<std::string>{"101001", "101002"}));
    EXPECT_EQ(pending(), std::vector<std::string>{}) << "the incomplete copy goes with the whole day";
    EXPECT_FALSE(fs::exists(totals)) << "archived, as after an interactive run";

    // The same day written again (an archive put back by hand) posts nothing twice.
    writeWholeFile(totals, whole);
    PostReport again = post();
    EXPECT_EQ(again.status, PostReport::Status::AllPosted) << again.headline();
    EXPECT_EQ(entries(), (std::vector<std::string>{"101001", "101002"}));
}

TEST_F(Night, QuickBooksNotRunningKeepsTheDayAndTheReportSaysWhy) {
    qbsim::SimProcessorFactory notRunning(std::nullopt);
    program.processors = &notRunning;
    writeWholeFile(totals, sale("101001", "5.00"));
    PostReport r = post();
    EXPECT_EQ(r.status, PostReport::Status::NothingDone);
    EXPECT_FALSE(r.reason.empty());
    EXPECT_EQ(pending(), std::vector<std::string>{"2025-04-01 12X390.QB"}) << "the day is kept before anything is asked";

    program.processors = &*running;
    EXPECT_EQ(post().status, PostReport::Status::AllPosted);
    EXPECT_EQ(entries(), std::vector<std::string>{"101001"});
    EXPECT_EQ(pending(), std::vector<std::string>{});
}
