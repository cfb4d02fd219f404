#include <gtest/gtest.h>

#include "share/safe_values.h"
#include "tests/share/safe_service.h"

namespace {

TEST(SafeValuesWindows, FolderNeedsADriveOrAServer) {
    SafeService service = safeService();
    for (const char* folder : {"D:/Videos", "D:\\", "E:\\电影", "\\\\nas\\share"}) {
        service.settings.sharedFolder = folder;
        EXPECT_EQ(findUnsafeValue(service), std::nullopt) << folder;
    }
    for (const char* folder : {"D:", "D:Videos", "\\Videos", "/home/u"}) {
        service.settings.sharedFolder = folder;
        EXPECT_TRUE(findUnsafeValue(service)) << folder;
    }
}

}  // namespace
