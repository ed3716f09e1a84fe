#include "app/components/song_export/song_export_choices.h"

namespace nuko::app {

const char* ExportFormatName(level::AudioFormat format) {
    switch (format) {
        case level::AudioFormat::Wav: return "WAVE";
        case level::AudioFormat::Flac: return "FLAC";
        case level::AudioFormat::Ogg: return "Ogg Vorbis";
        case level::AudioFormat::Mp3: return "MP3";
    }
    return "";
}

int ExportFormatIndex(level::AudioFormat format) {
    for (int i = 0; i < 4; ++i)
        if (kExportFormats[i] == format) return i;
    return 1;
}

ExportChoices ExportChoicesFrom(const settings::Settings& s, const std::string& music_folder, bool has_selection) {
    ExportChoices c;
    c.all = !has_selection;
    c.folder = s.export_.folder.empty() ? music_folder : s.export_.folder;
    const int f = s.export_.format;
    c.format = f >= 0 && f < 4 ? kExportFormats[f] : level::AudioFormat::Flac;
    return c;
}

void StoreExportChoices(const ExportChoices& choices, settings::Settings& s) {
    s.export_.folder = choices.folder;
    s.export_.format = ExportFormatIndex(choices.format);
}

std::string ExportEndMessage(const ExportReport& report) {
    if (report.cancelled && report.stopped.empty()) return {};
    std::string text;
    for (const ExportItemResult& item : report.items) {
        if (item.ok) continue;
        if (text.empty()) text = "書き出せなかった曲があります.\n";
        text += "\n" + item.name + ": " + item.error;
    }
    if (!report.stopped.empty()) {
        if (!text.empty()) text += "\n\n";
        text += report.stopped;
    }
    return text;
}

}  // namespace nuko::app
