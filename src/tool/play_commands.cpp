// nu_kotool subcommands of the media device layer: play one item, and the
// start-up probe.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "playback/backend_factory.h"
#include "core/controller_settings.h"
#include "cd/disc_toc.h"
#include "playback/media_device.h"
#include "playback/media_errors.h"
#include "library/archive_file.h"
#include "library/media_kinds.h"
#include "nuko/dispatch.h"
#include "nuko/files.h"
#include "nuko/paths.h"
#include "play_args.h"
#include "scratch_folder.h"
#include "settings/settings_store.h"
#include "core/startup.h"
#include "tool_commands.h"

namespace nuko::tool {
namespace {

using playback::MediaDevice;
using playback::MediaKind;

// Longer than any item plays; the time unit's hundredths still fit an int.
constexpr double kMaxSeconds = 1e7;

struct PlayArgs {
    std::string file;
    std::optional<MediaKind> kind;
    int track = 0;
    double from = -1;
    double length = -1;
    bool fast = false;
};

int PlayUsage() {
    std::fprintf(stderr,
                 "usage: nu_kotool play FILE [--kind midi|cd|movie|sound] [--track N] [--from SECONDS] "
                 "[--for SECONDS] [--fast]\n");
    return 2;
}

std::optional<PlayArgs> ParsePlayArgs(const Args& args) {
    PlayArgs p;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool has_value = i + 1 < args.size();
        if (a == "--fast") {
            p.fast = true;
        } else if (a == "--kind" && has_value) {
            p.kind = ParseKindName(args[++i]);
            if (!p.kind) return std::nullopt;
        } else if (a == "--track" && has_value) {
            double t;
            if (!ParseNumber(args[++i], &t) || t < 1 || t > 99) return std::nullopt;
            p.track = static_cast<int>(t);
        } else if (a == "--from" && has_value) {
            if (!ParseNumber(args[++i], &p.from)) return std::nullopt;
        } else if (a == "--for" && has_value) {
            if (!ParseNumber(args[++i], &p.length)) return std::nullopt;
        } else if (a.rfind("--", 0) != 0 && p.file.empty()) {
            p.file = a;
        } else {
            return std::nullopt;
        }
    }
    if (p.file.empty()) return std::nullopt;
    return p;
}

// The kind a file plays as: a drive or disc image is a CD, a Windows Media
// file without video a sound, anything else by its extension.
std::optional<MediaKind> KindOfFile(const std::string& file) {
    if (cd::IsDiscImagePath(file) || file.rfind("/dev/", 0) == 0) return MediaKind::Cd;
    std::string ext = media::LoweredExtension(file);
    if (media::IsWindowsMediaExtension(ext) && files::WinMediaType(file) == 1) return MediaKind::Sound;
    int kind = media::KindOfExtension(ext);
    if (kind < 0) return std::nullopt;
    return static_cast<MediaKind>(kind);
}

}  // namespace

bool ParseNumber(const std::string& text, double* out) {
    char* end = nullptr;
    double v = std::strtod(text.c_str(), &end);
    // Not-a-number, infinities and sizes beyond any media time would
    // overflow the whole numbers they become.
    if (text.empty() || *end != '\0' || !std::isfinite(v) || v < 0 || v > kMaxSeconds) return false;
    *out = v;
    return true;
}

bool ParseWhole(const std::string& text, unsigned long max, unsigned long* out) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 10) return false;
    unsigned long long v = std::strtoull(text.c_str(), nullptr, 10);
    if (v > max) return false;
    *out = static_cast<unsigned long>(v);
    return true;
}

std::optional<MediaKind> ParseKindName(const std::string& name) {
    if (name == "midi") return MediaKind::Midi;
    if (name == "cd") return MediaKind::Cd;
    if (name == "movie") return MediaKind::Movie;
    if (name == "sound") return MediaKind::Sound;
    return std::nullopt;
}

int RunPlay(const Args& args) {
    auto p = ParsePlayArgs(args);
    if (!p) return PlayUsage();
    settings::Settings s = settings::SettingsStore(folders::SettingsFile()).ReadAll();
    // An archive plays its chosen member, extracted into a folder of this
    // run's own (a running player's work folder is left alone).
    std::optional<ScratchFolder> scratch;
    std::unique_ptr<media::CArchiveFile> archive;
    std::optional<MediaKind> kind = p->kind;
    if (media::LoweredExtension(p->file) == ".lzh") {
        scratch.emplace();
        media::ArchiveSettings as;
        as.work_folder = scratch->path();
        archive = std::make_unique<media::CArchiveFile>(as);
        int k = kind ? media::Code(*kind) : archive->KindOfArchive(p->file);
        std::string member = p->file;
        if (k < 0 || scratch->path().empty() || !archive->OpenForPlay(member, k, nullptr, true, s.main.rcp_preference != 0) ||
            member == p->file) {
            std::fprintf(stderr, "nu_kotool: nothing in \"%s\" plays\n", p->file.c_str());
            return 1;
        }
        kind = static_cast<MediaKind>(k);
        p->file = member;
    }
    if (!kind) kind = KindOfFile(p->file);
    if (!kind) {
        std::fprintf(stderr, "nu_kotool: no media kind plays \"%s\"\n", p->file.c_str());
        return 1;
    }
    CallQueue queue;
    playback::BackendSettings backend_settings;
    backend_settings.synth = app::MidiSynthOptionsFrom(s);
    backend_settings.fast = p->fast;
    playback::LinuxBackends backends(queue, backend_settings);

    playback::MediaDeviceConfig config = app::DeviceConfigFrom(s, app::ChooseWorkFolder(s.tool));
    int ended = 0;
    playback::MediaDeviceHooks hooks;
    hooks.notice = [&](MediaKind, int code) {
        if (code != playback::kNotifyOpened) ended = code;  // the open's end is read below
    };
    MediaDevice device(backends, config, hooks);

    int r = device.Open(*kind, p->file);
    // Movies and sound files load in the background; with no window to keep
    // alive the tool runs the queue until the load has ended.
    while (r == playback::mci::kPending) {
        queue.WaitAndRun(std::chrono::milliseconds(p->fast ? 2 : 20));
        if (!device.IsOpening(*kind)) r = device.OpenResult(*kind);
    }
    if (r != 0) {
        std::string text = r < 0 ? "no device plays this file" : device.ErrorText(*kind, r);
        std::fprintf(stderr, "nu_kotool: cannot open \"%s\": error %d: %s\n", p->file.c_str(), r, text.c_str());
        return 1;
    }
    int track = 0;
    if (*kind == MediaKind::Cd) {
        track = p->track ? p->track : 1;
        if (track > device.CdTrackCount()) {
            std::fprintf(stderr, "nu_kotool: the disc has %d tracks\n", device.CdTrackCount());
            return 1;
        }
    }
    std::uint32_t length = device.Length(*kind, track);
    bool seconds = device.TimeUnitSeconds();
    int per_second = seconds ? 1 : 100;
    std::printf("length: %u %s\n", length, seconds ? "s" : "cs");
    std::fflush(stdout);

    int to = 0;  // an end point before the item's end (other kinds than CD)
    // The first second printed is where the play starts, not where a fast
    // silent output already stands when it is first asked.
    long start = p->from > 0 ? static_cast<long>(p->from) : 0;
    if (*kind == MediaKind::Cd) {
        r = device.Play(MediaKind::Cd, track, device.CdTrackCount(), false, true, false);
        if (r == 0 && p->from >= 0) {
            r = device.Seek(MediaKind::Cd, static_cast<std::uint32_t>(p->from));
            if (r == 0) r = device.Resume(MediaKind::Cd, true);
        }
    } else {
        // The device's own end point stops a limited play exactly, however
        // fast the silent output runs.
        int from = static_cast<int>(std::max(0.0, p->from) * per_second);
        if (p->length >= 0) to = from + std::max(1, static_cast<int>(p->length * per_second));
        r = device.Play(*kind, from, to, false, true, false);
    }
    if (r != 0) {
        std::fprintf(stderr, "nu_kotool: cannot play: error %d: %s\n", r, device.ErrorText(*kind, r).c_str());
        std::printf("end: failure\n");
        return 1;
    }

    long printed = start - 1;  // the last media second printed
    auto report = [&](long second) {
        for (long sec = printed + 1; sec <= second; ++sec) std::printf("pos: %ld\n", sec * per_second);
        if (second > printed) printed = second;
        std::fflush(stdout);
    };
    bool stopped = false;
    while (!ended) {
        queue.WaitAndRun(std::chrono::milliseconds(p->fast ? 2 : 20));
        long second = static_cast<long>(device.Position(*kind)) / per_second;
        if (ended) break;
        report(second);
        if (*kind == MediaKind::Cd && p->length >= 0 && second - start >= static_cast<long>(p->length)) {
            device.Stop(*kind);
            stopped = true;
            break;
        }
    }
    bool cut_short = to > 0 && static_cast<std::uint32_t>(to) < length;
    if (ended == playback::kNotifySuccessful && !cut_short) {
        // A finished item has played to its length (a CD track's end is where
        // the next track begins, so its position already counts there).
        report(static_cast<long>(length) / per_second);
    } else if (ended) {
        report(static_cast<long>(device.Position(*kind)) / per_second);
        stopped = cut_short && ended == playback::kNotifySuccessful;
    }
    device.Close(*kind);
    const char* how = stopped ? "stopped" : ended == playback::kNotifySuccessful ? "success" : "failure";
    std::printf("end: %s\n", how);
    return stopped || ended == playback::kNotifySuccessful ? 0 : 1;
}

int RunProbe(const Args& args) {
    if (!args.empty()) {
        std::fprintf(stderr, "usage: nu_kotool probe\n");
        return 2;
    }
    settings::Settings s = settings::SettingsStore(folders::SettingsFile()).ReadAll();
    playback::PlatformFacts facts = playback::GatherPlatformFacts(app::MidiSynthOptionsFrom(s).sound_fonts, folders::ProgramFolder());
    playback::ProbeResult probe = playback::BuildProbe(facts, s.movie.active_movie != 0);
    std::printf("[playable]\n");
    for (const auto& line : probe.playable) std::printf("%s\n", line.c_str());
    std::printf("[driver needed]\n");
    for (const auto& line : probe.need_driver) std::printf("%s\n", line.c_str());
    std::printf("[tools]\n");
    for (const auto& line : probe.tools) std::printf("%s\n", line.c_str());
    return 0;
}

}  // namespace nuko::tool
