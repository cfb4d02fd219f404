#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <type_traits>

#include "thumbs/video_discovery.h"

namespace fs = std::filesystem;

TEST(VideoExtensions, CoverTheCommonKindsOnce) {
    const auto& table = videoExtensions();
    for (std::string_view kind :
         {".mp4", ".mkv",  ".avi", ".mov",  ".flv", ".wmv", ".m4v", ".mpeg", ".mpg", ".ts",  ".m2ts",
          ".mts", ".webm", ".3gp", ".rmvb", ".rm",  ".vob", ".f4v", ".ogv",  ".asf", ".divx"})
        EXPECT_EQ(std::count(table.begin(), table.end(), kind), 1) << kind;
    EXPECT_EQ(&table, &videoExtensions()) << "the table is built once";
}

TEST(IsVideoFile, AcceptsEveryExtensionInAnyAsciiCase) {
    for (std::string_view extension : videoExtensions()) {
        std::string upper(extension);
        std::transform(upper.begin(), upper.end(), upper.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        EXPECT_TRUE(isVideoFile("clip" + std::string(extension))) << extension;
        EXPECT_TRUE(isVideoFile("clip" + upper)) << upper;
    }
    EXPECT_TRUE(isVideoFile("CLIP.MP4"));
    EXPECT_TRUE(isVideoFile("Clip.Mkv"));
    EXPECT_TRUE(isVideoFile("clip.MPEG"));
    EXPECT_TRUE(isVideoFile("dir/sub/clip.final.mkv"));
    EXPECT_TRUE(isVideoFile(".hidden.avi"));
    EXPECT_TRUE(isVideoFile(fs::path(u8"电影/第一集.mp4")));
}

TEST(IsVideoFile, RejectsOtherNames) {
    for (const char* name :
         {"clip.mpe", "clip.tsx", "clip.rmv", "clip.mp4.part", "clip.png", ".mp4", "mp4", "clip.", "clip", "", ".",
          "..", "clip.mp", "clip.mp44", "clip .mp4x", "movies.mp4/", "movies.mp4/readme"})
        EXPECT_FALSE(isVideoFile(name)) << '"' << name << '"';
}

TEST(IsVideoFile, FoldsOnlyAsciiLetters) {
    // Full-width letters and digits look alike but are other characters.
    EXPECT_FALSE(isVideoFile(fs::path(u8"clip.ｍｐ４")));
    // Dotted capital I and the Kelvin sign fold to ASCII letters in some locales.
    EXPECT_FALSE(isVideoFile(fs::path(u8"clip.av\u0130")));
    EXPECT_FALSE(isVideoFile(fs::path(u8"clip.m\u212Av")));
}

TEST(IsVideoFile, TakesFileNamesThatAreNotUtf8) {
    if constexpr (!std::is_same_v<fs::path::value_type, char>) GTEST_SKIP() << "file names here are UTF-16";
    EXPECT_TRUE(isVideoFile(fs::path("\xff\xfe clip.mp4")));
    EXPECT_FALSE(isVideoFile(fs::path("clip.mp4\xff")));
    EXPECT_FALSE(isVideoFile(fs::path("clip.\xcd\xd0\xc4")));
}
