// Related file execution: a program registered per file type runs on the
// current item's companion file (the item's path with another extension: its
// notes, its WRD script, the song itself). The model chooses the type and the
// companion, keeps the program table and builds the argument vector; the
// dialog only shows it.
//
// The 24 slots and their settings keys ("Winexec"). Slots that share a key
// share one command. Slots 19-21 are the Windows Media types; slot 22
// ("Etc") serves ".vob" and every media extension no other slot names, and
// slot 23, the type that ignores extensions, shares that command and runs
// it on the item itself.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nuko::media {

inline constexpr int kRelatedSlotCount = 24;
inline constexpr int kRelatedKeyCount = 20;
// What a command field offers until the user registers a program: the
// desktop's own handler for the file's type.
inline constexpr std::string_view kDesktopOpener = "xdg-open";

// The settings key of each slot.
std::string_view RelatedSlotKey(int slot);
// The distinct keys in their stored order.
const std::array<std::string_view, kRelatedKeyCount>& RelatedKeys();
// The extension of a slot (string 4128 + slot; "" for slot 23).
std::string RelatedSlotExtension(int slot);

// Section "Winexec": one command per key and the two switches.
struct RelatedFileSettings {
    RelatedFileSettings();
    std::array<std::string, kRelatedKeyCount> commands;  // by RelatedKeys() order
    int stop = 0;  // "Stop": stop playing before a WRD or media companion runs
    int end = 0;   // "End": close the dialog after a successful run

    std::string& Command(int slot);
    const std::string& Command(int slot) const;
};

enum class RelatedType { Txt = 0, Doc = 1, Wrd = 2, Media = 3, Any = 4 };

class RelatedFiles {
public:
    // `current_path` is the current item's file; `hidden_files` whether the
    // file area shows hidden files; `media_disabled` opens on the type that
    // ignores extensions (an item without one always does).
    RelatedFiles(RelatedFileSettings settings, std::string current_path, bool hidden_files,
                 bool media_disabled = false);

    const RelatedFileSettings& settings() const { return settings_; }
    RelatedType type() const { return type_; }
    bool media_enabled() const { return media_enabled_; }
    void Choose(RelatedType type);

    // The base path (the item's path without an extension of two to four
    // characters) and the item's own extension with its dot ("" when it
    // has none).
    const std::string& base_path() const { return base_; }
    const std::string& item_extension() const { return item_ext_; }

    // The slot of the chosen type.
    int Slot() const;
    // The file the command gets: base path + the type's extension, or the
    // item itself for the type that ignores extensions.
    std::string CompanionPath() const;
    bool CompanionExists() const;
    // The file name field: the companion's name, string 132 with the
    // extension when it is missing, or string 138 for the type that ignores
    // extensions.
    std::string FileNameText() const;
    bool CanRun() const;

    const std::string& Command() const { return settings_.Command(Slot()); }
    void SetCommand(std::string_view command);
    void SetStop(bool on);
    void SetEnd(bool on);
    bool modified() const { return modified_; }

    // The argument vector of a run: the command's words and the companion
    // path as one more word. nullopt when the command has no words or an
    // open quote.
    std::optional<std::vector<std::string>> Arguments() const;
    // Whether a run stops playing first ("Stop" on, a WRD or media type).
    bool StopsPlaying() const;

    // Runs the chosen type's command: message 157 without a command, the
    // stop first when StopsPlaying(), then the start, whose failure shows
    // `start` reports. True when the program started.
    using Starter = std::function<bool(const std::vector<std::string>& argv)>;
    bool Run(const std::function<void()>& stop_playing, const Starter& start, void* owner = nullptr);

private:
    bool Exists(const std::string& path) const;

    RelatedFileSettings settings_;
    std::string path_;
    std::string base_;
    std::string base_name_;
    std::string item_ext_;
    bool hidden_files_;
    bool media_enabled_ = true;
    RelatedType type_ = RelatedType::Media;
    bool modified_ = false;
};

}  // namespace nuko::media
