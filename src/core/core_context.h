// What the player's core is given: the settings and their store, the
// folders, the dispatcher, the clock and the time of day, and the outside
// services it may use. Tests give fakes; the player gives the real ones.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "library/archive_kind.h"
#include "playback/movie_window.h"
#include "playback/item_converters.h"

namespace nuko {
class Clock;
class Dispatcher;
}  // namespace nuko

namespace nuko::media {
class ArchiveUi;
}

namespace nuko::playback {
class BackendFactory;
class FileCopyView;
class RcpConversionView;
}  // namespace nuko::playback

namespace nuko::settings {
struct Settings;
class SettingsStore;
}  // namespace nuko::settings

namespace nuko::app {

struct CoreContext {
    settings::Settings* settings = nullptr;
    settings::SettingsStore* store = nullptr;
    std::string work_folder;
    std::string program_folder;
    Dispatcher* dispatcher = nullptr;
    const Clock* clock = nullptr;
    // Seconds of the local day (tests fix it); unset: the local clock.
    std::function<int()> time_of_day;
    // Back ends: real ones unless a test gives its own.
    playback::BackendFactory* backends = nullptr;
    // The movie frame the device opens a movie in, under the owner window
    // (SetOwnerWindow); unset: movies play without a picture window.
    playback::MovieWindowFactory movie_window;
    // Lists are read on a worker thread and fill in as their rows come (the
    // player's window); else in place, before the call returns.
    bool background_lists = false;
    // Copies to the work folder (FileCopy) run on a worker thread, the item
    // opening when the copy ends (the player's window); else in place.
    bool background_copies = false;
    // The progress window of such a copy (FileCopy/DlgView); unset: none.
    std::function<std::unique_ptr<playback::FileCopyView>()> copy_view;
    // The outside converters a MIDI item goes through before it plays.
    playback::ItemConverters converters;
    // The window an RCP conversion shows when "Tool\Rcpcv" "DlgView" is
    // on; unset: conversions run without one.
    std::function<std::unique_ptr<playback::RcpConversionView>()> rcp_view;
    // What an archive extraction shows (progress window, overwrite
    // question); unset: nothing, existing files are kept when asking is on.
    media::ArchiveUi* archive_ui = nullptr;
    // The archive kind question, when "Tool\Archive" "Drop" says to ask;
    // unset: the archive opens in the current kind.
    media::ArchiveKindQuestion ask_archive_kind;
    // Whether archives play; unset: whether liblhasa can be used.
    std::optional<bool> archives_enabled;
    // The machine's CD drives (device paths); unset: those libcdio finds.
    std::function<std::vector<std::string>()> cd_drive_list;
    // The disc id in a drive for the insert check, empty when none; it runs
    // on a worker thread. Unset: the disc libcdio reads.
    std::function<std::string(const std::string& device)> disc_id_reader;
    // Seeds of the random play orders; unset: the time in seconds.
    std::function<std::uint32_t()> shuffle_seed;
};

}  // namespace nuko::app
