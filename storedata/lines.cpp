#include "lines.h"

#include <sys/stat.h>

#include <functional>

#include "storedata/business_basic.h"
#include "storedata/engine.h"
#include "storedata/logical.h"

namespace ztl::storedata {
namespace {

cBusinessBasic& sharedFacade() {
    if (!engine().sharedFacade) throw vbError(vb::kObjectNotSet, "clsLines");
    return *engine().sharedFacade;
}

// One step of Unpack or Pack: a field that cannot be read or written is skipped silently.
void step(const std::function<void()>& f) {
    try {
        f();
    } catch (const VbError&) {
    }
}

// The characters at [pos, pos + width) that exist.
std::string textAt(const std::string& rec, size_t pos, size_t width) {
    if (pos - 1 >= rec.size()) return "";
    return rec.substr(pos - 1, width);
}

// Replaces [pos, pos + width) as far as the record reaches.
void putText(std::string& rec, size_t pos, const std::string& bytes) {
    if (pos - 1 >= rec.size()) return;
    const size_t n = std::min(bytes.size(), rec.size() - (pos - 1));
    rec.replace(pos - 1, n, bytes.substr(0, n));
}

std::string spacePadded(const std::string& v, size_t width) {
    std::string s = v.substr(0, std::min(v.size(), width));
    s.resize(width, ' ');
    return s;
}

int32_t cents32(int64_t cents) {
    if (cents > INT32_MAX || cents < INT32_MIN) throw vbError(vb::kOverflow, "clsLines");
    return static_cast<int32_t>(cents);
}

}  // namespace

int64_t Currency::roundedCents() const {
    int64_t q = units / 100, r = units % 100;
    if (r < 0) {
        r += 100;
        --q;
    }
    if (r > 50 || (r == 50 && (q % 2 != 0))) ++q;
    return q;
}

std::string Currency::text() const {
    const bool neg = units < 0;
    const uint64_t a = neg ? static_cast<uint64_t>(-(units + 1)) + 1 : static_cast<uint64_t>(units);
    std::string s = std::to_string(a / 10000);
    std::string frac = std::to_string(a % 10000);
    frac.insert(0, 4 - frac.size(), '0');
    while (!frac.empty() && frac.back() == '0') frac.pop_back();
    if (!frac.empty()) s += "." + frac;
    return (neg ? "-" : "") + s;
}

clsLines::clsLines() {
    cBusinessBasic& bb = sharedFacade();
    linel_ = bb.LogicalOpen("LINEL");
    elinel_ = bb.LogicalOpen("ELINEL");
}

void clsLines::Unpack(const std::string& rec) {
    cBusinessBasic& bb = sharedFacade();
    auto num = [&](int32_t& field, const char* op, int32_t pos) { step([&] { field = bb.Unpack(op, rec, pos); }); };
    auto cur = [&](Currency& field, int32_t pos) {
        step([&] { field = Currency::fromCents(bb.Unpack("L", rec, pos)); });
    };

    num(Line, "C", 3);
    Alpha_Line = bb.Ucm(textAt(rec, 5, 2));
    Line_Name = bb.Ucm(textAt(rec, 7, 20));
    Auto_Order = textAt(rec, 27, 1);
    Comodity = textAt(rec, 28, 1);
    num(Distributor_Number, "B", 29);
    num(Stock_Depth, "C", 33);
    num(Re_Order_Percent, "C", 35);
    num(Low_GP_Waring_Perc, "C", 37);
    Sequencing_ANAN = textAt(rec, 39, 6);
    Sequencing_Prior = textAt(rec, 45, 6);
    for (int i = 0; i < 6; ++i) {
        num(Price_Def_Level[i], "B", 51 + 4 * i);
        num(Price_Def_Use[i], "B", 52 + 4 * i);
        num(Price_Def_Perc[i], "J", 53 + 4 * i);
    }
    cur(Cost_of_Mdse, 75);
    cur(Cost_of_Freight, 79);
    num(MTD_No_Sales, "L", 83);
    cur(MTD_Sales, 87);
    cur(MTD_COGS, 91);
    step([&] {
        int64_t v = static_cast<int64_t>(bb.Unpack("L", rec, 95)) + MTD_No_Sales;
        if (v > INT32_MAX || v < INT32_MIN) throw vbError(vb::kOverflow, "clsLines");
        YTD_No_Sales = static_cast<int32_t>(v);
    });
    step([&] { YTD_Sales = Currency{Currency::fromCents(bb.Unpack("L", rec, 99)).units + MTD_Sales.units}; });
    step([&] { YTD_COGS = Currency{Currency::fromCents(bb.Unpack("L", rec, 103)).units + MTD_COGS.units}; });
    num(PYTD_No_Sales, "L", 107);
    cur(PYTD_Sales, 111);
    cur(PYTD_COGS, 115);
    num(Default_Cost_GP, "C", 119);
    Taxable = textAt(rec, 121, 1);
    num(Default_Frt_Markup, "C", 122);
    ReCalculateMax = IsYes(textAt(rec, 124, 1));
    num(High_Stock_Amount, "C", 125);
    DataBase_Name = bb.Ucm(textAt(rec, 127, 2));
    num(Warranty, "B", 129);
    for (int i = 0; i < 4; ++i) {
        num(SerPol_No_Months[i], "B", 130 + 3 * i);
        num(SerPol_List_Perc[i], "C", 131 + 3 * i);
    }
    Line_Type = textAt(rec, 142, 1);
    if (Line_Type != "U" && Line_Type != "R") Line_Type = "P";
    num(Unit_Counter, "L", 143);
    num(A_P_Company, "B", 147);
    num(A_P_Vendor, "L", 148);
    num(MTD_Items_Ordered, "J", 152);
    num(MTD_Items_Filled, "J", 154);
    num(MTD_Pieces_Ordered, "K", 156);
    num(MTD_Pieces_Filled, "K", 159);
    num(MTD_Dollars_Ord, "L", 162);
    num(MTD_Dollars_Filled, "L", 166);
    num(YTD_Items_Ordered, "K", 170);
    num(YTD_Items_Filled, "K", 173);
    num(YTD_Pieces_Ordered, "L", 176);
    num(YTD_Pieces_Filled, "L", 180);
    num(YTD_Dollars_Ord, "L", 184);
    num(YTD_Dollars_Filled, "L", 188);
    num(Primary_Vendor, "L", 193);
    Order_Type_Switch = textAt(rec, 197, 1);
    num(Seas_percentage, "B", 198);
    Seas_ReOrder_Codes = textAt(rec, 203, 5);
    Seas_Date_Last_Gen = bb.UnPackDate("J", rec, 205);
    num(EOM_Mdse_Cost, "L", 207);
    num(EOM_Freight_Cost, "L", 211);
    num(EOY_Mdse_Cost, "L", 215);
    num(EOY_Freight_Cost, "L", 219);
    readComodities();
}

void clsLines::readComodities() {
    Comodities.assign(1, Comodity);
    try {
        cBusinessBasic& bb = sharedFacade();
        std::string key(4, '\0');
        bb.Pack("C", key, Line, 1);
        key[2] = Comodity.empty() ? '\0' : Comodity[0];
        std::string buff;
        int32_t rec = 0;
        bb.KFind("COMODI", buff, key, rec);
        bb.KNext("COMODI", buff, key, rec);
        std::vector<std::string> list(1, Comodity);
        // Bounded: a damaged leaf chain stops KNext with an error; this bound only guards
        // against a chain of equal keys going round.
        for (int64_t guard = 0; rec > 0 && key.size() >= 3 && bb.Unpack("C", key, 1) == Line; ++guard) {
            if (guard > 1'000'000) throw vbError(vb::kOverflow, "clsLines");
            list.push_back(key.substr(2, 1));
            bb.KNext("COMODI", buff, key, rec);
        }
        Comodities = std::move(list);
    } catch (const VbError&) {
        Comodities.assign(1, Comodity);  // "COMODI" not available: the line's own commodity only
    }
}

void clsLines::Pack(std::string& rec) const {
    cBusinessBasic& bb = sharedFacade();
    auto num = [&](int32_t v, const char* op, int32_t pos) { step([&] { bb.Pack(op, rec, v, pos); }); };
    auto text = [&](const std::string& v, size_t pos, size_t width) { putText(rec, pos, spacePadded(v, width)); };
    auto packed = [&](const std::string& v, size_t pos, size_t bytes) {
        std::string c = bb.Crm(v) + std::string(bytes, '\0');
        putText(rec, pos, c.substr(0, bytes));
    };
    auto cur = [&](const Currency& v, int32_t pos) { step([&] { bb.Pack("L", rec, cents32(v.roundedCents()), pos); }); };

    num(Line, "C", 3);
    packed(Alpha_Line, 5, 2);
    packed(Line_Name, 7, 20);
    text(Auto_Order, 27, 1);
    text(Comodity, 28, 1);
    num(Distributor_Number, "B", 29);
    num(Stock_Depth, "C", 33);
    num(Re_Order_Percent, "C", 35);
    num(Low_GP_Waring_Perc, "C", 37);
    text(Sequencing_ANAN, 39, 6);
    text(Sequencing_Prior, 45, 6);
    for (int i = 0; i < 6; ++i) {
        num(Price_Def_Level[i], "B", 51 + 4 * i);
        num(Price_Def_Use[i], "B", 52 + 4 * i);
        num(Price_Def_Perc[i], "J", 53 + 4 * i);
    }
    cur(Cost_of_Mdse, 75);
    cur(Cost_of_Freight, 79);
    num(MTD_No_Sales, "L", 83);
    cur(MTD_Sales, 87);
    cur(MTD_COGS, 91);
    num(static_cast<int32_t>(static_cast<int64_t>(YTD_No_Sales) - MTD_No_Sales), "L", 95);
    cur(Currency{YTD_Sales.units - MTD_Sales.units}, 99);
    cur(Currency{YTD_COGS.units - MTD_COGS.units}, 103);
    num(PYTD_No_Sales, "L", 107);
    cur(PYTD_Sales, 111);
    cur(PYTD_COGS, 115);
    num(Default_Cost_GP, "C", 119);
    text(Taxable, 121, 1);
    num(Default_Frt_Markup, "C", 122);
    text(YesNo(ReCalculateMax), 124, 1);
    num(High_Stock_Amount, "C", 125);
    packed(DataBase_Name, 127, 2);
    num(Warranty, "B", 129);
    for (int i = 0; i < 4; ++i) {
        num(SerPol_No_Months[i], "B", 130 + 3 * i);
        num(SerPol_List_Perc[i], "C", 131 + 3 * i);
    }
    text(Line_Type, 142, 1);
    num(Unit_Counter, "L", 143);
    num(A_P_Company, "B", 147);
    num(A_P_Vendor, "L", 148);
    num(MTD_Items_Ordered, "J", 152);
    num(MTD_Items_Filled, "J", 154);
    num(MTD_Pieces_Ordered, "K", 156);
    num(MTD_Pieces_Filled, "K", 159);
    num(MTD_Dollars_Ord, "L", 162);
    num(MTD_Dollars_Filled, "L", 166);
    num(YTD_Items_Ordered, "K", 170);
    num(YTD_Items_Filled, "K", 173);
    num(YTD_Pieces_Ordered, "L", 176);
    num(YTD_Pieces_Filled, "L", 180);
    num(YTD_Dollars_Ord, "L", 184);
    num(YTD_Dollars_Filled, "L", 188);
    num(Primary_Vendor, "L", 193);
    text(Order_Type_Switch, 197, 1);
    num(Seas_percentage, "B", 198);
    text(Seas_ReOrder_Codes, 203, 5);
    step([&] { bb.PackDate("J", rec, 205, Seas_Date_Last_Gen); });
    num(EOM_Mdse_Cost, "L", 207);
    num(EOM_Freight_Cost, "L", 211);
    num(EOY_Mdse_Cost, "L", 215);
    num(EOY_Freight_Cost, "L", 219);
}

void clsLines::Read(int32_t recordNumber, bool orb) {
    if (!linel_) throw vbError(vb::kObjectNotSet, "clsLines");
    if (recordNumber < 1 || recordNumber > linel_->LastRecord) throw VbError(81, "clsLines", "Illegal Record Number");
    cBusinessBasic& bb = sharedFacade();
    std::string rec = bb.LreadFile(linel_, recordNumber, orb);
    if (!elinel_) throw VbError(-10, "LogicalOpen", "File not Found: \"ELINEL\"");
    rec += bb.LreadFile(elinel_, recordNumber, orb);
    Unpack(rec);
    RecNo = recordNumber;
}

clnLines::clnLines() : Collection("clnLines") {
    cBusinessBasic& bb = sharedFacade();
    auto linel = bb.LogicalOpen("LINEL");
    if (!linel) throw vbError(vb::kObjectNotSet, "clnLines");
    const int32_t high = linel->HighUsedRecord(true);
    // Records that lie wholly past the end of the data file read as spaces ("J" 8224, line
    // 8224) and are never in use: the walk may stop at the first of them.
    int64_t fileSize = -1;
    struct stat st{};
    if (linel->OpenFile && linel->OpenFile->fd >= 0 && ::fstat(linel->OpenFile->fd, &st) == 0) fileSize = st.st_size;
    for (int64_t n64 = 1; n64 <= high; ++n64) {
        const auto n = static_cast<int32_t>(n64);
        if (fileSize >= 0 && n <= linel->LastRecord && recordOffset(*linel, n) >= fileSize) break;
        const std::string rec = bb.LreadFile("LINEL", n, true);
        const int32_t inUse = bb.Unpack("J", rec, 1);
        const int32_t line = bb.Unpack("C", rec, 3);
        if (inUse >= 1 && line < 1000) {
            auto l = std::make_shared<clsLines>();
            l->Read(n, true);
            Add(l, std::to_string(l->Line));
        }
    }
}

}  // namespace ztl::storedata
