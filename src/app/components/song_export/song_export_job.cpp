#include "app/components/song_export/song_export_job.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/controller_settings.h"
#include "nuko/fileio.h"
#include "nuko/media_title.h"
#include "nuko/paths.h"
#include "nuko/text.h"
#include "playback/backend_module.h"

namespace nuko::app {

namespace {

constexpr std::size_t kMaxNameBytes = 200;
// Meta event type of a song's copyright notice.
constexpr std::uint8_t kMetaCopyright = 0x02;

bool Exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

std::string Trimmed(std::string_view s) { return std::string(text::TrimBlanks(s)); }

// The song's copyright notice, decoded as its other texts are.
std::string CopyrightText(const std::string& path, media::SmfEncoding forced) {
    // A song's texts sit in its first megabytes; an RCP file gives none.
    const std::optional<std::string> bytes = fileio::ReadFile(path, 8u << 20);
    if (!bytes) return {};
    const media::SmfTexts texts = media::ReadSmfTexts(*bytes);
    const media::SmfEncoding encoding = media::SongEncoding(texts, forced);
    for (const media::SmfText& t : texts.texts) {
        if (t.type != kMetaCopyright) continue;
        std::string text = Trimmed(media::DecodeSmfText(t.bytes, encoding));
        if (!text.empty()) return text;
    }
    return {};
}

}  // namespace

RendererFactory FluidSynthRenderers(const std::string& program_folder, const settings::Settings& s) {
    std::string error;
    const playback::BackendModule* module =
        playback::LoadBackendModule(program_folder, playback::kFluidSynthModuleFile, &error);
    if (!module || !module->make_midi_renderer) {
        const std::string why = "内蔵ｼﾝｾｻｲｻﾞｰを読み込めません: " + error;
        return [why](std::string* out) {
            if (out) *out = why;
            return std::unique_ptr<playback::MidiRenderer>();
        };
    }
    return [module, request = MidiRenderRequestFrom(s, program_folder)](std::string* out) {
        auto r = module->make_midi_renderer(request);
        if (!r && out) *out = "内蔵ｼﾝｾｻｲｻﾞｰを用意できません";
        return r;
    };
}

ExportOptions ExportOptionsFrom(const settings::Settings& s, const std::string& folder, level::AudioFormat format) {
    ExportOptions o;
    o.folder = folder;
    o.format = format;
    o.normalise = s.level.midi != 0;
    o.target_lufs = std::clamp(s.level.target, -40, -6);
    o.encoding = media::SmfEncodingFromSetting(s.word.lyrics_encoding);
    o.collapse_blanks = s.main.spc_cut != 0;
    o.accept_hidden = s.main.hidden_file != 0;
    return o;
}

SongTags ReadSongTags(const std::string& path, const ExportOptions& options) {
    SongTags tags;
    media::TitleOptions o;
    o.accept_hidden = options.accept_hidden;
    o.smf_encoding = options.encoding;
    const media::MediaTitle t = media::ReadMediaTitle(path, o);
    if (t.from_contents) tags.title = Trimmed(options.collapse_blanks ? t.title2 : t.title);
    if (tags.title.empty()) tags.title = std::string(path::Stem(path::FileName(path)));
    tags.artist = CopyrightText(path, options.encoding);
    return tags;
}

std::string ExportFileName(const std::string& title) {
    std::string name;
    name.reserve(title.size());
    for (char c : title) {
        const auto u = static_cast<unsigned char>(c);
        name += (c == '/' || u < 0x20 || u == 0x7F) ? '_' : c;
    }
    name = Trimmed(name);
    name = std::string(text::Utf8Cut(name, kMaxNameBytes));
    name = Trimmed(name);
    if (name.find_first_not_of('.') == std::string::npos) name = "_";
    return name;
}

std::string UniqueExportPath(const std::string& folder, const std::string& name, const std::string& ext) {
    const std::string base = path::WithTrailingSlash(folder) + name;
    std::string candidate = base + "." + ext;
    for (int n = 2; Exists(candidate); ++n) candidate = base + " (" + std::to_string(n) + ")." + ext;
    return candidate;
}

int ExportReport::failed() const {
    return static_cast<int>(std::count_if(items.begin(), items.end(), [](const ExportItemResult& r) { return !r.ok; }));
}

// What the worker's posted calls reach: only ever touched on the owner
// thread, and let go when the job goes.
struct SongExportJob::Channel {
    Events events;
    bool alive = true;
};

namespace {

// One run of the job on the worker thread. It owns what it works on and
// talks to the owner only through posted calls.
class ExportRun {
public:
    using Post = std::function<void(std::function<void()>)>;

    ExportRun(std::vector<ExportSong> songs, ExportOptions options, RendererFactory renderers,
              std::shared_ptr<std::atomic<bool>> cancel, std::function<void(const ExportProgress&)> progress)
        : songs_(std::move(songs)),
          options_(std::move(options)),
          renderers_(std::move(renderers)),
          cancel_(std::move(cancel)),
          progress_(std::move(progress)) {}

    ExportReport Run() {
        ExportReport report;
        std::error_code ec;
        std::filesystem::create_directories(options_.folder, ec);
        if (!std::filesystem::is_directory(options_.folder)) {
            report.stopped = "書き出し先のﾌｫﾙﾀﾞを作れません: " + options_.folder +
                             (ec ? " (" + ec.message() + ")" : std::string());
            return report;
        }
        const int count = static_cast<int>(songs_.size());
        for (int i = 0; i < count && !cancelled(); ++i) {
            ExportItemResult item = One(i, &report);
            if (cancelled() && !item.ok) {
                report.cancelled = true;
                break;
            }
            report.items.push_back(std::move(item));
            if (!report.stopped.empty()) break;
        }
        if (cancelled()) report.cancelled = true;
        return report;
    }

private:
    bool cancelled() const { return cancel_->load(); }

    void Tell(int index, const std::string& name, double item_share, bool force) {
        const double share = std::clamp((index + std::clamp(item_share, 0.0, 1.0)) / static_cast<double>(songs_.size()), 0.0, 1.0);
        // Enough steps for a bar; not a posted call per block.
        if (!force && share - last_share_ < 0.002) return;
        last_share_ = share;
        progress_(ExportProgress{index, static_cast<int>(songs_.size()), name, share});
    }

    // One renderer for the whole job, so the fonts load once; it starts
    // each song as a fresh synthesizer would.
    playback::MidiRenderer* OpenSong(const std::string& path, std::string* error) {
        if (!renderer_) renderer_ = renderers_(error);
        if (!renderer_ || !renderer_->Open(path, error)) return nullptr;
        return renderer_.get();
    }

    ExportItemResult One(int index, ExportReport* report) {
        const ExportSong& song = songs_[static_cast<std::size_t>(index)];
        ExportItemResult item;
        item.source = song.path;
        SongTags tags = ReadSongTags(song.path, options_);
        if (!song.title.empty()) tags.title = song.title;
        item.name = tags.title;
        Tell(index, item.name, 0.0, true);

        std::string error;
        playback::MidiRenderer* renderer = OpenSong(song.path, &error);
        if (!renderer) {
            item.error = error.empty() ? "開けません: " + song.path : error;
            return item;
        }
        const double total = std::max<double>(1.0, static_cast<double>(renderer->LengthMs()) *
                                                       playback::MidiRenderer::kSampleRate / 1000.0);
        level::WriteRequest request;
        request.path = UniqueExportPath(options_.folder, ExportFileName(tags.title), level::AudioFormatExtension(options_.format));
        request.format = options_.format;
        request.tags = {tags.title, tags.artist};
        request.sample_rate = playback::MidiRenderer::kSampleRate;
        request.cancel = cancel_.get();
        // A normalised write counts each frame twice: measured, then written.
        const double passes = options_.normalise ? 2.0 : 1.0;
        request.progress = [&](std::uint64_t frames) {
            Tell(index, item.name, static_cast<double>(frames) / (passes * total), false);
        };
        const level::AudioSource source = [&](float* out, std::size_t n) { return renderer->Render(out, n); };
        const level::WriteResult written = options_.normalise
                                               ? level::WriteNormalisedAudioFile(request, source, options_.target_lufs)
                                               : level::WriteAudioFile(request, source);
        if (written.ok) {
            item.ok = true;
            item.file = request.path;
            Tell(index, item.name, 1.0, true);
        } else if (!written.cancelled) {
            // The song played; what failed is the folder or the disk, and
            // the next song would fare no better.
            item.error = written.error;
            report->stopped = "書き込めないため、残りの曲の書き出しを中止しました.";
        }
        return item;
    }

    std::vector<ExportSong> songs_;
    ExportOptions options_;
    RendererFactory renderers_;
    std::unique_ptr<playback::MidiRenderer> renderer_;
    std::shared_ptr<std::atomic<bool>> cancel_;
    std::function<void(const ExportProgress&)> progress_;
    double last_share_ = -1.0;
};

}  // namespace

SongExportJob::SongExportJob(Dispatcher& dispatcher, RendererFactory renderers, Events events)
    : dispatcher_(dispatcher), renderers_(std::move(renderers)), channel_(std::make_shared<Channel>()) {
    channel_->events = std::move(events);
}

SongExportJob::~SongExportJob() {
    channel_->alive = false;
    if (cancel_) cancel_->store(true);
    if (worker_.joinable()) worker_.join();
}

bool SongExportJob::Start(std::vector<ExportSong> songs, ExportOptions options) {
    if (running_) return false;
    if (worker_.joinable()) worker_.join();  // the last one has ended: its end was delivered
    running_ = true;
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    Dispatcher* dispatcher = &dispatcher_;
    std::shared_ptr<Channel> channel = channel_;
    auto progress = [dispatcher, channel](const ExportProgress& p) {
        dispatcher->Post([channel, p] {
            if (channel->alive && channel->events.progress) channel->events.progress(p);
        });
    };
    auto run = std::make_shared<ExportRun>(std::move(songs), std::move(options), renderers_, cancel_, std::move(progress));
    worker_ = std::thread([this, dispatcher, channel, run] {
        ExportReport report = run->Run();
        dispatcher->Post([this, channel, report = std::move(report)] {
            if (!channel->alive) return;
            running_ = false;
            if (channel->events.ended) channel->events.ended(report);
        });
    });
    return true;
}

void SongExportJob::Cancel() {
    if (cancel_) cancel_->store(true);
}

}  // namespace nuko::app
