// The status line and the tray tip: stopped, sharing, stills under way and
// done (failures counted), and a failed Start.
#include <gtest/gtest.h>

#include "platform/paths.h"
#include "share/share_status.h"

namespace {

ShareStatus sharing(std::optional<ThumbnailProgress> stills) {
    ShareStatus status;
    status.running = true;
    status.port = 8080;
    status.stills = stills;
    return status;
}

TEST(ShareStatusTest, StoppedAndFailedStartsSayWhy) {
    EXPECT_EQ(statusLine(ShareStatus{}), "已停止");
    EXPECT_EQ(trayTip(ShareStatus{}), "VomraHTTP服务\n已停止");

    // What follows a failure's first line goes on the second, on one line.
    ShareStatus failed;
    failed.startFailure = "端口 80 已被占用。";
    EXPECT_EQ(statusLine(failed), "启动失败：端口 80 已被占用。");
    failed.startFailure = "网页服务器没有启动。\nnginx 错误日志：a\nb";
    EXPECT_EQ(statusLine(failed), "启动失败：网页服务器没有启动。\nnginx 错误日志：a　b");
    EXPECT_EQ(statusDetails(failed), failed.startFailure);
    EXPECT_EQ(trayTip(failed), "VomraHTTP服务\n已停止（上次启动失败）");

    // A share that runs is reported as running, whatever an earlier Start said.
    ShareStatus running = sharing(std::nullopt);
    running.startFailure = "old";
    EXPECT_EQ(statusLine(running), "共享中（端口 8080）");
    EXPECT_EQ(statusDetails(running), "");
}

// A Start's warnings, each folder it names on a line of its own, make the
// status line's second line while the share runs; they end with it.
TEST(ShareStatusTest, WarningsOfTheRunningShareMakeTheSecondLine) {
    ShareStatus status = sharing(ThumbnailProgress{3, 1, 0});
    status.startWarning = "以下文件夹无法读取：\n/a/私密\n/b";
    EXPECT_EQ(statusLine(status), "共享中（端口 8080）　视频截图：1 / 3\n警告：以下文件夹无法读取：　/a/私密　/b");
    EXPECT_EQ(statusDetails(status), status.startWarning);
    EXPECT_EQ(trayTip(status), "VomraHTTP服务\n共享中（端口 8080）　视频截图：1 / 3");
    status.running = false;
    EXPECT_EQ(statusLine(status), "已停止");
}

// A server started again is a warning beside the Start's while the share
// runs; one that could not be kept running ends the share, and the status
// line, its tip and the tray say why until the next Start or Stop.
TEST(ShareStatusTest, AServerThatEndedBehindTheProgramsBackIsReported) {
    ShareStatus restarted = sharing(std::nullopt);
    restarted.server = {ServerCheck::Outcome::restarted, "nginx 错误日志：[alert] worker died"};
    restarted.startWarning = "设置没有保存成功";
    EXPECT_EQ(statusLine(restarted),
              "共享中（端口 8080）\n警告：网页服务器意外停止，已重新启动　nginx 错误日志：[alert] worker "
              "died　设置没有保存成功");
    EXPECT_EQ(statusDetails(restarted),
              "网页服务器意外停止，已重新启动\nnginx 错误日志：[alert] worker died\n设置没有保存成功");
    restarted.server.reason.clear();
    restarted.startWarning.clear();
    EXPECT_EQ(statusLine(restarted), "共享中（端口 8080）\n警告：网页服务器意外停止，已重新启动");

    ShareStatus stopped;
    stopped.server = {ServerCheck::Outcome::stopped, "网页服务器没有在端口 8080 上启动。\nnginx 错误日志：[emerg] x"};
    EXPECT_EQ(statusLine(stopped),
              "网页服务器意外停止，共享已停止\n网页服务器没有在端口 8080 上启动。　nginx 错误日志：[emerg] x");
    EXPECT_EQ(statusDetails(stopped), "网页服务器意外停止，共享已停止\n" + stopped.server.reason);
    EXPECT_EQ(trayTip(stopped), "VomraHTTP服务\n已停止（网页服务器意外停止）");
    stopped.server.reason.clear();
    EXPECT_EQ(statusLine(stopped), "网页服务器意外停止，共享已停止");
}

TEST(ShareStatusTest, StillsAreCountedWhileMadeAndTotalledAfter) {
    EXPECT_EQ(statusLine(sharing(ThumbnailProgress{5, 2, 0})), "共享中（端口 8080）　视频截图：2 / 5");
    EXPECT_EQ(statusLine(sharing(ThumbnailProgress{5, 3, 1})), "共享中（端口 8080）　视频截图：3 / 5，失败 1 个");
    EXPECT_EQ(statusLine(sharing(ThumbnailProgress{5, 5, 0})), "共享中（端口 8080）　视频截图完成，共 5 个");
    EXPECT_EQ(statusLine(sharing(ThumbnailProgress{5, 5, 2})), "共享中（端口 8080）　视频截图完成，共 5 个，失败 2 个");
    EXPECT_EQ(statusLine(sharing(ThumbnailProgress{0, 0, 0})), "共享中（端口 8080）　视频截图完成，共 0 个");
    EXPECT_EQ(trayTip(sharing(ThumbnailProgress{5, 2, 0})), "VomraHTTP服务\n共享中（端口 8080）　视频截图：2 / 5");
}

// The tooltip names each video that got no still and why, the Start's
// warning first.
TEST(ShareStatusTest, TheDetailsNameEveryFailedStillWithItsReason) {
    ShareStatus status = sharing(ThumbnailProgress{3, 3, 2});
    status.startWarning = "以下文件夹无法读取：\n/a/私密";
    status.stillFailures = {{platform::pathFromUtf8("/v/坏.mp4"), "文件已损坏"}, {"/v/b.mkv", "no picture"}};
    EXPECT_EQ(statusDetails(status),
              "以下文件夹无法读取：\n/a/私密\n没有截图的视频：\n/v/坏.mp4：文件已损坏\n/v/b.mkv：no picture");
}

}  // namespace
