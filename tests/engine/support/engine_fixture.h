#pragma once
// What the engine tests share: a Program wired to recording fakes, scratch folders, and a
// request processor that answers from a script and fails at a chosen call.
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/program.h"
#include "platform/clock.h"
#include "platform/prompter.h"
#include "platform/settings_store.h"
#include "platform/vb_error.h"

namespace ztl::test {

// A fresh folder under the system's temporary folder, removed with the object.
class ScratchDir {
  public:
    explicit ScratchDir(const std::string& tag);
    ~ScratchDir();
    const std::filesystem::path& path() const { return dir_; }
    std::filesystem::path file(const std::string& name, const std::string& bytes) const;

  private:
    std::filesystem::path dir_;
};

// Records every call; answers ProcessRequest from a queue of responses (or a function);
// throws a chosen HRESULT at the n-th call of a chosen operation.
class ScriptedProcessor : public RequestProcessor {
  public:
    std::vector<std::string> calls;  // "OpenConnection", "BeginSession:<company>", ...
    std::vector<std::string> requests;
    std::deque<std::string> responses;
    std::function<std::string(const std::string&)> answer;  // used when responses is empty
    std::string failOperation;                              // e.g. "BeginSession"
    int failAtCall = 0;                                     // 1 = the first call of that operation
    long failNumber = 0;
    std::string failOperation2;  // a second failure, e.g. during the recovery
    long failNumber2 = 0;
    std::string companyFile = "/qb/Shop.qbw";
    bool connected = false;  // like QuickBooks: sessions need an open connection

    void OpenConnection(const std::string& appId, const std::string& appName) override;
    std::string BeginSession(const std::string& companyFile, int mode) override;
    std::string ProcessRequest(const std::string& ticket, const std::string& request) override;
    void EndSession(const std::string& ticket) override;
    void CloseConnection() override;
    std::string GetCurrentCompanyFileName(const std::string& ticket) override;

  private:
    void maybeFail(const std::string& op);
    void requireConnection() const;
    std::map<std::string, int> counts_;
    int tickets_ = 0;
};

class ScriptedFactory : public RequestProcessorFactory {
  public:
    std::shared_ptr<ScriptedProcessor> processor = std::make_shared<ScriptedProcessor>();
    std::shared_ptr<RequestProcessor> create() override { return processor; }
};

// A Program with recording prompter, memory settings, a fixed clock and the scripted
// processor, its install folder a scratch folder.
struct TestProgram {
    RecordingPrompter prompter;
    MemorySettingsStore settings;
    FixedClock clock{{2026, 12, 7, 21, 5, 3}};
    ScriptedFactory factory;
    ScratchDir install{"install"};
    Program program;

    TestProgram();
    ScriptedProcessor& qb() { return *factory.processor; }
};

// A journal-entry response as the company gives it.
std::string journalResponse(const std::string& code, const std::string& severity, const std::string& message,
                            const std::string& txnId = "");
// An account query response holding the given "number,name,type" accounts.
std::string accountResponse(const std::vector<std::string>& accounts);

}  // namespace ztl::test
