#include "qbsim/answers.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/trim.h"
#include "qbxml/names.h"

namespace ztl::qbsim {

// A customer or vendor query, answered as QuickBooks answers one: by ListID or FullName the
// records named, in the order asked, and 500 (Warn) naming the first one missing, the found
// ones still returned; by filter every record that passes (active ones unless ActiveStatus
// says otherwise; the simulated lists hold no inactive ones), 1 (Info) when none does.
void answerNameQuery(Company& company, const Request& r, XmlOut& x, Status& st) {
    const NameQueryRq& q = r.nameQuery;
    const bool customers = r.kind == "CustomerQuery";
    const Entity::Kind kind = customers ? Entity::Kind::Customer : Entity::Kind::Vendor;
    std::vector<Entity> listed;
    for (auto& e : company.entities())
        if (e.kind == kind) listed.push_back(std::move(e));
    std::vector<Entity> found;
    std::optional<std::string> missing;
    auto pick = [&](auto matches, const std::string& label) {
        auto it = std::find_if(listed.begin(), listed.end(), matches);
        if (it == listed.end()) {
            if (!missing) missing = label;
        } else if (std::none_of(found.begin(), found.end(),
                                [&](const Entity& f) { return f.id == it->id; })) {
            found.push_back(*it);
        }
    };
    if (!q.listIds.empty() || !q.fullNames.empty()) {
        for (const auto& id : q.listIds)
            pick([&](const Entity& e) { return e.listId == trimmedView(id, kWhitespace); }, id);
        for (const auto& name : q.fullNames)
            pick([&](const Entity& e) { return sameQuickBooksName(e.name, name); },
                 std::string(trimmedView(name, kWhitespace)));
    } else {
        const MaxReturned max = readMaxReturned(q.maxReturned);
        if (max.refusal) return refusalRs(x, r.kind, r, st = *max.refusal);
        const bool inactiveOnly = q.activeStatus && *q.activeStatus == "InactiveOnly";
        for (const auto& e : listed) {
            if (inactiveOnly) break;
            if (!passes(q.name, e.name)) continue;
            found.push_back(e);
            if (max.count && static_cast<long>(found.size()) >= *max.count) break;
        }
    }
    if (missing)
        st = {500, "Warn",
              "The query request has not been fully completed. There was a required element (\"" + *missing +
                  "\") that could not be found in QuickBooks."};
    else if (found.empty())
        st = nothingFound();
    openRs(x, r.kind, r, st);
    const char* ret = customers ? "CustomerRet" : "VendorRet";
    for (const auto& e : found) {
        x.open(ret);
        x.leaf("ListID", e.listId);
        x.leaf("TimeCreated", qbTime(e.timeCreated));
        x.leaf("TimeModified", qbTime(e.timeModified));
        x.leaf("EditSequence", std::to_string(e.editSequence));
        x.leaf("Name", e.name);
        // Vendors have no hierarchy: their records carry no FullName.
        if (customers) x.leaf("FullName", e.name);
        x.leaf("IsActive", "true");
        if (customers) x.leaf("Sublevel", "0");
        x.leaf("Balance", "0.00");
        if (customers) x.leaf("TotalBalance", "0.00");
        x.close(ret);
    }
    x.close(r.kind + "Rs");
}

}  // namespace ztl::qbsim
