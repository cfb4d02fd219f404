#include "config/settings_file.h"

#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <system_error>

#include "platform/paths.h"
#include "platform/private_file.h"
#include "platform/regular_file.h"

namespace {

using nlohmann::json;

// The value up to its first NUL: a "\u0000" in the file ends the text there.
std::string readString(const json& object, const char* key) {
    return std::string(object.at(key).get<std::string>().c_str());
}

// Numbers lose their fractional part toward zero and booleans give 1 and 0,
// as the JSON library converts. A number outside the 32-bit range is refused
// instead of being wrapped (or, for a fraction, converted with undefined
// behaviour) into some unrelated value.
std::int32_t readInt32(const json& object, const char* key) {
    const json& value = object.at(key);
    constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    bool fits = true;
    if (value.is_number_float()) {
        const double number = value.get<double>();
        fits = number > double(kMin) - 1.0 && number < double(kMax) + 1.0;
    } else if (value.is_number_unsigned()) {
        fits = value.get<std::uint64_t>() <= std::uint64_t(kMax);
    } else if (value.is_number_integer()) {
        const auto number = value.get<std::int64_t>();
        fits = number >= kMin && number <= kMax;
    }
    if (!fits) {
        throw json::out_of_range::create(
            406, std::string("number out of range for a 32-bit integer: '") + key + "' is " + value.dump(), &value);
    }
    return value.get<std::int32_t>();  // raises type_error 302 unless a number or a boolean
}

// The settings file's bytes; empty when there is no such file, which the
// parser reports as for an empty file. Only a regular file is read: a FIFO of
// that name would keep start-up waiting for a writer, and a device might
// never end.
std::string readSettingsText(const std::filesystem::path& path) {
    const auto reader = platform::RegularFileReader::open(path);
    if (!reader) {
        std::error_code error;
        const auto type = std::filesystem::status(path, error).type();
        if (type == std::filesystem::file_type::not_found) return "";
        if (type != std::filesystem::file_type::regular)
            throw std::runtime_error("设置文件不是普通文件（而是文件夹、管道或设备），没有读取。");
        throw std::runtime_error("设置文件无法打开。");
    }
    auto text = platform::readWholeFile(*reader);
    if (!text) throw std::runtime_error("读取设置文件时出错。");
    return std::move(*text);
}

// "无法把设置保存到 <path>：<what>（<why>）", for the user.
SaveResult saveFailure(const std::filesystem::path& file, const std::string& what, const std::string& why) {
    std::string message = "无法把设置保存到 " + platform::utf8FromPath(file) + "：" + what;
    if (!why.empty()) message += "（" + why + "）";
    return {false, message};
}

}  // namespace

std::string settingsToJson(const ShareSettings& s) {
    json object;
    object["DF"] = s.sharedFolder;
    object["name"] = s.shareName;
    object["user"] = s.userName;
    object["pass"] = s.password;
    object["port"] = std::int64_t{s.port};
    object["m"] = std::int64_t{s.screenshotSeconds};
    return object.dump(4, ' ', false, json::error_handler_t::strict);
}

void applySettingsJson(ShareSettings& s, const std::string& text) {
    const auto object = json::parse(text.begin(), text.end(), nullptr, true, false);
    s.sharedFolder = readString(object, "DF");
    s.shareName = readString(object, "name");
    s.userName = readString(object, "user");
    s.password = readString(object, "pass");
    s.port = readInt32(object, "port");
    s.screenshotSeconds = readInt32(object, "m");
}

// The new text goes to "<settings>.tmp" first and replaces the settings file
// only once it is completely written, so a failure at any step leaves the old
// file as it was. The temporary file is removed whenever the save fails.
SaveResult saveSettings(const ShareSettings& settings, const std::filesystem::path& target) {
    std::string text;
    try {
        text = settingsToJson(settings);
    } catch (const json::exception& error) {
        return saveFailure(target, "设置中有无效的文字", error.what());
    }

    const auto failure = platform::replaceWithPrivateFile(target, text, platform::LineBreaks::system);
    if (!failure) return {};
    using Step = platform::PrivateReplaceFailure::Step;
    if (failure->step == Step::create) return saveFailure(target, "无法创建临时文件", failure->error.message());
    if (failure->step == Step::replace) return saveFailure(target, "无法替换原有的设置文件", failure->error.message());
    return saveFailure(target, "写入失败", "");
}

void loadSettings(ShareSettings& settings, const std::filesystem::path& file) {
    applySettingsJson(settings, readSettingsText(file));
}
