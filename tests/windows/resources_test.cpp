// The program's Windows resources, linked into this test program from
// res/VomraServer.rc, read back through the resource and version APIs.
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <windows.h>

#include "platform/paths.h"

namespace {

#pragma pack(push, 2)
struct IconGroupEntry {  // GRPICONDIRENTRY: one image of an icon group
    BYTE width;
    BYTE height;
    BYTE colourCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytes;
    WORD iconId;
};
struct IconGroupHeader {  // GRPICONDIR
    WORD reserved;
    WORD type;
    WORD count;
    IconGroupEntry entries[1];
};
#pragma pack(pop)

// The bytes of one resource of this program, or nullptr.
const void* ownResource(LPCWSTR name, LPCWSTR type, DWORD* size = nullptr) {
    const HRSRC found = FindResourceW(nullptr, name, type);
    if (found == nullptr) return nullptr;
    if (size != nullptr) *size = SizeofResource(nullptr, found);
    return LockResource(LoadResource(nullptr, found));
}

TEST(Resources, IconGroup128HoldsThreeSizesOf24Bits) {
    const auto* group = static_cast<const IconGroupHeader*>(ownResource(MAKEINTRESOURCEW(128), RT_GROUP_ICON));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->type, 1);
    ASSERT_EQ(group->count, 3);

    std::set<int> sizes;
    for (int i = 0; i < group->count; ++i) {
        const IconGroupEntry& entry = group->entries[i];
        EXPECT_EQ(entry.width, entry.height);
        EXPECT_EQ(entry.bitCount, 24);
        sizes.insert(entry.width);

        const auto* image = static_cast<const BITMAPINFOHEADER*>(ownResource(MAKEINTRESOURCEW(entry.iconId), RT_ICON));
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->biBitCount, 24);
        EXPECT_EQ(image->biWidth, entry.width);
    }
    EXPECT_EQ(sizes, (std::set<int>{32, 48, 64}));
}

TEST(Resources, TheApplicationIconLoadsInEverySize) {
    const HINSTANCE self = GetModuleHandleW(nullptr);
    EXPECT_NE(LoadIconW(self, MAKEINTRESOURCEW(128)), nullptr);
    for (int size : {32, 48, 64}) {
        const HANDLE icon = LoadImageW(self, MAKEINTRESOURCEW(128), IMAGE_ICON, size, size, 0);
        ASSERT_NE(icon, nullptr) << size;
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(static_cast<HICON>(icon), &info));
        BITMAP colour{};
        GetObjectW(info.hbmColor, sizeof colour, &colour);
        EXPECT_EQ(colour.bmWidth, size);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(static_cast<HICON>(icon));
    }
}

class VersionResource : public testing::Test {
protected:
    void SetUp() override {
        const std::wstring self = platform::executablePath().wstring();
        const DWORD size = GetFileVersionInfoSizeW(self.c_str(), nullptr);
        ASSERT_GT(size, 0u);
        data_.resize(size);
        ASSERT_TRUE(GetFileVersionInfoW(self.c_str(), 0, size, data_.data()));
    }

    const void* value(const std::wstring& path) {
        void* found = nullptr;
        UINT length = 0;
        return VerQueryValueW(data_.data(), path.c_str(), &found, &length) && length > 0 ? found : nullptr;
    }

    std::wstring text(const std::wstring& name) {
        const auto* found = static_cast<const wchar_t*>(value(L"\\StringFileInfo\\080404b0\\" + name));
        return found != nullptr ? found : L"(missing)";
    }

    std::string data_;
};

TEST_F(VersionResource, FileAndProductVersionAre1_0_0_1) {
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value(L"\\"));
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
}

TEST_F(VersionResource, NamesTheProgram) {
    const auto* translation = static_cast<const WORD*>(value(L"\\VarFileInfo\\Translation"));
    ASSERT_NE(translation, nullptr);
    EXPECT_EQ(translation[0], 0x0804);  // Chinese (Simplified, PRC)
    EXPECT_EQ(translation[1], 1200);    // UTF-16

    EXPECT_EQ(text(L"FileDescription"), L"VomraServer");
    EXPECT_EQ(text(L"InternalName"), L"VomraServer.exe");
    EXPECT_EQ(text(L"OriginalFilename"), L"VomraServer.exe");
    EXPECT_EQ(text(L"FileVersion"), L"1.0.0.1");
}

TEST(Resources, ManifestAsksForCommonControls6AsInvokerAndDpiAwareness) {
    DWORD size = 0;
    const auto* bytes = static_cast<const char*>(ownResource(CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST, &size));
    ASSERT_NE(bytes, nullptr);
    const std::string manifest(bytes, size);

    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
}

}  // namespace
