#include "playback/track_labels.h"

#include <algorithm>
#include <map>

#include "playback/ascii_case.h"

namespace {

struct Language {
    std::vector<std::string_view> tags;
    const char* subtitle;
    const char* sound;
};

// Simplified and traditional writing differ in subtitles, not in speech.
const std::vector<Language>& languages() {
    static const std::vector<Language> table{
        {{"chs", "sc", "zhs", "gb", "zh-cn", "zh-hans", "zh-sg", "hans"}, "简体", "国语"},
        {{"cht", "tc", "zht", "big5", "zh-tw", "zh-hk", "zh-hant", "hant"}, "繁体", "国语"},
        {{"chi", "zho", "zh", "chn", "cn", "chinese"}, "中文", "国语"},
        {{"cmn", "mandarin"}, "中文", "国语"},
        {{"yue", "cantonese", "zh-yue"}, "粤语", "粤语"},
        {{"eng", "en", "english"}, "英文", "英语"},
        {{"jpn", "ja", "jp", "japanese"}, "日文", "日语"},
        {{"kor", "ko", "kr", "korean"}, "韩文", "韩语"},
        {{"fre", "fra", "fr", "french"}, "法文", "法语"},
        {{"ger", "deu", "de", "german"}, "德文", "德语"},
        {{"spa", "es", "spanish"}, "西班牙文", "西班牙语"},
        {{"rus", "ru", "russian"}, "俄文", "俄语"},
        {{"ita", "it", "italian"}, "意大利文", "意大利语"},
        {{"por", "pt", "portuguese"}, "葡萄牙文", "葡萄牙语"},
        {{"tha", "th", "thai"}, "泰文", "泰语"},
        {{"vie", "vi", "vietnamese"}, "越南文", "越南语"},
    };
    return table;
}

const Language* find(const std::string& tag) {
    for (const Language& language : languages())
        if (std::find(language.tags.begin(), language.tags.end(), tag) != language.tags.end()) return &language;
    return nullptr;
}

}  // namespace

std::string languageLabel(std::string_view tag, TrackKind kind) {
    std::string spelt = asciiLowerCase(std::string(tag));
    std::replace(spelt.begin(), spelt.end(), '_', '-');
    const Language* language = find(spelt);
    // "en-US" is English wherever it is spoken; "zh-TW" was found whole above.
    if (!language && spelt.find('-') != std::string::npos) language = find(spelt.substr(0, spelt.find('-')));
    if (!language) return {};
    return kind == TrackKind::sound ? language->sound : language->subtitle;
}

void numberRepeats(std::vector<std::string>& labels) {
    std::map<std::string, int> seen;
    for (std::string& label : labels) {
        const int times = ++seen[label];
        if (times > 1) label += " " + std::to_string(times);
    }
}

std::vector<std::string> trackLabels(const std::vector<TrackFacts>& tracks, TrackKind kind) {
    std::vector<std::string> labels;
    for (const TrackFacts& track : tracks) {
        std::string label = languageLabel(track.language, kind);
        if (label.empty()) label = track.title;
        if (label.empty()) label = (kind == TrackKind::sound ? "音轨 " : "字幕 ") + std::to_string(labels.size() + 1);
        labels.push_back(std::move(label));
    }
    return labels;
}
