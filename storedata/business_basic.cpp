#include "business_basic.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <strings.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstring>
#include <system_error>

#include "platform/computer_name.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "storedata/ini.h"
#include "storedata/key_index.h"
#include "storedata/logical.h"
#include "storedata/physical.h"

namespace fs = std::filesystem;

namespace ztl::storedata {
namespace {

constexpr const char* kSection = "Vellumix";

std::optional<std::array<uint8_t, 4>> platformResolve(const std::string& host) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* res = nullptr;
    if (host.empty() || ::getaddrinfo(host.c_str(), nullptr, &hints, &res) != 0 || !res) return std::nullopt;
    std::array<uint8_t, 4> a{};
    const auto* sin = reinterpret_cast<const sockaddr_in*>(res->ai_addr);
    std::memcpy(a.data(), &sin->sin_addr, 4);  // network order: first octet first
    ::freeaddrinfo(res);
    return a;
}

// The volume query of a share root: the mapped folder exists and its file system answers.
bool platformVolumeQuery(const fs::path& root) {
    std::error_code ec;
    if (!fs::is_directory(root, ec)) return false;
    struct statvfs st {};
    return ::statvfs(root.c_str(), &st) == 0;
}

}  // namespace

std::string dottedAddress(const std::array<uint8_t, 4>& a) {
    return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." +
           std::to_string(a[3]);
}

std::string terminalFromMap(const std::vector<std::string>& lines, std::string_view computerName,
                            std::string_view ip) {
    for (const auto& line : lines) {
        auto pieces = storedata::Split(line, " ", -1, 0);
        if (pieces.size() < 2) continue;
        const std::string& who = pieces[0];
        const bool byName = who.size() == computerName.size() &&
                            strncasecmp(who.data(), computerName.data(), who.size()) == 0;
        if (byName || who == ip) {
            auto items = storedata::Split(pieces[1], ",", -1, 0);
            return items.empty() ? std::string("0") : items.front();
        }
    }
    return "0";
}

std::string configurationPath() {
    return paths::resolveCaseInsensitive(paths::tempFolder() / "kvsCatalog.ini").string();
}

void StartDataEngine() {
    EngineState& e = engine();
    // An earlier shared facade goes first: its release would otherwise drop the registries
    // that the new one is about to make.
    if (auto old = std::move(e.sharedFacade)) old.reset();
    auto dod = std::make_shared<cDodInfo>();
    e.dodInfo = dod;
    e.system = std::make_shared<cSystem>();

    const std::string path = configurationPath();
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        MessageBox box;
        box.title = "DodError";
        box.text = "You are missing file: " + path + "    Are you running Korvane Workstation?";
        box.icon = MsgIcon::None;
        showMessage(box);
        return;
    }
    const std::string text = readWholeFile(path);
    dod->Server = iniValue(text, kSection, "Server");
    dod->DataShare = iniValue(text, kSection, "DataShare");
    dod->CatalogShare = "\\\\" + dod->Server + "\\" + iniValue(text, kSection, "CatalogShare") + "\\";
    dod->Directory = iniValue(text, kSection, "Directory");
    dod->TerminalID = iniValue(text, kSection, "TerminalID");
    const std::string customer = iniValue(text, kSection, "CustomerNumber");
    if (!customer.empty()) {
        try {
            dod->CustomerNumber = toLong(Variant(customer));
        } catch (const VbError& err) {
            throw VbError(err.number, "StartDataEngine", err.description);
        }
    }

    e.system->mUNCDrive = dod->Server;
    e.system->mDirectory = dod->Directory;

    try {
        e.sharedFacade = std::make_shared<cBusinessBasic>();
    } catch (...) {
        engine().sharedFacade.reset();  // the failure is not passed on
    }
}

cBusinessBasic::cBusinessBasic() {
    EngineState& e = engine();
    cSystem& sys = systemRecord();  // error 91 before StartDataEngine
    e.alphabet = std::string(kDefaultAlphabet);
    e.socketsStarted = true;

    const std::string root = "\\\\" + sys.mUNCDrive + "\\KRVLINK\\";
    const auto& query = e.services.volumeQuery;
    const fs::path local = paths::map(root);
    const bool answers = !sys.mUNCDrive.empty() && (query ? query(local) : platformVolumeQuery(local));
    if (!answers) {
        MessageBox box;
        box.title = "Connection Error";
        box.text =
            "You are attempting to connect to: " + root + " and this shows to be an invalid network share";
        showMessage(box);
        throw vbError(vb::kObjectNotSet, "cBusinessBasic");
    }

    std::string name = e.services.computerName ? e.services.computerName() : ztl::computerName();
    if (name.size() > 80) name.resize(80);
    sys.ComputerName = storedata::Trun(name, 1);

    in_addr dotted{};
    if (!sys.ComputerName.empty() && ::inet_pton(AF_INET, sys.ComputerName.c_str(), &dotted) == 1) {
        std::array<uint8_t, 4> a{};
        std::memcpy(a.data(), &dotted, 4);
        sys.IP = dottedAddress(a);
    } else {
        auto resolved = e.services.resolveIPv4 ? e.services.resolveIPv4(sys.ComputerName)
                                               : platformResolve(sys.ComputerName);
        sys.IP = dottedAddress(resolved.value_or(std::array<uint8_t, 4>{255, 255, 255, 255}));
    }

    sys.TerminalID = "0";
    const std::string ttymap = "\\\\" + sys.mUNCDrive + "\\KRVLINK\\ttymap";
    std::vector<std::string> lines;
    try {
        TextReader reader(paths::map(ttymap));
        while (!reader.atEnd()) lines.push_back(reader.readLine());
    } catch (const VbError&) {
        throw VbError(-10, "kvsDataEngine_Initialization",
                      "Terminal File 'ttymap' not found on drive \\\\" + sys.mUNCDrive + "\\KRVLINK");
    }
    sys.TerminalID = terminalFromMap(lines, sys.ComputerName, sys.IP);

    createRegistries();
}

cBusinessBasic::~cBusinessBasic() {
    EngineState& e = engine();
    e.openFiles.reset();
    e.links.reset();
    e.system.reset();
    e.logicalFiles.reset();
}

std::shared_ptr<cOpenFile> cBusinessBasic::entryOf(const FileArg& f) {
    if (f.isEntry) return f.entry;
    return storedata::OpenFile(f.name);
}

std::shared_ptr<cLogicalFile> cBusinessBasic::logicalOf(const LogicalArg& f) {
    if (f.isEntry) return f.entry;
    auto l = storedata::LogicalOpen(f.name);
    if (!l) throw VbError(-10, "LogicalOpen", "File not Found: \"" + f.name + "\"");
    return l;
}

int32_t cBusinessBasic::Unpack(std::string_view o, std::string_view d, int32_t p) {
    return storedata::Unpack(o, d, p);
}
void cBusinessBasic::Pack(std::string_view o, std::string& d, int32_t v, int32_t p) {
    storedata::Pack(o, d, v, p);
}
void cBusinessBasic::PackDate(std::string_view o, std::string& d, int32_t p, const VbDate& v) {
    storedata::PackDate(o, d, p, v);
}
VbDate cBusinessBasic::UnPackDate(std::string_view o, std::string_view d, int32_t p) {
    return storedata::UnPackDate(o, d, p);
}
std::string cBusinessBasic::Crm(std::string_view s) {
    return storedata::Crm(s);
}
int32_t cBusinessBasic::Max(int32_t a, int32_t b) {
    return storedata::Max(a, b);
}
int32_t cBusinessBasic::Min(int32_t a, int32_t b) {
    return storedata::Min(a, b);
}
std::string cBusinessBasic::Ucm(std::string_view s) {
    return storedata::Ucm(s);
}
void cBusinessBasic::StrPos(int32_t& l, std::string_view s, std::string_view t) {
    storedata::StrPos(l, s, t);
}
std::string cBusinessBasic::Trun(std::string_view s, int32_t f) {
    return storedata::Trun(s, f);
}

std::string cBusinessBasic::ReadFile(const FileArg& f, int32_t n, int32_t p, bool orb) {
    return storedata::ReadFile(entryOf(f), n, p, orb);
}
void cBusinessBasic::WriteFile(const FileArg& f, std::string_view d, int32_t p, bool orb) {
    storedata::WriteFile(entryOf(f), d, p, orb);
}
std::string cBusinessBasic::BlockReadFile(const FileArg& f, int32_t b, bool orb) {
    return storedata::BlockReadFile(entryOf(f), b, orb);
}
void cBusinessBasic::BlockWriteFile(const FileArg& f, int32_t b, std::string_view r, bool orb) {
    storedata::BlockWriteFile(entryOf(f), b, r, orb);
}
std::shared_ptr<cOpenFile> cBusinessBasic::OpenFile(std::string_view n) {
    return storedata::OpenFile(n);
}
int32_t cBusinessBasic::KLength(const LogicalArg& l, bool orb) {
    return storedata::KLength(logicalOf(l), orb);
}
void cBusinessBasic::CloseFile(const FileArg& f) {
    auto e = entryOf(f);
    if (!e) throw vbError(vb::kObjectNotSet, "CloseFile");
    storedata::CloseFile(e->Path);
}
std::shared_ptr<cLogicalFile> cBusinessBasic::LogicalOpen(std::string_view n) {
    return storedata::LogicalOpen(n);
}
std::string cBusinessBasic::LreadFile(const LogicalArg& l, int32_t r, bool orb) {
    return storedata::LreadFile(logicalOf(l), r, orb);
}
void cBusinessBasic::LwriteFile(const LogicalArg& l, int32_t r, std::string_view d, bool orb) {
    storedata::LwriteFile(logicalOf(l), r, d, orb);
}
int32_t cBusinessBasic::KCount(const LogicalArg& l, bool orb) {
    return storedata::KCount(logicalOf(l), orb);
}
std::shared_ptr<cSystem> cBusinessBasic::TessSys() const {
    return engine().system;
}
VbDate cBusinessBasic::Now() {
    return storedata::Now();
}
int32_t cBusinessBasic::PhysicalLock(std::string_view n, int32_t p, int32_t l) {
    return storedata::PhysicalLock(n, p, l);
}
int32_t cBusinessBasic::LogicalLock(const LogicalArg& l, int32_t r) {
    return storedata::LogicalLock(logicalOf(l), r);
}
int32_t cBusinessBasic::ReleaseLock(int32_t n) {
    return storedata::ReleaseLock(n);
}
void cBusinessBasic::DelRec(const LogicalArg& l, int32_t r, bool orb) {
    storedata::DelRec(logicalOf(l), r, orb);
}
void cBusinessBasic::GetRec(const LogicalArg& l, int32_t& r, bool orb) {
    storedata::GetRec(logicalOf(l), r, orb);
}
void cBusinessBasic::InitFile(const LogicalArg& l, int32_t k, bool d, int32_t b, bool orb) {
    storedata::InitFile(logicalOf(l), k, d, b, orb);
}
void cBusinessBasic::KFind(const LogicalArg& l, std::string& b, std::string& k, int32_t& r, bool orb) {
    storedata::KFind(logicalOf(l), b, k, r, orb);
}
void cBusinessBasic::KLast(const LogicalArg& l, std::string& b, std::string& k, int32_t& r, bool orb) {
    storedata::KLast(logicalOf(l), b, k, r, orb);
}
void cBusinessBasic::KNext(const LogicalArg& l, std::string& b, std::string& k, int32_t& r, bool orb) {
    storedata::KNext(logicalOf(l), b, k, r, orb);
}
void cBusinessBasic::KPrev(const LogicalArg& l, std::string& b, std::string& k, int32_t& r, bool orb) {
    storedata::KPrev(logicalOf(l), b, k, r, orb);
}
std::vector<std::string> cBusinessBasic::Split(std::string_view e, std::string_view d, int32_t l, int32_t c) {
    return storedata::Split(e, d, l, c);
}
int32_t cBusinessBasic::Sys(int32_t v) {
    return storedata::Sys(v);
}
void cBusinessBasic::Stma(int32_t v1, Variant& v2, Variant& v3, Variant& v4, Variant& v5, Variant& v6) {
    storedata::Stma(v1, v2, v3, v4, v5, v6);
}
void cBusinessBasic::Stma(int32_t v1, Variant& v2) {
    storedata::Stma(v1, v2);
}
void cBusinessBasic::Stma(int32_t v1, Variant& v2, Variant& v3) {
    storedata::Stma(v1, v2, v3);
}

}  // namespace ztl::storedata
