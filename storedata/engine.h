#pragma once
// The store data engine's process-wide state and the codec
// services that read it (Sys, Stma, Now).
//
// The state is once per process, as the store system's engine keeps it: every facade object
// forwards to it. resetEngine() returns it to the state of a fresh process, so that each test
// case starts clean; the programs never call it.
//
// Errors: VbError, thrown and never caught by the engine. A missing system record or
// registry (the engine used before its set-up) is error 91.
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "platform/clock.h"
#include "platform/prompter.h"
#include "platform/vb_error.h"
#include "storedata/codec.h"
#include "storedata/registries.h"

namespace ztl::storedata {

class cBusinessBasic;

// The workstation services the connection set-up asks the platform for.
// Tests replace them; empty members mean the real platform.
struct EngineServices {
    // The computer name (buffer of 80 characters).
    std::function<std::string()> computerName;
    // The first IPv4 address of a host name; nullopt when the lookup fails.
    std::function<std::optional<std::array<uint8_t, 4>>(const std::string&)> resolveIPv4;
    // The volume query of a mapped share root: true when the root answers.
    std::function<bool(const std::filesystem::path&)> volumeQuery;
    // The platform's open(2) of a store file (flags O_RDWR or O_RDONLY); -1 with errno set
    // on failure. Tests use it to stand for a share that refuses write access to root too.
    std::function<int(const std::filesystem::path&, int flags)> openFile;
};

struct EngineState {
    std::string alphabet{kDefaultAlphabet};
    bool socketsStarted = false;
    std::shared_ptr<cDodInfo> dodInfo;
    std::shared_ptr<cSystem> system;
    std::shared_ptr<cLinks> links;
    std::shared_ptr<cOpenFiles> openFiles;
    std::shared_ptr<cLogicalFiles> logicalFiles;
    std::shared_ptr<cBusinessBasic> sharedFacade;
    // The last failed OpenFile (platform number, "iOpenFile", "Could not open file: " + path).
    std::optional<VbError> lastError;
    int32_t lastFileNumber = 0;

    // Where message boxes go; null: standard error.
    Prompter* prompter = nullptr;
    // The clock of Now and Sys; null: the system clock.
    const Clock* clock = nullptr;
    EngineServices services;
};

EngineState& engine();
// Destroys the state (closing every open file) and starts a fresh one.
void resetEngine();

// The engine's system record and registries, or error 91 when the set-up has not made them.
cSystem& systemRecord();
cOpenFiles& openFiles();
cLogicalFiles& logicalFiles();
cLinks& links();

// Step 9 of the facade's connection set-up: new link (read from LINKSFILE), open-file and
// logical-file registries, replacing the earlier ones (which closes their files).
void createRegistries();

// Shows a message box through the engine's prompter (or on standard error).
MsgResult showMessage(const MessageBox& box);

// A loosely typed argument of Stma (a Visual Basic Variant).
using Variant = std::variant<std::monostate, int64_t, double, std::string, VbDate>;
// CLng of a Variant: numbers rounded half to even, numeric text read, anything else error 13.
int32_t toLong(const Variant& v);
// The text of a Variant as Len() would measure it.
std::string toText(const Variant& v);

VbDate Now();
int32_t Sys(int32_t value);
void Stma(int32_t var1, Variant& var2, Variant& var3, Variant& var4, Variant& var5, Variant& var6);
void Stma(int32_t var1, Variant& var2);
void Stma(int32_t var1, Variant& var2, Variant& var3);

// The engine-wide alphabet forms of Crm and Ucm.
std::string Crm(std::string_view source);
std::string Ucm(std::string_view source);

}  // namespace ztl::storedata
