#include "tools/demo_world/demo_data.h"

#include <stdexcept>

namespace ztl::demo {
namespace {

constexpr const char* kDate = "12/05/26";

std::vector<DemoStoreData> makeStores() {
    std::vector<DemoStoreData> stores(kStoreCount);

    DemoStoreData& s1 = stores[0];
    s1.number = 1;
    s1.directory = "KVS001";
    s1.name = "MAIN STREET HARDWARE";
    s1.lines = {{10, "HW", "HARDWARE", 'H', 1234550, 150000, 2500000, 'P'},
                {20, "PL", "PLUMBING", 'P', 456700, 82500, 940000, 'P'},
                {30, "EL", "ELECTRICAL", 'E', 98765, 12000, 310000, 'U'},
                {40, "OLD", "DISCONTINUED", 'D', 0, 0, 0, 'P', 0}};
    s1.comodities = {{10, 'A'}, {10, 'H'}, {20, 'P'}, {30, 'E'}};
    s1.day = {
        "0001",
        s1.name,
        kDate,
        {
            {"101001",
             {{"1000", "1523.47", "0.00"}, {"4000", "0.00", "-1410.62"}, {"2100", "0.00", "-112.85"}}},
            {"101002", {{"1200", "318.90", "0.00"}, {"4000", "0.00", "-295.28"}, {"2100", "0.00", "-23.62"}}},
            {"101003", {{"1300", "2250.00", "0.00"}, {"2000", "0.00", "-2250.00"}}},
            // Advertising: an account the company has not set up.
            {"101004", {{"6400", "185.00", "0.00"}, {"1000", "0.00", "-185.00"}}},
            {"101005", {{"1000", "96.30", "0.00"}, {"4100", "0.00", "-89.17"}, {"2100", "0.00", "-7.13"}}},
            // A customer return: the refund stands as a negative first amount.
            {"101006", {{"4000", "42.00", "0.00"}, {"2100", "3.36", "0.00"}, {"1000", "-45.36", "0.00"}}},
            {"101007", {{"5000", "912.44", "0.00"}, {"1300", "0.00", "-912.44"}}},
        }};

    DemoStoreData& s2 = stores[1];
    s2.number = 2;
    s2.directory = "KVS002";
    s2.name = "RIVERSIDE GARDEN CENTER";
    s2.lines = {{10, "LG", "LAWN AND GARDEN", 'L', 815000, 64000, 1290000, 'P'},
                {20, "NU", "NURSERY STOCK", 'N', 230075, 41250, 877500, 'R'},
                {30, "PT", "PATIO FURNITURE", 'F', 1570000, 0, 455000, 'P'}};
    s2.comodities = {{10, 'L'}, {10, 'S'}, {20, 'N'}, {30, 'F'}};
    s2.day = {"0002",
              s2.name,
              kDate,
              {
                  {"201001",
                   {{"1000", "2846.15", "0.00"}, {"4000", "0.00", "-2634.40"}, {"2100", "0.00", "-211.75"}}},
                  // A house account pays its balance: the receivables line is a credit.
                  {"201002", {{"1000", "410.00", "0.00"}, {"1200", "0.00", "-410.00"}}},
                  {"201003", {{"6200", "327.58", "0.00"}, {"2000", "0.00", "-327.58"}}},
                  {"201004", {{"6100", "64.99", "0.00"}, {"1100", "0.00", "-64.99"}}},
                  // The month's sales tax paid over: a debit on "Sales Tax Payable".
                  {"201005", {{"2100", "1187.40", "0.00"}, {"1000", "0.00", "-1187.40"}}},
              }};

    DemoStoreData& s3 = stores[2];
    s3.number = 3;
    s3.directory = "KVS003";
    s3.name = "DUPR\xC9 HOME CENTER";  // Windows-1252 E acute, as the store system stores it
    s3.lines = {{10, "LU", "LUMBER", 'L', 2210000, 310000, 5400000, 'P'},
                {20, "PA", "PAINT AND SUNDRIES", 'P', 98765, 0, 123456, 'U'},
                {30, "KB", "KITCHEN AND BATH", 'K', 645000, 72000, 1105000, 'P'},
                {40, "TL", "TOOLS", 'T', 388000, 51000, 960000, 'R'}};
    s3.comodities = {{10, 'L'}, {10, 'D'}, {20, 'P'}, {30, 'K'}, {40, 'T'}};
    s3.day = {
        "0003",
        s3.name,
        kDate,
        {
            {"301001",
             {{"1000", "5120.80", "0.00"}, {"4000", "0.00", "-4741.48"}, {"2100", "0.00", "-379.32"}}},
            {"301002", {}},  // voided at the register
            {"301003", {{"6300", "3200.00", "0.00"}, {"2000", "0.00", "-3200.00"}}},
            {"301004", {{"1500", "1875.25", "0.00"}, {"2000", "0.00", "-1875.25"}}},
            {"301005", {{"1200", "968.76", "0.00"}, {"4000", "0.00", "-897.00"}, {"2100", "0.00", "-71.76"}}},
        }};
    return stores;
}

}  // namespace

const DemoStoreData& demoStore(int number) {
    static const std::vector<DemoStoreData> stores = makeStores();
    if (number < 1 || number > kStoreCount)
        throw std::out_of_range("the demo world has stores 1 to " + std::to_string(kStoreCount) + ", not " +
                                std::to_string(number));
    return stores[static_cast<size_t>(number - 1)];
}

const TotalsDay& singleStoreDay() {
    static const TotalsDay day{
        "0004",
        "HARBOR MARINE SUPPLY",
        kDate,
        {
            {"401001", {{"1000", "742.18", "0.00"}, {"4000", "0.00", "-687.20"}, {"2100", "0.00", "-54.98"}}},
            {"401002", {{"1200", "129.60", "0.00"}, {"4000", "0.00", "-120.00"}, {"2100", "0.00", "-9.60"}}},
            {"401003", {{"5000", "88.50", "0.00"}, {"2000", "0.00", "-88.50"}}},
        }};
    return day;
}

}  // namespace ztl::demo
