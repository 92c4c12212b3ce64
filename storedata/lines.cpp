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

int32_t checked32(int64_t v) {
    if (v > INT32_MAX || v < INT32_MIN) throw vbError(vb::kOverflow, "clsLines");
    return static_cast<int32_t>(v);
}

int64_t checkedDifference(int64_t a, int64_t b) {
    int64_t d = 0;
    if (__builtin_sub_overflow(a, b, &d)) throw vbError(vb::kOverflow, "clsLines");
    return d;
}

// Every stored field of a line, once, in record order (where two fields share positions the
// later one wins when packing). Pack and Unpack both walk this list with a visitor, so a
// field's position and encoding are written down in one place only. Self is clsLines for
// Unpack and const clsLines for Pack.
template <class Self, class Visitor>
void forEachField(Self& l, Visitor& v) {
    v.integer(l.Line, "C", 3);
    v.compressed(l.Alpha_Line, 5, 2);
    v.compressed(l.Line_Name, 7, 20);
    v.text(l.Auto_Order, 27, 1);
    v.text(l.Comodity, 28, 1);
    v.integer(l.Distributor_Number, "B", 29);
    v.integer(l.Stock_Depth, "C", 33);
    v.integer(l.Re_Order_Percent, "C", 35);
    v.integer(l.Low_GP_Waring_Perc, "C", 37);
    v.text(l.Sequencing_ANAN, 39, 6);
    v.text(l.Sequencing_Prior, 45, 6);
    for (int i = 0; i < 6; ++i) {
        v.integer(l.Price_Def_Level[i], "B", 51 + 4 * i);
        v.integer(l.Price_Def_Use[i], "B", 52 + 4 * i);
        v.integer(l.Price_Def_Perc[i], "J", 53 + 4 * i);
    }
    v.currency(l.Cost_of_Mdse, 75);
    v.currency(l.Cost_of_Freight, 79);
    v.integer(l.MTD_No_Sales, "L", 83);
    v.currency(l.MTD_Sales, 87);
    v.currency(l.MTD_COGS, 91);
    v.yearToDate(l.YTD_No_Sales, l.MTD_No_Sales, 95);
    v.yearToDate(l.YTD_Sales, l.MTD_Sales, 99);
    v.yearToDate(l.YTD_COGS, l.MTD_COGS, 103);
    v.integer(l.PYTD_No_Sales, "L", 107);
    v.currency(l.PYTD_Sales, 111);
    v.currency(l.PYTD_COGS, 115);
    v.integer(l.Default_Cost_GP, "C", 119);
    v.text(l.Taxable, 121, 1);
    v.integer(l.Default_Frt_Markup, "C", 122);
    v.flag(l.ReCalculateMax, 124);
    v.integer(l.High_Stock_Amount, "C", 125);
    v.compressed(l.DataBase_Name, 127, 2);
    v.integer(l.Warranty, "B", 129);
    for (int i = 0; i < 4; ++i) {
        v.integer(l.SerPol_No_Months[i], "B", 130 + 3 * i);
        v.integer(l.SerPol_List_Perc[i], "C", 131 + 3 * i);
    }
    v.lineType(l.Line_Type, 142);
    v.integer(l.Unit_Counter, "L", 143);
    v.integer(l.A_P_Company, "B", 147);
    v.integer(l.A_P_Vendor, "L", 148);
    v.integer(l.MTD_Items_Ordered, "J", 152);
    v.integer(l.MTD_Items_Filled, "J", 154);
    v.integer(l.MTD_Pieces_Ordered, "K", 156);
    v.integer(l.MTD_Pieces_Filled, "K", 159);
    v.integer(l.MTD_Dollars_Ord, "L", 162);
    v.integer(l.MTD_Dollars_Filled, "L", 166);
    v.integer(l.YTD_Items_Ordered, "K", 170);
    v.integer(l.YTD_Items_Filled, "K", 173);
    v.integer(l.YTD_Pieces_Ordered, "L", 176);
    v.integer(l.YTD_Pieces_Filled, "L", 180);
    v.integer(l.YTD_Dollars_Ord, "L", 184);
    v.integer(l.YTD_Dollars_Filled, "L", 188);
    v.integer(l.Primary_Vendor, "L", 193);
    v.text(l.Order_Type_Switch, 197, 1);
    v.integer(l.Seas_percentage, "B", 198);
    // Read as 5 characters; written before the date at 205 and the cost at 207, so 2 survive.
    v.text(l.Seas_ReOrder_Codes, 203, 5);
    v.date(l.Seas_Date_Last_Gen, 205);
    v.integer(l.EOM_Mdse_Cost, "L", 207);
    v.integer(l.EOM_Freight_Cost, "L", 211);
    v.integer(l.EOY_Mdse_Cost, "L", 215);
    v.integer(l.EOY_Freight_Cost, "L", 219);
}

// Record string to fields. The month-to-date values come before the year-to-date ones in
// record order, so they are read by the time a year-to-date field adds them.
struct Unpacker {
    cBusinessBasic& bb;
    const std::string& rec;

    void integer(int32_t& f, const char* op, int32_t pos) {
        step([&] { f = bb.Unpack(op, rec, pos); });
    }
    void text(std::string& f, size_t pos, size_t width) { f = textAt(rec, pos, width); }
    void compressed(std::string& f, size_t pos, size_t bytes) { f = bb.Ucm(textAt(rec, pos, bytes)); }
    void currency(Currency& f, int32_t pos) {
        step([&] { f = Currency::fromCents(bb.Unpack("L", rec, pos)); });
    }
    void yearToDate(int32_t& ytd, int32_t mtd, int32_t pos) {
        step([&] { ytd = checked32(static_cast<int64_t>(bb.Unpack("L", rec, pos)) + mtd); });
    }
    void yearToDate(Currency& ytd, const Currency& mtd, int32_t pos) {
        step([&] { ytd = Currency{Currency::fromCents(bb.Unpack("L", rec, pos)).units + mtd.units}; });
    }
    void flag(bool& f, size_t pos) { f = IsYes(textAt(rec, pos, 1)); }
    void lineType(std::string& f, size_t pos) {
        f = textAt(rec, pos, 1);
        if (f != "U" && f != "R") f = "P";
    }
    void date(VbDate& f, int32_t pos) { f = bb.UnPackDate("J", rec, pos); }
};

// Fields to record string. A year-to-date field is stored without the month-to-date value;
// a difference that does not fit its field is skipped like any value that does not fit.
struct Packer {
    cBusinessBasic& bb;
    std::string& rec;

    void integer(int32_t f, const char* op, int32_t pos) {
        step([&] { bb.Pack(op, rec, f, pos); });
    }
    void text(const std::string& f, size_t pos, size_t width) { putText(rec, pos, spacePadded(f, width)); }
    void compressed(const std::string& f, size_t pos, size_t bytes) {
        std::string c = bb.Crm(f) + std::string(bytes, '\0');
        putText(rec, pos, c.substr(0, bytes));
    }
    void currency(const Currency& f, int32_t pos) {
        step([&] { bb.Pack("L", rec, checked32(f.roundedCents()), pos); });
    }
    void yearToDate(int32_t ytd, int32_t mtd, int32_t pos) {
        step([&] { bb.Pack("L", rec, checked32(static_cast<int64_t>(ytd) - mtd), pos); });
    }
    void yearToDate(const Currency& ytd, const Currency& mtd, int32_t pos) {
        step([&] { currency(Currency{checkedDifference(ytd.units, mtd.units)}, pos); });
    }
    void flag(bool f, size_t pos) { text(YesNo(f), pos, 1); }
    void lineType(const std::string& f, size_t pos) { text(f, pos, 1); }
    void date(const VbDate& f, int32_t pos) {
        step([&] { bb.PackDate("J", rec, pos, f); });
    }
};

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
    Unpacker unpacker{sharedFacade(), rec};
    forEachField(*this, unpacker);
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
    Packer packer{sharedFacade(), rec};
    forEachField(*this, packer);
}

void clsLines::Read(int32_t recordNumber, bool orb) {
    if (!linel_) throw vbError(vb::kObjectNotSet, "clsLines");
    if (recordNumber < 1 || recordNumber > linel_->LastRecord)
        throw VbError(81, "clsLines", "Illegal Record Number");
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
    // 8224) and are never in use: the walk skips them, on to the first record number past
    // LastRecord, whose read is refused with error 81 as anywhere else.
    int64_t fileSize = -1;
    struct stat st {};
    if (linel->OpenFile && linel->OpenFile->fd >= 0 && ::fstat(linel->OpenFile->fd, &st) == 0)
        fileSize = st.st_size;
    for (int64_t n64 = 1; n64 <= high; ++n64) {
        const auto n = static_cast<int32_t>(n64);
        if (fileSize >= 0 && n <= linel->LastRecord && recordOffset(*linel, n) >= fileSize) {
            n64 = linel->LastRecord;
            continue;
        }
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
