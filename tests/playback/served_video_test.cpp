// Which request paths name a video the helper may read: the rules nginx
// serves the share by, checked without a server.
#include "playback/served_video.h"

#include <gtest/gtest.h>

#include "platform/paths.h"

namespace {

std::optional<std::string> served(const std::string& path, const std::vector<std::string>& denied = {}) {
    const auto relative = servedVideoPath(path, "电影", denied);
    if (!relative) return std::nullopt;
    return platform::utf8FromPath(*relative);
}

std::string native(const std::string& path) {
    return platform::utf8FromPath(platform::pathFromUtf8(path).make_preferred());
}

TEST(ServedVideo, AVideoBelowTheShareIsNamedBelowTheFolder) {
    EXPECT_EQ(served("电影/a b/第1集.MKV"), native("a b/第1集.MKV"));
    EXPECT_EQ(served("电影/x%y.mp4"), "x%y.mp4");
}

TEST(ServedVideo, WhatNginxWouldNotServeIsRefused) {
    for (const char* path :
         {"电视/a.mp4", "电影", "电影/", "电影/a.txt", "电影/.a.mp4", "电影/a/../b.mp4", "电影/./a.mp4", "电影//a.mp4",
          "电影/a\\..\\b.mp4", "电影/VomrixServer/Server/a.mp4", "电影/VOMRA.DATA", "电影/sub/a.mp4/"})
        EXPECT_EQ(served(path), std::nullopt) << path;
}

TEST(ServedVideo, DeniedLinksAndWhatLiesBelowThemAreRefused) {
    const std::vector<std::string> denied{native("sub/link")};
    EXPECT_EQ(served("电影/sub/link", denied), std::nullopt);
    EXPECT_EQ(served("电影/sub/link/a.mp4", denied), std::nullopt);
    EXPECT_EQ(served("电影/sub/link.mp4", denied), native("sub/link.mp4"));
}

}  // namespace
