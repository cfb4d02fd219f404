#pragma once
// What the TV page calls a sound track or a subtitle: a short Chinese name
// from its language tag, as containers (ISO 639) and subtitle file names
// ("片名.chs.srt") spell it.
#include <string>
#include <string_view>
#include <vector>

#include "playback/stream_facts.h"

enum class TrackKind { sound, subtitle };

// "国语" or "中文" for "chi", "英语" or "英文" for "eng", ...; empty for a
// tag it does not know. Case and a region ("zh-CN", "en_US") are taken into account.
std::string languageLabel(std::string_view tag, TrackKind kind);

// Labels repeated on one video get their number: "英文", "英文 2".
void numberRepeats(std::vector<std::string>& labels);

// The labels of a video's sound tracks or text subtitle streams: from the
// language tag, else the track's title, else "音轨 N" or "字幕 N".
std::vector<std::string> trackLabels(const std::vector<TrackFacts>& tracks, TrackKind kind);
