#include "engine.h"

#include <cmath>
#include <cstdlib>
#include <iostream>

namespace ztl::storedata {
namespace {

std::unique_ptr<EngineState>& statePtr() {
    static std::unique_ptr<EngineState> state = std::make_unique<EngineState>();
    return state;
}

bool isZero(const Variant& v) {
    if (std::holds_alternative<std::monostate>(v)) return true;  // Empty = 0
    if (auto* i = std::get_if<int64_t>(&v)) return *i == 0;
    if (auto* d = std::get_if<double>(&v)) return *d == 0;
    if (auto* s = std::get_if<std::string>(&v)) return *s == "0";
    return false;
}

[[noreturn]] void notSet(const char* source) {
    throw vbError(vb::kObjectNotSet, source);
}

}  // namespace

EngineState& engine() {
    return *statePtr();
}

void resetEngine() {
    // The old state is destroyed after the new one is in place: a facade object's destructor
    // then releases the (empty) registries of the fresh state, and the old open-file registry
    // closes its files.
    std::unique_ptr<EngineState> old = std::move(statePtr());
    statePtr() = std::make_unique<EngineState>();
    old.reset();
}

cSystem& systemRecord() {
    if (!engine().system) notSet("TessSys");
    return *engine().system;
}
cOpenFiles& openFiles() {
    if (!engine().openFiles) notSet("cOpenFiles");
    return *engine().openFiles;
}
cLogicalFiles& logicalFiles() {
    if (!engine().logicalFiles) notSet("cLogicalFiles");
    return *engine().logicalFiles;
}
cLinks& links() {
    if (!engine().links) notSet("cLinks");
    return *engine().links;
}

void createRegistries() {
    auto newLinks = readLinkTable();  // may fail: then nothing is replaced
    EngineState& e = engine();
    e.links = std::move(newLinks);
    e.openFiles = std::make_shared<cOpenFiles>();
    e.logicalFiles = std::make_shared<cLogicalFiles>();
}

MsgResult showMessage(const MessageBox& box) {
    if (engine().prompter) return engine().prompter->show(box);
    std::cerr << (box.title.empty() ? std::string() : box.title + ": ") << box.text << "\n";
    return defaultAnswer(box.buttons);
}

int32_t toLong(const Variant& v) {
    auto fromDouble = [](double d) -> int32_t {
        double r = std::nearbyint(d);  // the default rounding mode: half to even, as CLng
        if (!(r >= -2147483648.0 && r <= 2147483647.0)) throw vbError(vb::kOverflow, "Stma");
        return static_cast<int32_t>(r);
    };
    if (std::holds_alternative<std::monostate>(v)) return 0;
    if (auto* i = std::get_if<int64_t>(&v)) return fromDouble(static_cast<double>(*i));
    if (auto* d = std::get_if<double>(&v)) return fromDouble(*d);
    if (auto* s = std::get_if<std::string>(&v)) {
        std::string t = *s;
        while (!t.empty() && t.front() == ' ') t.erase(t.begin());
        while (!t.empty() && t.back() == ' ') t.pop_back();
        if (t.empty()) throw vbError(vb::kTypeMismatch, "Stma");
        char* end = nullptr;
        double d = std::strtod(t.c_str(), &end);
        if (end == t.c_str() || *end != '\0' || t.find_first_of("xXnNiI") != std::string::npos)
            throw vbError(vb::kTypeMismatch, "Stma");
        return fromDouble(d);
    }
    throw vbError(vb::kTypeMismatch, "Stma");
}

std::string toText(const Variant& v) {
    if (std::holds_alternative<std::monostate>(v)) return "";
    if (auto* i = std::get_if<int64_t>(&v)) return std::to_string(*i);
    if (auto* d = std::get_if<double>(&v)) {
        char b[64];
        std::snprintf(b, sizeof b, "%.15g", *d);
        return b;
    }
    if (auto* s = std::get_if<std::string>(&v)) return *s;
    const VbDate& d = std::get<VbDate>(v);
    char b[32];
    std::snprintf(b, sizeof b, "%d/%d/%04d", d.month, d.day, d.year);
    return b;
}

VbDate Now() {
    LocalDateTime t;
    if (engine().clock) {
        t = engine().clock->now();
    } else {
        static const SystemClock systemClock;
        t = systemClock.now();
    }
    return VbDate{t.year, t.month, t.day, t.hour, t.minute, t.second};
}

int32_t Sys(int32_t value) {
    if (value < 1 || value > 152) return 0;
    switch (value) {
        case 1:
            return Now().day;
        case 2:
            return Now().month;
        case 3:
            return Now().year;
        case 4:
            return toLong(Variant(systemRecord().TerminalID));
        case 28: {
            VbDate n = Now();
            return n.month * 10000 + n.day * 100 + n.year % 100;
        }
        case 128: {
            VbDate n = Now();
            return (n.year % 100) * 10000 + n.month * 100 + n.day;
        }
        case 152: {
            VbDate n = Now();
            Variant m = int64_t{n.month}, d = int64_t{n.day}, y = int64_t{n.year % 100}, v5, v6;
            Stma(12, m, d, y, v5, v6);
            return toLong(m);
        }
        default:
            return 0;
    }
}

void Stma(int32_t var1, Variant& var2, Variant& var3, Variant& var4, Variant& var5, Variant& var6) {
    switch (var1) {
        case 10:
            if (isZero(var2) && toText(var3).size() == 4) engine().alphabet.replace(0, 4, toText(var3));
            break;
        case 11: {
            VbDate d = dateFromDayNumber(toLong(var2));
            var6 = d;
            var3 = int64_t{d.month};
            var4 = int64_t{d.day};
            var5 = int64_t{((d.year % 100) + 100) % 100};
            break;
        }
        case 12: {
            int32_t m = toLong(var2), d = toLong(var3), y = toLong(var4);
            VbDate date;
            if (m == 1 && d == 1 && y == 68) {
                date = VbDate{1967, 12, 31};
            } else if (!parseShortDate(std::to_string(m) + "/" + std::to_string(d) + "/" + toText(var4),
                                       date)) {
                throw vbError(vb::kTypeMismatch, "Stma");
            }
            var2 = int64_t{daysSince1967(date)};
            break;
        }
        default:
            break;
    }
}

void Stma(int32_t var1, Variant& var2) {
    Variant a, b, c, d;
    Stma(var1, var2, a, b, c, d);
}

void Stma(int32_t var1, Variant& var2, Variant& var3) {
    Variant b, c, d;
    Stma(var1, var2, var3, b, c, d);
}

std::string Crm(std::string_view source) {
    return Crm(source, engine().alphabet);
}
std::string Ucm(std::string_view source) {
    return Ucm(source, engine().alphabet);
}

}  // namespace ztl::storedata
