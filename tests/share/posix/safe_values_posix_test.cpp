#include <gtest/gtest.h>

#include "share/safe_values.h"
#include "tests/share/safe_service.h"

namespace {

TEST(SafeValuesPosix, FolderBeginsAtTheRoot) {
    ShareService service = safeService();
    for (const char* folder : {"/", "/home/u/My Videos", "//nas/share"}) {
        service.settings.sharedFolder = folder;
        EXPECT_EQ(findUnsafeValue(service), std::nullopt) << folder;
    }
    for (const char* folder : {"D:\\Videos", "D:/Videos", "~/Videos", "./Videos"}) {
        service.settings.sharedFolder = folder;
        EXPECT_TRUE(findUnsafeValue(service)) << folder;
    }
}

}  // namespace
