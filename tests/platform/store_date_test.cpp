#include "platform/store_date.h"

#include <gtest/gtest.h>

#include "platform/vb_error.h"

using ztl::CalendarDate;
using ztl::readStoreDate;

TEST(StoreDate, ReadsTheStoreSystemsDateColumns) {
    // Columns 12-23 of an H line: a blank, MM/DD/YY, blanks.
    EXPECT_EQ(readStoreDate(" 12/05/06   "), (CalendarDate{2006, 12, 5}));
    EXPECT_EQ(readStoreDate("1/2/2026"), (CalendarDate{2026, 1, 2}));
    EXPECT_EQ(readStoreDate("02-29-2024"), (CalendarDate{2024, 2, 29}));
    EXPECT_EQ(readStoreDate("07.04.30"), (CalendarDate{1930, 7, 4}));
    EXPECT_EQ(readStoreDate("07/04/29"), (CalendarDate{2029, 7, 4}));
}

TEST(StoreDate, AnythingElseIsTypeMismatch) {
    for (const char* bad : {"", "            ", "13/01/06", "02/29/2023", "00/10/06", "12/32/06", "12/05",
                            "12/05/06/07", "12/05-06", "1a/05/06", "12/05/006", "12//06", "2006-12-05"}) {
        try {
            readStoreDate(bad);
            ADD_FAILURE() << "accepted " << bad;
        } catch (const ztl::VbError& e) {
            EXPECT_EQ(e.number, 13) << bad;
            EXPECT_EQ(e.description, "Type mismatch");
        }
    }
}
