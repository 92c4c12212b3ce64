#include "qbwc/late_answer.h"

#include "qbwc/service_journal.h"
#include "qbxml/answer_document.h"

namespace ztl::qbwc {

namespace {

// The first element below `from` whose name ends in `suffix` and that `also` accepts.
template <class Also>
pugi::xml_node firstEndingIn(const pugi::xml_node& from, std::string_view suffix, Also also) {
    return from.find_node([&](const pugi::xml_node& n) {
        std::string_view name = n.name();
        return name.size() > suffix.size() && name.ends_with(suffix) && also(n);
    });
}

// The text of the first `name` element below `from`, if there is one.
bool firstText(const pugi::xml_node& from, const char* name, std::string& text) {
    auto found = qbxml::elementsByTagName(from, name);
    if (found.empty()) return false;
    text = qbxml::textOf(found.front());
    return true;
}

// When a request was handed out, as the operator's clock shows it.
std::string handedOutAt(std::chrono::steady_clock::time_point sentAt) {
    return clockTime(std::chrono::system_clock::now() -
                     std::chrono::duration_cast<std::chrono::system_clock::duration>(
                         std::chrono::steady_clock::now() - sentAt));
}

}  // namespace

std::string noAnswerLine(const std::string& request, std::chrono::steady_clock::time_point sentAt) {
    return "no answer came for " + describeRequest(request) + ", handed out at " + handedOutAt(sentAt) +
           "; its entry may or may not be in QuickBooks";
}

std::string lateAnswerLine(const std::string& request, std::chrono::steady_clock::time_point sentAt,
                           const std::string& answer) {
    return "a late answer came for " + describeRequest(request) + ", handed out at " + handedOutAt(sentAt) +
           ", after the program had stopped waiting for it: " + answer;
}

std::string describeAnswer(const std::string& response, const std::string& hresult,
                           const std::string& message) {
    if (response.empty()) return "no answer but HRESULT " + hresult + " " + message;
    pugi::xml_document doc;
    std::string notRead;
    if (!qbxml::load(doc, response, notRead)) return "an answer that is not XML";
    if (auto rets = qbxml::elementsByTagName(doc, "JournalEntryRet"); !rets.empty()) {
        const pugi::xml_node& ret = rets.front();
        std::string text = "TxnID " + qbxml::childText(ret, "TxnID");
        if (ret.child("RefNumber")) text += ", RefNumber " + qbxml::childText(ret, "RefNumber");
        if (ret.child("TxnDate")) text += ", TxnDate " + qbxml::childText(ret, "TxnDate");
        return text;
    }
    if (pugi::xml_node rs = firstEndingIn(doc, "Rs", [](const pugi::xml_node& n) { return bool(n.attribute("statusCode")); }))
        return std::string(rs.name()) + " statusCode " + rs.attribute("statusCode").value() + ": " +
               rs.attribute("statusMessage").value() + " (no TxnID)";
    return "an answer without a TxnID";
}

std::string describeRequest(const std::string& request) {
    pugi::xml_document doc;
    std::string notRead;
    if (!qbxml::load(doc, request, notRead)) return "a request that is not XML";
    pugi::xml_node rq = firstEndingIn(doc, "Rq", [](const pugi::xml_node& n) {
        return std::string_view(n.name()) != "QBXMLMsgsRq";
    });
    if (!rq) return "a request";
    std::string text = rq.name();
    std::string value;
    if (firstText(rq, "RefNumber", value)) text += " RefNumber " + value;
    if (firstText(rq, "TxnDate", value)) text += ", TxnDate " + value;
    return text;
}

}  // namespace ztl::qbwc
