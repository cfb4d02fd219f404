#include <gtest/gtest.h>

#include <limits>

#include "config/settings_file.h"
#include "json_error.h"

namespace {

ShareSettings exampleSettings() {
    return {"D:\\Share", "movies", "guest", "", 8080, 5};
}

ShareSettings apply(const std::string& json) {
    ShareSettings settings;
    applySettingsJson(settings, json);
    return settings;
}

TEST(SettingsToJson, ExampleLayout) {
    EXPECT_EQ(settingsToJson(exampleSettings()),
              "{\n"
              "    \"DF\": \"D:\\\\Share\",\n"
              "    \"m\": 5,\n"
              "    \"name\": \"movies\",\n"
              "    \"pass\": \"\",\n"
              "    \"port\": 8080,\n"
              "    \"user\": \"guest\"\n"
              "}");
}

TEST(SettingsToJson, EscapesOnlyWhatJsonRequires) {
    ShareSettings settings = exampleSettings();
    settings.shareName = "电影 \"q\" \\ / \x7F \b\t\n\f\r \x01\x1F";
    const std::string json = settingsToJson(settings);
    EXPECT_NE(json.find("\"name\": \"电影 \\\"q\\\" \\\\ / \x7F \\b\\t\\n\\f\\r \\u0001\\u001f\""), std::string::npos)
        << json;
}

TEST(SettingsToJson, IntegerExtremes) {
    ShareSettings settings = exampleSettings();
    settings.port = std::numeric_limits<std::int32_t>::min();
    settings.screenshotSeconds = std::numeric_limits<std::int32_t>::max();
    const std::string json = settingsToJson(settings);
    EXPECT_NE(json.find("\"port\": -2147483648,"), std::string::npos) << json;
    EXPECT_NE(json.find("\"m\": 2147483647,"), std::string::npos) << json;
}

TEST(SettingsToJson, InvalidUtf8Raises316) {
    ShareSettings settings = exampleSettings();
    settings.password = "\xFF";
    expectJsonError<TypeError>([&] { settingsToJson(settings); }, 316);
}

TEST(ApplySettingsJson, RoundTripsWhatWasWritten) {
    ShareSettings written = exampleSettings();
    written = {"E:\\电影", "中文名", "用户", "p\"w\\d", -1, 12};
    const ShareSettings read = apply(settingsToJson(written));
    EXPECT_EQ(read.sharedFolder, "E:\\电影");
    EXPECT_EQ(read.shareName, "中文名");
    EXPECT_EQ(read.userName, "用户");
    EXPECT_EQ(read.password, "p\"w\\d");
    EXPECT_EQ(read.port, -1);
    EXPECT_EQ(read.screenshotSeconds, 12);
}

TEST(ApplySettingsJson, HandEditedFiles) {
    const std::string variants[] = {
        R"({"user":"guest","port":8080,"pass":"","name":"movies","m":5,"DF":"D:\\Share"})",
        "{\r\n  \"DF\" : \"D:\\\\Share\" ,\r\n\"m\":5,\"name\":\"movies\",\r\n\"pass\":\"\","
        "\"port\":8080,\"user\":\"guest\"}\r\n",
        "\xEF\xBB\xBF{\"DF\":\"D:\\\\Share\",\"m\":5,\"name\":\"movies\",\"pass\":\"\",\"port\":8080,"
        "\"user\":\"guest\",\"extra\":[1,{\"x\":null}],\"Port\":1}\n\t ",
    };
    for (const std::string& json : variants) {
        const ShareSettings s = apply(json);
        EXPECT_EQ(s.sharedFolder, "D:\\Share") << json;
        EXPECT_EQ(s.shareName, "movies");
        EXPECT_EQ(s.userName, "guest");
        EXPECT_EQ(s.password, "");
        EXPECT_EQ(s.port, 8080);
        EXPECT_EQ(s.screenshotSeconds, 5);
    }
}

TEST(ApplySettingsJson, StringCutAtFirstNul) {
    const ShareSettings s =
        apply(R"({"DF":"a\u0000b","name":"\u0000","user":"u","pass":"x\u0000\u0000y","port":1,"m":2})");
    EXPECT_EQ(s.sharedFolder, "a");
    EXPECT_EQ(s.shareName, "");
    EXPECT_EQ(s.password, "x");
}

std::string withPort(const std::string& port) {
    return R"({"DF":"d","name":"n","user":"u","pass":"p","m":7,"port":)" + port + "}";
}

TEST(ApplySettingsJson, NumbersAndBooleans) {
    EXPECT_EQ(apply(withPort("8080.9")).port, 8080);
    EXPECT_EQ(apply(withPort("-8080.9")).port, -8080);
    EXPECT_EQ(apply(withPort("8.0809e3")).port, 8080);
    EXPECT_EQ(apply(withPort("true")).port, 1);
    EXPECT_EQ(apply(withPort("false")).port, 0);
    EXPECT_EQ(apply(withPort("2147483647")).port, 2147483647);
    EXPECT_EQ(apply(withPort("-2147483648")).port, -2147483647 - 1);
    EXPECT_EQ(apply(withPort("2147483647.99")).port, 2147483647);
}

TEST(ApplySettingsJson, NumbersOutside32BitsAreRefused) {
    for (const char* port :
         {"2147483648", "-2147483649", "4294975376", "18446744073709551615", "1e20", "-1e20", "2147483648.0"}) {
        ShareSettings settings;
        expectJsonError<OutOfRange>([&] { applySettingsJson(settings, withPort(port)); }, 406, "'port'");
        EXPECT_EQ(settings.password, "p") << "fields before the port are assigned";
        EXPECT_EQ(settings.port, 0) << port;
    }
}

TEST(ApplySettingsJson, ParseErrors101) {
    for (const char* text :
         {"", "   ", "{", "{\"DF\":}", "{} x", "{}{}", "/* c */ {}", "{\"DF\":\"\xFF\"}", "\xEF\xBB", "nul"}) {
        expectJsonError<ParseError>([&] { apply(text); }, 101);
    }
}

TEST(ApplySettingsJson, TopLevelNotAnObject304) {
    expectJsonError<TypeError>([] { apply("[1,2]"); }, 304, "cannot use at() with array");
    expectJsonError<TypeError>([] { apply("\"DF\""); }, 304, "cannot use at() with string");
}

TEST(ApplySettingsJson, WrongMemberTypes302) {
    expectJsonError<TypeError>([] { apply(withPort("\"8080\"")); }, 302, "type must be number, but is string");
    expectJsonError<TypeError>([] { apply(withPort("null")); }, 302, "type must be number, but is null");
    expectJsonError<TypeError>([] { apply(R"({"DF":5,"name":"n","user":"u","pass":"p","m":7,"port":1})"); }, 302,
                               "type must be string, but is number");
    expectJsonError<TypeError>([] { apply(R"({"DF":["x"],"name":"n","user":"u","pass":"p","m":7,"port":1})"); }, 302,
                               "type must be string, but is array");
}

TEST(ApplySettingsJson, MissingKeyAssignsTheFieldsBeforeIt) {
    ShareSettings settings;
    settings = {"old", "old", "old", "old", 11, 22};
    expectJsonError<OutOfRange>(
        [&] {
            applySettingsJson(settings, R"({"DF":"D:\\Share","name":"movies","user":"guest","pass":"","port":8080})");
        },
        403, "key 'm' not found");
    EXPECT_EQ(settings.sharedFolder, "D:\\Share");
    EXPECT_EQ(settings.shareName, "movies");
    EXPECT_EQ(settings.userName, "guest");
    EXPECT_EQ(settings.password, "");
    EXPECT_EQ(settings.port, 8080);
    EXPECT_EQ(settings.screenshotSeconds, 22);
}

TEST(ApplySettingsJson, FailureInTheMiddleKeepsLaterFields) {
    ShareSettings settings;
    settings = {"old", "old", "old", "old", 11, 22};
    expectJsonError<TypeError>(
        [&] { applySettingsJson(settings, R"({"DF":"new","name":"new","user":1,"pass":"new","port":1,"m":2})"); }, 302);
    EXPECT_EQ(settings.sharedFolder, "new");
    EXPECT_EQ(settings.shareName, "new");
    EXPECT_EQ(settings.userName, "old");
    EXPECT_EQ(settings.password, "old");
    EXPECT_EQ(settings.port, 11);
}

}  // namespace
