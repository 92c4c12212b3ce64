#include "engine/company/company_memory.h"

#include <filesystem>

#include "platform/trim.h"
#include "qbxml/names.h"

namespace ztl {
namespace {

constexpr const char* kCompanyFile = "CompanyFile";

// Windows names files ignoring case: one store, one section, however its path is spelled.
// A path of this machine (ztl import of a copy, say) is taken whole, so that two folders'
// X390.QB are two stores.
std::string storeSection(const std::string& totalsPath) {
    std::string path = trimmed(totalsPath);
    if (!path.starts_with("\\\\") && !path.starts_with("//")) {
        std::error_code ec;
        std::filesystem::path whole = std::filesystem::absolute(path, ec);
        if (!ec) path = whole.lexically_normal().string();
    }
    for (char& c : path)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return "ZentrelMS\\Stores\\" + path;
}

}  // namespace

std::string lastCompanyOf(const Program& program, const std::string& totalsPath) {
    if (!program.settings || trimmed(totalsPath).empty()) return {};
    return program.settings->get(kSettingsApp, storeSection(totalsPath), kCompanyFile, "");
}

void rememberCompany(Program& program, const std::string& totalsPath, const std::string& companyFile) {
    if (!program.settings || trimmed(totalsPath).empty() || trimmed(companyFile).empty()) return;
    if (sameQuickBooksName(lastCompanyOf(program, totalsPath), companyFile)) return;
    program.settings->set(kSettingsApp, storeSection(totalsPath), kCompanyFile, companyFile);
}

namespace {

// Both companies and the store, for the warning and the refusal; nothing when they agree.
std::optional<std::string> companiesApart(const Program& program, const std::string& totalsPath,
                                          const std::string& openCompany) {
    const std::string last = lastCompanyOf(program, totalsPath);
    // Company file names, like every Windows file name, ignore case.
    if (trimmed(last).empty() || sameQuickBooksName(last, openCompany)) return std::nullopt;
    return "The company open in QuickBooks is not the one this store last posted into.\n\n"
           "Open in QuickBooks now:  " +
           openCompany +
           "\n"
           "Last posted into:  " +
           last +
           "\n"
           "Store's totals file:  " +
           totalsPath + "\n\n";
}

}  // namespace

std::optional<std::string> wrongCompanyWarning(const Program& program, const std::string& totalsPath,
                                               const std::string& openCompany) {
    std::optional<std::string> text = companiesApart(program, totalsPath, openCompany);
    if (text)
        *text += "If this day belongs in the company open now, go on. Otherwise do not import: open the right "
                 "company in QuickBooks and start again.";
    return text;
}

std::optional<std::string> otherCompanyRefusal(const Program& program, const std::string& totalsPath,
                                               const std::string& openCompany, const std::string& goOnOption) {
    std::optional<std::string> text = companiesApart(program, totalsPath, openCompany);
    if (text)
        *text += "Nothing was posted. Open the right company in QuickBooks and start again; or, if this day "
                 "belongs in the company open now, start again with " +
                 goOnOption + ", and that company becomes the one this store posts into.";
    return text;
}

}  // namespace ztl
