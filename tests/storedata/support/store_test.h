#pragma once
// The base of the store data engine tests: a private temporary folder that serves as
// $ZENTREL_SHARES (and $TMPDIR), a clean engine state before and after every case, and a
// store server tree written by the fixture writers.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/vb_error.h"
#include "storedata/engine.h"
#include "tools/storedata_fixtures/store_fixtures.h"

namespace ztl::storedata::testing {

class StoreTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // A system record for SERVER/DIRECTORY and fresh registries (LINKSFILE read now), as the
    // facade's connection set-up leaves them.
    void startEngine(const std::string& server = "SRV1", const std::string& directory = "DATA");

    std::filesystem::path dir_;                        // the private temporary folder
    std::filesystem::path shares_;                     // dir_/shares = $ZENTREL_SHARES
    std::unique_ptr<fixtures::StoreServerTree> tree_;  // SRV1, directory DATA
};

// The bytes of a string as unsigned values, for byte-exact expectations.
std::vector<int> bytesOf(std::string_view s);

// The whole content of a file, for comparing data files before and after.
std::string fileBytes(const std::filesystem::path& p);

// Runs f and returns the VbError it throws (fails the test when it throws none).
template <class F>
VbError errorOf(F&& f) {
    try {
        f();
    } catch (const VbError& e) {
        return e;
    }
    ADD_FAILURE() << "no VbError thrown";
    return VbError(0, "", "");
}

}  // namespace ztl::storedata::testing
