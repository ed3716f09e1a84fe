#include "disc_id.h"

#include <algorithm>
#include <cstdio>

#include "nuko/prompt.h"
#include "nuko/string_ids.h"

namespace nuko::cd {
namespace {

std::string Format(const char* pattern, unsigned a, unsigned b, unsigned c) {
    char buf[64];
    int n = std::snprintf(buf, sizeof buf, pattern, a, b, c);
    return std::string(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
}

int CappedCount(int count) { return std::clamp(count, 0, kMaxTracks); }

}  // namespace

std::int64_t FramesOf(const Msf& t) {
    return (static_cast<std::int64_t>(t.minutes) * 60 + t.seconds) * kFramesPerSecond + t.frames;
}

std::int64_t MillisecondsOf(const Msf& t) { return FramesOf(t) * 1000 / kFramesPerSecond; }

std::string TrackKeyText(const Msf& t) { return Format("%02u:%02u:%02u", t.minutes, t.seconds, t.frames); }

std::string DiscLengthText(const Msf& t) { return Format("%02u%02u%02u", t.minutes, t.seconds, t.frames); }

int UsableTrackCount(int reported) {
    if (reported > 200 || reported < 0) return 0;
    return std::min(reported, kMaxTracks);
}

bool TrackCountOverLimit(int reported) { return reported > kMaxTracks && reported <= 200; }

void WarnTrackLimit(void* owner) {
    Ask(strings::kCdTrackLimit, {std::to_string(kMaxTracks)}, PromptButtons::Ok, PromptIcon::Warning, {}, owner);
}

std::string OlderDiscId(const DiscLengths& d) {
    char count[16];
    std::snprintf(count, sizeof count, "%03u", static_cast<unsigned>(CappedCount(d.track_count)));
    return count + DiscLengthText(d.disc);
}

std::string IdDigitsOfTrackKey(std::string_view key) {
    std::string out(key.substr(0, 2));
    std::size_t colon = key.find(':');
    if (colon != std::string_view::npos) out += key.substr(colon + 1, 2);
    return out;
}

std::string DiscId(const DiscLengths& d) {
    Msf first = d.tracks.empty() ? Msf{} : d.tracks.front();
    return OlderDiscId(d) + IdDigitsOfTrackKey(TrackKeyText(first));
}

std::vector<std::string> UniqueTrackKeys(const DiscLengths& d) {
    std::size_t n = std::min(static_cast<std::size_t>(CappedCount(d.track_count)), d.tracks.size());
    std::vector<std::string> keys;
    keys.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        std::string key = TrackKeyText(d.tracks[i]);
        // Each bump makes the key larger, so the scan ends.
        while (std::find(keys.begin(), keys.end(), key) != keys.end()) {
            unsigned last = static_cast<unsigned>(std::stoul(key.substr(key.size() - 2)));
            char digits[16];
            std::snprintf(digits, sizeof digits, "%02u", last + 1);
            key.replace(key.size() - 2, 2, digits);
        }
        keys.push_back(std::move(key));
    }
    return keys;
}

BcaNumbers BcaNumbersOf(const DiscLengths& d) {
    BcaNumbers b;
    std::uint32_t count = static_cast<std::uint32_t>(CappedCount(d.track_count));
    b.first = count * static_cast<std::uint32_t>(MillisecondsOf(d.disc));
    if (!d.tracks.empty()) b.increment = static_cast<std::uint32_t>(MillisecondsOf(d.tracks.front()));
    return b;
}

}  // namespace nuko::cd
