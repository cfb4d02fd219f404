#include "config/install_paths.h"

#include <filesystem>

#include "config/text_conversion.h"
#include "platform/paths.h"

namespace {

// `base` followed by each element, every one with a separator before it.
std::wstring appendElements(std::wstring base, std::initializer_list<const wchar_t*> elements) {
    for (const wchar_t* element : elements) {
        base += platform::kPathSeparator;
        base += element;
    }
    return base;
}

}  // namespace

std::wstring programDirectory() {
    return parentDirectory(platform::executablePath());
}

// Through UTF-8, which the path library reads the same way on every platform
// (a wide string would go through the locale on POSIX).
std::wstring parentDirectory(const std::wstring& filePath) {
    const std::string file = toUtf8(filePath);
    const std::u8string parent =
        std::filesystem::path(std::u8string(file.begin(), file.end())).parent_path().u8string();
    return fromUtf8(std::string(parent.begin(), parent.end()));
}

std::wstring serverDirectory(const std::wstring& programDir) {
    return appendElements(programDir, {L"vomrixserver", L"server"});
}

void deriveSettingsPath(ShareService& service, const std::wstring& programDir) {
    service.settingsPath = appendElements(programDir, {L"vomra.data"});
}

void deriveInstallationPaths(ShareService& service, const std::wstring& programDir) {
    const std::wstring server = serverDirectory(programDir);
    service.configTemplatePath = toUtf8(appendElements(server, {L"conf", L"nginx.confbak"}));
    service.configPath = toUtf8(appendElements(server, {L"conf", L"nginx.conf"}));
    service.serverExePath = appendElements(server, {platform::kServerProgramName});
    deriveThumbnailRoot(service);
    service.htpasswdExePath = toUtf8(appendElements(server, {platform::kHtpasswdProgramName}));
    service.passwordFilePath = toUtf8(appendElements(server, {L".htpasswd"}));
}

void deriveThumbnailRoot(ShareService& service) {
    service.thumbnailRoot = appendElements(fromUtf8(service.settings.sharedFolder), {L"VTemp"});
}

void setSharedFolder(ShareService& service, const std::string& folderUtf8) {
    service.settings.sharedFolder = folderUtf8;
    deriveThumbnailRoot(service);
}
