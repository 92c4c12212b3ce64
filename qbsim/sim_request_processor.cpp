#include "qbsim/sim_request_processor.h"

#include <cstdio>
#include <random>

#include "platform/paths.h"
#include "platform/vb_error.h"
#include "qbsim/qbxml.h"

namespace ztl::qbsim {

namespace {

std::string newTicket() {
    // One generator per thread: connections may live on different threads.
    thread_local std::mt19937_64 rng{std::random_device{}()};
    auto a = rng(), b = rng();
    char buf[48];
    std::snprintf(buf, sizeof buf, "{%08llX-%04llX-%04llX-%04llX-%012llX}", (unsigned long long)(a >> 32),
                  (unsigned long long)((a >> 16) & 0xFFFF), (unsigned long long)(a & 0xFFFF),
                  (unsigned long long)(b >> 48), (unsigned long long)(b & 0xFFFFFFFFFFFFULL));
    return buf;
}

}  // namespace

const char* sdkDescription(long hresult) {
    switch (hresult) {
        case hresult::kParseError:
            return "QuickBooks found an error when parsing the provided XML text stream.";
        case hresult::kCouldNotAccess:
            return "Could not access QuickBooks.";
        case hresult::kCouldNotStart:
            return "Could not start QuickBooks.";
        case hresult::kCompanyNotOpen:
            return "The QuickBooks company data file is not the one currently open in QuickBooks.";
        case hresult::kInvalidTicket:
            return "The ticket parameter is invalid";
        case hresult::kNeedCompanyFile:
            return "If QuickBooks is not running, the company data file name must be supplied to "
                   "BeginSession.";
        default:
            return "Unspecified error";
    }
}

std::filesystem::path canonicalCompanyPath(const std::string& name) {
    std::error_code ec;
    auto p = std::filesystem::absolute(paths::map(name), ec);
    if (ec) return std::filesystem::path(name).lexically_normal();
    auto c = std::filesystem::weakly_canonical(p, ec);
    return ec ? p.lexically_normal() : c;
}

SimRequestProcessor::SimRequestProcessor(std::optional<std::filesystem::path> runningCompany,
                                         Company::Options companyOptions)
    : running_(std::move(runningCompany)), options_(std::move(companyOptions)), sessions_(newTicket, "qbsim") {}

SimRequestProcessor::~SimRequestProcessor() = default;

void SimRequestProcessor::fail(long hr, const std::string& detail) {
    detail_ = detail;
    throw VbError(hr, "qbsim", sdkDescription(hr));
}

void SimRequestProcessor::requireConnection(const char* call) {
    if (!sessions_.connected()) refuse(TicketRefusal::NotConnected, {}, call);
}

void SimRequestProcessor::refuse(TicketRefusal why, const std::string& ticket, const char* call) {
    if (why == TicketRefusal::NotConnected)
        fail(hresult::kCouldNotAccess, std::string(call) + " on a connection that is not open");
    fail(hresult::kInvalidTicket, std::string(call) + ": no open session has ticket \"" + ticket + "\"");
}

SimRequestProcessor::Session& SimRequestProcessor::session(const std::string& ticket, const char* call) {
    TicketRefusal why;
    Session* s = sessions_.session(ticket, why);
    if (!s) refuse(why, ticket, call);
    return *s;
}

void SimRequestProcessor::OpenConnection(const std::string&, const std::string& appName) {
    sessions_.connect();
    appName_ = appName;
    detail_.clear();
}

std::string SimRequestProcessor::BeginSession(const std::string& companyFile, int) {
    requireConnection("BeginSession");
    std::optional<std::filesystem::path> open;
    if (running_)
        open = canonicalCompanyPath(running_->string());
    else if (started_)
        open = started_;
    std::filesystem::path file;
    if (companyFile.empty()) {
        if (!open)
            fail(hresult::kNeedCompanyFile,
                 "QuickBooks is not running (ZENTREL_QUICKBOOKS is unset) and no company file was named");
        file = *open;
    } else {
        file = canonicalCompanyPath(companyFile);
        if (open && file != *open)
            fail(hresult::kCompanyNotOpen,
                 "QuickBooks has " + open->string() + " open, not " + file.string());
    }
    std::unique_ptr<Company> company;
    try {
        company = std::make_unique<Company>(Company::open(file, options_));
    } catch (const CompanyError& e) {
        fail(e.kind == CompanyError::Kind::Busy ? hresult::kCouldNotAccess : hresult::kCouldNotStart,
             e.what());
    }
    if (!running_) started_ = file;
    std::string ticket = sessions_.begin(Session{file, std::move(company)});
    detail_.clear();
    return ticket;
}

std::string SimRequestProcessor::ProcessRequest(const std::string& ticket, const std::string& request) {
    Session& s = session(ticket, "ProcessRequest");
    try {
        std::string response = answerRequest(*s.company, request);
        detail_.clear();
        return response;
    } catch (const RequestParseError& e) {
        fail(hresult::kParseError, e.what());
    } catch (const CompanyError& e) {
        fail(hresult::kCouldNotAccess, e.what());
    }
}

void SimRequestProcessor::EndSession(const std::string& ticket) {
    session(ticket, "EndSession");
    sessions_.end(ticket);
    detail_.clear();
}

void SimRequestProcessor::CloseConnection() {
    requireConnection("CloseConnection");
    sessions_.disconnect();
    started_.reset();
    detail_.clear();
}

std::string SimRequestProcessor::GetCurrentCompanyFileName(const std::string& ticket) {
    return session(ticket, "GetCurrentCompanyFileName").file.string();
}

}  // namespace ztl::qbsim
