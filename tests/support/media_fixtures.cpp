#include "media_fixtures.h"

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <unistd.h>

#include "test_support.h"

namespace nuko::test {
namespace {

void Be32(std::string& out, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<char>((v >> s) & 0xFF));
}
void Le32(std::string& out, std::uint32_t v) {
    for (int s = 0; s < 32; s += 8) out.push_back(static_cast<char>((v >> s) & 0xFF));
}
void Le16(std::string& out, std::uint16_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

std::string Tone(std::size_t frames, int rate, int channels, double frequency) {
    std::string pcm;
    pcm.reserve(frames * static_cast<std::size_t>(channels) * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        double v = std::sin(2 * M_PI * frequency * static_cast<double>(i) / rate) * 12000;
        auto s = static_cast<std::int16_t>(v);
        for (int c = 0; c < channels; ++c) Le16(pcm, static_cast<std::uint16_t>(s));
    }
    return pcm;
}

}  // namespace

std::string VarLen(std::uint32_t v) {
    std::string out;
    char buf[5];
    int n = 0;
    buf[n++] = static_cast<char>(v & 0x7F);
    while (v >>= 7) buf[n++] = static_cast<char>(0x80 | (v & 0x7F));
    while (n) out.push_back(buf[--n]);
    return out;
}

SmfWriter& SmfWriter::Track() {
    tracks_.emplace_back();
    return *this;
}

SmfWriter& SmfWriter::Raw(std::uint32_t delta, std::string_view bytes) {
    if (tracks_.empty()) Track();
    tracks_.back().body += VarLen(delta);
    tracks_.back().body += bytes;
    return *this;
}

SmfWriter& SmfWriter::Tempo(std::uint32_t delta, std::uint32_t us) {
    std::string e("\xFF\x51\x03", 3);
    e.push_back(static_cast<char>((us >> 16) & 0xFF));
    e.push_back(static_cast<char>((us >> 8) & 0xFF));
    e.push_back(static_cast<char>(us & 0xFF));
    return Raw(delta, e);
}

SmfWriter& SmfWriter::Note(std::uint32_t delta, int key, std::uint32_t length, int channel) {
    std::string on{static_cast<char>(0x90 | channel), static_cast<char>(key), 100};
    std::string off{static_cast<char>(0x80 | channel), static_cast<char>(key), 64};
    Raw(delta, on);
    return Raw(length, off);
}

SmfWriter& SmfWriter::EndAfter(std::uint32_t delta) {
    if (tracks_.empty()) Track();
    tracks_.back().end_delta = delta;
    return *this;
}

std::string SmfWriter::Bytes() const {
    std::string out = "MThd";
    Be32(out, 6);
    out.push_back(0);
    out.push_back(static_cast<char>(format_));
    out.push_back(static_cast<char>(tracks_.size() >> 8));
    out.push_back(static_cast<char>(tracks_.size() & 0xFF));
    out.push_back(static_cast<char>((division_ >> 8) & 0xFF));
    out.push_back(static_cast<char>(division_ & 0xFF));
    for (const auto& t : tracks_) {
        std::string body = t.body + VarLen(t.end_delta) + std::string("\xFF\x2F\x00", 3);
        out += "MTrk";
        Be32(out, static_cast<std::uint32_t>(body.size()));
        out += body;
    }
    return out;
}

std::string MakeWav(double seconds, int rate, int channels, double frequency) {
    auto frames = static_cast<std::size_t>(std::llround(seconds * rate));
    std::string pcm = Tone(frames, rate, channels, frequency);
    std::string out = "RIFF";
    Le32(out, static_cast<std::uint32_t>(36 + pcm.size()));
    out += "WAVEfmt ";
    Le32(out, 16);
    Le16(out, 1);
    Le16(out, static_cast<std::uint16_t>(channels));
    Le32(out, static_cast<std::uint32_t>(rate));
    Le32(out, static_cast<std::uint32_t>(rate * channels * 2));
    Le16(out, static_cast<std::uint16_t>(channels * 2));
    Le16(out, 16);
    out += "data";
    Le32(out, static_cast<std::uint32_t>(pcm.size()));
    out += pcm;
    return out;
}

std::string WriteCdImage(const std::string& folder, const std::string& name, const std::vector<int>& track_frames) {
    std::string bin;
    std::ostringstream cue;
    cue << "FILE \"" << name << ".bin\" BINARY\r\n";
    int start = 0;
    for (std::size_t i = 0; i < track_frames.size(); ++i) {
        char index[32];
        std::snprintf(index, sizeof index, "%02d:%02d:%02d", start / 75 / 60, start / 75 % 60, start % 75);
        char track[128];
        std::snprintf(track, sizeof track, "  TRACK %02zu AUDIO\r\n    INDEX 01 %s\r\n", i + 1, index);
        cue << track;
        bin += Tone(static_cast<std::size_t>(track_frames[i]) * 588, 44100, 2, 330.0 * static_cast<double>(i + 1));
        start += track_frames[i];
    }
    WriteBytes(folder + name + ".bin", bin);
    WriteBytes(folder + name + ".cue", cue.str());
    return folder + name + ".cue";
}

std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':'))
        if (!dir.empty() && ::access((dir + "/" + name).c_str(), X_OK) == 0) return dir + "/" + name;
    return {};
}

bool MakeMovie(const std::string& path, double seconds, int fps) {
    std::string ffmpeg = FindProgram("ffmpeg");
    if (ffmpeg.empty()) return false;
    std::string d = std::to_string(seconds);
    std::string out;
    return RunProgram({ffmpeg, "-v", "error", "-y", "-f", "lavfi", "-i",
                       "testsrc=duration=" + d + ":size=160x120:rate=" + std::to_string(fps), "-f", "lavfi", "-i",
                       "sine=frequency=440:duration=" + d, "-c:v", "mjpeg", "-c:a", "pcm_s16le", path},
                      &out) == 0;
}

}  // namespace nuko::test
