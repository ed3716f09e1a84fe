// Exporting MIDI and RCP songs to audio files: each song rendered offline
// with the playback settings (loops as they play), written into one folder
// under its title, tagged with its title and artist, at the normalised level
// when that is on. The songs go one after the other on a worker thread; the
// progress and the end come back through the dispatcher. Plain C++.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "level/audio_writer.h"
#include "nuko/dispatch.h"
#include "nuko/smf_text.h"
#include "playback/midi_renderer.h"
#include "settings/settings.h"

namespace nuko::app {

// Makes a fresh renderer with the synthesizer's settings; null with the
// reason (Japanese) when it cannot. Called on the worker thread.
using RendererFactory = std::function<std::unique_ptr<playback::MidiRenderer>(std::string* error)>;

// The renderers of the FluidSynth module in `program_folder` with the MIDI
// page's settings of `s` (the RCP converter beside it). The module is
// loaded now; when it does not load, a factory that says why.
RendererFactory FluidSynthRenderers(const std::string& program_folder, const settings::Settings& s);

struct ExportSong {
    std::string path;
    std::string title;  // a catalog's title; empty: read from the file
};

struct ExportOptions {
    std::string folder;
    level::AudioFormat format = level::AudioFormat::Flac;
    bool normalise = false;
    double target_lufs = level::kDefaultTargetLufs;
    // How the player reads a song's title.
    media::SmfEncoding encoding = media::SmfEncoding::Auto;
    bool collapse_blanks = false;  // Main/SpcCut
    bool accept_hidden = false;
};
// The options from the settings (Level, the title options) for `folder`
// and the format.
ExportOptions ExportOptionsFrom(const settings::Settings& s, const std::string& folder, level::AudioFormat format);

// A song's title and artist as the player reads them: the title as the list
// shows it (else the file's name without its extension), the artist from
// the song's copyright text, if any.
struct SongTags {
    std::string title;
    std::string artist;
};
SongTags ReadSongTags(const std::string& path, const ExportOptions& options);

// `title` as a file name: "/", NUL and control characters replaced by "_",
// blanks at the ends dropped, at most 200 bytes (a whole character cut), "_"
// for a name that is empty or only dots.
std::string ExportFileName(const std::string& title);
// `folder`/`name`.`ext`, or "`name` (2).`ext`", "(3)", ... : the first that
// is not there.
std::string UniqueExportPath(const std::string& folder, const std::string& name, const std::string& ext);

struct ExportProgress {
    int index = 0;  // 0-based, of `count`
    int count = 0;
    std::string name;     // the song's title
    double share = 0.0;   // of the whole job, 0..1
};

struct ExportItemResult {
    std::string source;
    std::string name;  // the title
    std::string file;  // the file written; empty when none
    bool ok = false;
    std::string error;  // Japanese
};

struct ExportReport {
    std::vector<ExportItemResult> items;  // the songs that were tried, in order
    bool cancelled = false;
    // Why the songs after the last one were not tried (a folder that cannot
    // be written, a disk that filled); empty otherwise.
    std::string stopped;

    int failed() const;
};

class SongExportJob {
public:
    struct Events {
        std::function<void(const ExportProgress&)> progress;
        std::function<void(const ExportReport&)> ended;
    };

    SongExportJob(Dispatcher& dispatcher, RendererFactory renderers, Events events);
    // Cancels a job under way and waits for it; nothing it still posts runs.
    ~SongExportJob();
    SongExportJob(const SongExportJob&) = delete;
    SongExportJob& operator=(const SongExportJob&) = delete;

    // False when a job runs already.
    bool Start(std::vector<ExportSong> songs, ExportOptions options);
    // Stops the song being written (its file is removed) and the rest.
    void Cancel();
    // From Start until `ended` was delivered.
    bool running() const { return running_; }

private:
    struct Channel;

    Dispatcher& dispatcher_;
    RendererFactory renderers_;
    std::shared_ptr<Channel> channel_;
    std::shared_ptr<std::atomic<bool>> cancel_;
    std::thread worker_;
    bool running_ = false;
};

}  // namespace nuko::app
