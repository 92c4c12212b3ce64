#pragma once
// The demo world's single-store workstation in a scratch folder, with a Program wired as
// the single-store program wires it, but with a recording prompter, scripted dialogs, a
// fixed clock and in-memory settings. The shares and the state folder (where the operation
// log lives) point into the scratch folder for the fixture's life. No store data engine:
// the demo world is built by the store system's file writers alone.
#include <QTemporaryDir>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "engine/program.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/settings_store.h"
#include "platform/text_file.h"
#include "qbsim/processor_factory.h"
#include "engine/company/operation_log_entries.h"
#include "support/scripted_dialogs.h"
#include "tests/support/scoped_env.h"
#include "tools/demo_world/demo_world.h"
#include "ui/frm_display.h"

namespace ztl::test {

// Counts the request processors made: each is one connection to QuickBooks.
struct CountingProcessors : RequestProcessorFactory {
    explicit CountingProcessors(RequestProcessorFactory& making) : inner(making) {}
    std::shared_ptr<RequestProcessor> create() override {
        ++created;
        return inner.create();
    }
    RequestProcessorFactory& inner;
    int created = 0;
};

struct SingleStoreFixture {
    // Fresh: the operator's settings are empty, as on a workstation where the program never ran.
    enum class Settings { Demo, Fresh };

    explicit SingleStoreFixture(Settings s = Settings::Demo)
        : program(Edition::SingleStore),
          clock(LocalDateTime{2026, 3, 9, 14, 5, 0}),
          world(demo::buildDemoWorld(dir.path().toStdString() + "/world", {1, "WS-TEST"},
                                     s == Settings::Fresh ? discarded : settings)),
          shares("ZENTREL_SHARES", world.sharesRoot.string()),
          state("XDG_STATE_HOME", dir.path().toStdString() + "/state"),
          sim(std::optional<std::filesystem::path>(world.companyFile)),
          processors(sim),
          results(program, dialogs) {
        program.prompter = &prompter;
        program.settings = &settings;
        program.clock = &clock;
        program.processors = &processors;
        program.resultsWindows = &results;
        program.installFolder = dir.path().toStdString();
        program.operationLogPath = paths::stateFolder() / kOperationLogName;
    }

    std::string setting(const std::string& key, const std::string& absent = "<absent>") const {
        return settings.get(kSettingsApp, "Zentrel\\Settings", key, absent);
    }
    std::string operationLog() const {
        std::error_code ec;
        return std::filesystem::exists(program.operationLogPath, ec) ? readWholeFile(program.operationLogPath)
                                                                     : "";
    }
    std::filesystem::path importLog() const {
        return world.singleStoreTotalsFile.parent_path() / "QBImport.log";
    }

    QTemporaryDir dir;
    Program program;
    RecordingPrompter prompter;
    MemorySettingsStore settings;
    MemorySettingsStore discarded;
    FixedClock clock;
    ScriptedDialogs dialogs;
    demo::DemoWorld world;
    ScopedEnv shares;
    ScopedEnv state;
    qbsim::SimProcessorFactory sim;
    CountingProcessors processors;
    ui::ResultsWindows results;
};

}  // namespace ztl::test
