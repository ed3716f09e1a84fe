// What the export dialog asks (which songs, the folder, the format), kept
// in the settings between runs, and the message at a job's end. Plain C++.
#pragma once

#include <string>

#include "app/components/song_export/song_export_job.h"
#include "level/audio_writer.h"
#include "settings/settings.h"

namespace nuko::app {

struct ExportChoices {
    bool all = false;  // the whole list; else the selected song
    std::string folder;
    level::AudioFormat format = level::AudioFormat::Flac;

    bool operator==(const ExportChoices&) const = default;
};

// The formats in the order of the dialog's list and of `Export/Format`.
inline constexpr level::AudioFormat kExportFormats[] = {level::AudioFormat::Wav, level::AudioFormat::Flac,
                                                        level::AudioFormat::Ogg, level::AudioFormat::Mp3};
// "WAVE", "FLAC", "Ogg Vorbis", "MP3".
const char* ExportFormatName(level::AudioFormat format);
int ExportFormatIndex(level::AudioFormat format);

// The last choices of `s` (a folder not set: `music_folder`; a format out
// of range: FLAC); the whole list when no song is selected.
ExportChoices ExportChoicesFrom(const settings::Settings& s, const std::string& music_folder, bool has_selection);
// Keeps the folder and the format.
void StoreExportChoices(const ExportChoices& choices, settings::Settings& s);

// What the user is told at the end: the songs that failed and why, and why
// the rest were not written; empty when every song was written or the user
// cancelled.
std::string ExportEndMessage(const ExportReport& report);

}  // namespace nuko::app
