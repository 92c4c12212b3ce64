#pragma once
// Line record layouts: one product line clsLines, read from the logical files
// "LINEL" and "ELINEL" (same record numbers, joined LINEL first), with its commodity codes
// from the key index "COMODI"; and the line collection clnLines of every line in use.
//
// Combined record string, positions 1-based:
//   1-2 "J" in use (>= 1)   3-4 Line "C"   5-6 Alpha_Line (3 compressed)  7-26 Line_Name (30)
//   27 Auto_Order  28 Comodity  29 Distributor_Number "B"  33-38 "C" x3  39-50 sequencing text
//   51-74 six price definitions (B, B, J)  75-118 statistics ("L"; currency = amount x 100;
//   YTD stored without the month-to-date value)  119-191 settings and order statistics
//   193-196 Primary_Vendor  197 Order_Type_Switch  198 Seas_percentage
//   203 Seas_ReOrder_Codes (5 read; written before 205 and 207, so 2 survive)
//   205-206 Seas_Date_Last_Gen "J" day number   207-222 end-of-period costs "L"
// Positions 1-2, 30-32, 192 and 199-202 belong to no field: Pack leaves them as they are.
//
// Unpack and Pack never report a field that does not fit: each field is its own step, and a
// failing step leaves the field (Unpack) or the record (Pack) as it was.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "storedata/codec.h"
#include "storedata/collection.h"
#include "storedata/registries.h"

namespace ztl::storedata {

// A Visual Basic Currency: a fixed-point amount with four decimal places (value / 10000).
struct Currency {
    int64_t units = 0;  // 1/10000
    static Currency fromCents(int64_t cents) { return Currency{cents * 100}; }
    auto operator<=>(const Currency&) const = default;
    // The amount x 100 rounded to a whole number, halves to the even neighbour.
    int64_t roundedCents() const;
    // CStr: plain decimal without trailing zeros ("123.45", "0.5", "-3", "0").
    std::string text() const;
};

class clsLines {
  public:
    // Opens "LINEL" and "ELINEL" with LogicalOpen of the shared facade object (error 91
    // when there is none).
    clsLines();

    int32_t Line = 0;
    std::string Alpha_Line;
    std::string AlternateAlpha;  // never read or written by the layout
    std::string Line_Name;
    std::string Auto_Order;
    std::string Comodity;
    std::vector<std::string> Comodities;
    int32_t Distributor_Number = 0;
    int32_t Stock_Depth = 0;
    int32_t Re_Order_Percent = 0;
    int32_t Low_GP_Waring_Perc = 0;
    std::string Sequencing_ANAN;
    std::string Sequencing_Prior;
    int32_t Price_Def_Level[6] = {};  // Price_Def_1_Level .. Price_Def_6_Level
    int32_t Price_Def_Use[6] = {};
    int32_t Price_Def_Perc[6] = {};
    Currency Cost_of_Mdse;
    Currency Cost_of_Freight;
    int32_t MTD_No_Sales = 0;
    Currency MTD_Sales;
    Currency MTD_COGS;
    int32_t YTD_No_Sales = 0;
    Currency YTD_Sales;
    Currency YTD_COGS;
    int32_t PYTD_No_Sales = 0;
    Currency PYTD_Sales;
    Currency PYTD_COGS;
    int32_t Default_Cost_GP = 0;
    std::string Taxable;
    int32_t Default_Frt_Markup = 0;
    bool ReCalculateMax = false;
    int32_t High_Stock_Amount = 0;
    std::string DataBase_Name;
    int32_t Warranty = 0;
    int32_t SerPol_No_Months[4] = {};  // SerPol_No_Months_1 .. _4
    int32_t SerPol_List_Perc[4] = {};
    std::string Line_Type;
    int32_t Unit_Counter = 0;
    int32_t A_P_Company = 0;
    int32_t A_P_Vendor = 0;
    int32_t MTD_Items_Ordered = 0;
    int32_t MTD_Items_Filled = 0;
    int32_t MTD_Pieces_Ordered = 0;
    int32_t MTD_Pieces_Filled = 0;
    int32_t MTD_Dollars_Ord = 0;
    int32_t MTD_Dollars_Filled = 0;
    int32_t YTD_Items_Ordered = 0;
    int32_t YTD_Items_Filled = 0;
    int32_t YTD_Pieces_Ordered = 0;
    int32_t YTD_Pieces_Filled = 0;
    int32_t YTD_Dollars_Ord = 0;
    int32_t YTD_Dollars_Filled = 0;
    int32_t Primary_Vendor = 0;
    std::string Order_Type_Switch;
    int32_t Seas_percentage = 0;
    std::string Seas_ReOrder_Codes;
    VbDate Seas_Date_Last_Gen;
    int32_t EOM_Mdse_Cost = 0;
    int32_t EOM_Freight_Cost = 0;
    int32_t EOY_Mdse_Cost = 0;
    int32_t EOY_Freight_Cost = 0;
    int32_t RecNo = 0;

    // Fields into Rec (at least 222 characters to hold them all; its length never changes).
    void Pack(std::string& Rec) const;
    // Fields from Rec, then the commodity list from "COMODI".
    void Unpack(const std::string& Rec);
    // Error 81 "Illegal Record Number" outside 1..LastRecord of LINEL.
    void Read(int32_t RecordNumber, bool Orb = false);

  private:
    std::shared_ptr<cLogicalFile> linel_, elinel_;
    void readComodities();
};

// Every line in use (J >= 1 at 1, line number below 1000; one above 32767 is left out too),
// keyed by the decimal digits of Line, loaded at creation.
class clnLines : public Collection<clsLines> {
  public:
    clnLines();
    std::shared_ptr<clsLines> Add(std::shared_ptr<clsLines> cLines, std::string_view sKey = {}) {
        return AddItem(std::move(cLines), sKey);
    }
};

}  // namespace ztl::storedata
