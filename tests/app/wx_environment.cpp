// The toolkit runs once for the whole test program, on the display that
// xvfb-run gives it.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>

namespace {

class WxEnvironment : public testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "app_tests";
        static char* argv[] = {name, nullptr};
        wxApp::SetInstance(new wxApp);
        ASSERT_TRUE(wxEntryStart(argc, argv)) << "no display: run through ctest, which starts xvfb-run";
        ASSERT_TRUE(wxTheApp->CallOnInit());
    }

    void TearDown() override { wxEntryCleanup(); }
};

const testing::Environment* const environment = testing::AddGlobalTestEnvironment(new WxEnvironment);

}  // namespace
