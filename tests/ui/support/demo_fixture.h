#pragma once
// A demo world in a scratch folder, with a Program wired as a program would wire it but
// with a recording prompter, scripted dialogs, a fixed clock and in-memory settings. The
// store data engine reads the world through ZENTREL_SHARES and TMPDIR, set for the fixture's
// life and restored after.
#include <QTemporaryDir>
#include <memory>
#include <optional>

#include "engine/program.h"
#include "platform/clock.h"
#include "platform/settings_store.h"
#include "qbsim/processor_factory.h"
#include "storedata/engine.h"
#include "support/scripted_dialogs.h"
#include "tests/support/scoped_env.h"
#include "tools/demo_world/demo_world.h"
#include "ui/frm_display.h"

namespace ztl::test {

struct DemoFixture {
    explicit DemoFixture(Edition edition = Edition::MultiStore, int store = 1)
        : program(edition),
          clock(LocalDateTime{2026, 3, 9, 14, 5, 0}),
          world(demo::buildDemoWorld(dir.path().toStdString() + "/world", {store, "WS-TEST"}, settings)),
          shares("ZENTREL_SHARES", world.sharesRoot.string()),
          tmp("TMPDIR", world.configFolder.string()),
          processors(std::optional<std::filesystem::path>(world.companyFile)),
          results(program, dialogs) {
        storedata::resetEngine();
        storedata::engine().services.computerName = [] { return std::string("WS-TEST"); };
        storedata::engine().services.resolveIPv4 = [](const std::string&) {
            return std::optional<std::array<uint8_t, 4>>();  // no name service in a test
        };
        program.prompter = &prompter;
        program.settings = &settings;
        program.clock = &clock;
        program.processors = &processors;
        program.resultsWindows = &results;
        program.installFolder = dir.path().toStdString();
    }
    ~DemoFixture() { storedata::resetEngine(); }

    QTemporaryDir dir;
    Program program;
    RecordingPrompter prompter;
    MemorySettingsStore settings;
    FixedClock clock;
    ScriptedDialogs dialogs;
    demo::DemoWorld world;
    ScopedEnv shares;
    ScopedEnv tmp;
    qbsim::SimProcessorFactory processors;
    ui::ResultsWindows results;
};

}  // namespace ztl::test
