// librcpcv.so's C functions called as a C program calls them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nuko/rcpcv.h"

namespace {

TEST(RcpcvExports, NullsAndMissingFilesGiveNothingAndTheVersionIsTwoPointZero) {
    EXPECT_EQ(rcpcvGetVersionMajor(), 2);
    EXPECT_EQ(rcpcvGetVersionMinor(), 0);
    EXPECT_EQ(rcpcvConvertFile(nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(rcpcvConvertFile("/nonexistent.rcp", nullptr, nullptr), nullptr);
    EXPECT_EQ(rcpcvConvertFile("/", nullptr, nullptr), nullptr);  // a folder
    EXPECT_EQ(rcpcvGetSMF(nullptr), nullptr);
    EXPECT_EQ(rcpcvGetSMFLength(nullptr), 0ul);
    rcpcvDeleteObject(nullptr);
}

TEST(RcpcvExports, ProgressReachesTheCallersPointerAndCanCancel) {
    const std::string song = std::string(NUKO_CORPUS_DIR) + "/rcp/sted2clone_recomposer-file_test.rcp";
    std::vector<int> seen;
    RcpcvProgress record = [](int percent, void* user) {
        static_cast<std::vector<int>*>(user)->push_back(percent);
        return 1;
    };
    RcpcvObject* object = rcpcvConvertFile(song.c_str(), record, &seen);
    ASSERT_NE(object, nullptr);
    ASSERT_GT(rcpcvGetSMFLength(object), 14ul);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(rcpcvGetSMF(object)), 4), "MThd");
    rcpcvDeleteObject(object);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), 0);
    EXPECT_EQ(seen.back(), 100);

    RcpcvProgress cancel = [](int, void*) { return 0; };
    EXPECT_EQ(rcpcvConvertFile(song.c_str(), cancel, nullptr), nullptr);
}

}  // namespace
