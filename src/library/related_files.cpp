#include "related_files.h"

#include <algorithm>

#include "nuko/files.h"
#include "nuko/paths.h"
#include "nuko/prompt.h"
#include "nuko/run_program.h"
#include "nuko/string_ids.h"
#include "nuko/strings.h"
#include "nuko/text.h"

namespace nuko::media {
namespace {

constexpr std::array<std::string_view, kRelatedSlotCount> kSlotKeys = {
    "Txt", "Doc", "Wrd", "Midi", "Rcp", "R36", "G36", "Rmi", "VFW", "QTW", "QTW", "MPEG",
    "MPEG", "VideoCD", "Wave", "Abs", "Aif", "Mp3", "Mp3", "Asf", "Wma", "Wmv", "Etc", "Etc",
};
constexpr std::array<std::string_view, kRelatedKeyCount> kKeys = {
    "Txt", "Doc", "Wrd", "Midi", "Rcp", "R36", "G36", "Rmi", "VFW", "QTW",
    "MPEG", "VideoCD", "Wave", "Abs", "Aif", "Mp3", "Asf", "Wma", "Wmv", "Etc",
};
constexpr int kFirstMediaSlot = 3;
constexpr int kOtherMediaSlot = 22;
constexpr int kAnySlot = 23;

std::size_t KeyIndex(int slot) {
    const std::string_view key = RelatedSlotKey(slot);
    return static_cast<std::size_t>(std::find(kKeys.begin(), kKeys.end(), key) - kKeys.begin());
}

}  // namespace

std::string_view RelatedSlotKey(int slot) {
    return slot >= 0 && slot < kRelatedSlotCount ? kSlotKeys[static_cast<std::size_t>(slot)] : "Etc";
}

const std::array<std::string_view, kRelatedKeyCount>& RelatedKeys() { return kKeys; }

std::string RelatedSlotExtension(int slot) {
    if (slot < 0 || slot >= kAnySlot) return {};
    return std::string(LoadString(strings::kFirstRelatedExtension + slot));
}

RelatedFileSettings::RelatedFileSettings() { commands.fill(std::string(kDesktopOpener)); }

std::string& RelatedFileSettings::Command(int slot) { return commands[KeyIndex(slot)]; }
const std::string& RelatedFileSettings::Command(int slot) const { return commands[KeyIndex(slot)]; }

RelatedFiles::RelatedFiles(RelatedFileSettings settings, std::string current_path, bool hidden_files,
                           bool media_disabled)
    : settings_(std::move(settings)), path_(std::move(current_path)), hidden_files_(hidden_files) {
    const std::string_view name = path::FileName(path_);
    const std::size_t dot = name.rfind('.');
    const std::size_t ext_chars = dot == std::string_view::npos ? 0 : name.size() - dot - 1;
    // Two letters count too, or ".qt" would never reach its slot.
    if (dot != std::string_view::npos && dot > 0 && ext_chars >= 2 && ext_chars <= 4 && path_.size() > 5) {
        base_ = path_.substr(0, path_.size() - ext_chars - 1);
        item_ext_ = path_.substr(path_.size() - ext_chars - 1);
    } else {
        base_ = path_;
    }
    base_name_ = std::string(path::FileName(base_));

    media_enabled_ = !item_ext_.empty() && !media_disabled;
    if (!media_enabled_) {
        type_ = RelatedType::Any;
        return;
    }
    type_ = RelatedType::Media;
    for (RelatedType t : {RelatedType::Txt, RelatedType::Doc, RelatedType::Wrd}) {
        if (Exists(base_ + RelatedSlotExtension(static_cast<int>(t)))) {
            type_ = t;
            break;
        }
    }
}

bool RelatedFiles::Exists(const std::string& path) const { return files::IsFileFound(path, hidden_files_); }

void RelatedFiles::Choose(RelatedType type) {
    if (type == RelatedType::Media && !media_enabled_) return;
    type_ = type;
}

int RelatedFiles::Slot() const {
    switch (type_) {
        case RelatedType::Txt:
        case RelatedType::Doc:
        case RelatedType::Wrd: return static_cast<int>(type_);
        case RelatedType::Any: return kAnySlot;
        case RelatedType::Media: break;
    }
    const std::string ext = text::AsciiLowered(item_ext_);
    for (int slot = kFirstMediaSlot; slot < kOtherMediaSlot; ++slot)
        if (RelatedSlotExtension(slot) == ext) return slot;
    return kOtherMediaSlot;
}

std::string RelatedFiles::CompanionPath() const {
    switch (type_) {
        case RelatedType::Any: return path_;
        case RelatedType::Media: return base_ + item_ext_;
        default: return base_ + RelatedSlotExtension(Slot());
    }
}

bool RelatedFiles::CompanionExists() const { return type_ == RelatedType::Any || Exists(CompanionPath()); }

std::string RelatedFiles::FileNameText() const {
    if (type_ == RelatedType::Any) return std::string(LoadString(strings::kNoCompanionName));
    const std::string ext = type_ == RelatedType::Media ? item_ext_ : RelatedSlotExtension(Slot());
    if (!CompanionExists()) return std::string(LoadString(strings::kFileMissing)) + " << " + ext + " >>";
    return base_name_ + ext;
}

bool RelatedFiles::CanRun() const { return CompanionExists(); }

void RelatedFiles::SetCommand(std::string_view command) {
    std::string& stored = settings_.Command(Slot());
    if (stored == command) return;
    stored = std::string(command);
    modified_ = true;
}

void RelatedFiles::SetStop(bool on) {
    if ((settings_.stop != 0) == on) return;
    settings_.stop = on ? 1 : 0;
    modified_ = true;
}

void RelatedFiles::SetEnd(bool on) {
    if ((settings_.end != 0) == on) return;
    settings_.end = on ? 1 : 0;
    modified_ = true;
}

std::optional<std::vector<std::string>> RelatedFiles::Arguments() const {
    auto words = process::SplitCommandLine(Command());
    if (!words || words->empty()) return std::nullopt;
    // The companion is one word, blanks and all.
    words->push_back(CompanionPath());
    return words;
}

bool RelatedFiles::StopsPlaying() const {
    return settings_.stop != 0 && (type_ == RelatedType::Wrd || type_ == RelatedType::Media);
}

bool RelatedFiles::Run(const std::function<void()>& stop_playing, const Starter& start, void* owner) {
    if (!CanRun()) return false;
    if (text::TrimBlanks(Command()).empty()) {
        Ask(strings::kNoProgramForType, {}, PromptButtons::Ok, PromptIcon::Warning, {}, owner);
        return false;
    }
    auto argv = Arguments();
    if (!argv) {
        process::ShowStartFailure(std::make_error_code(std::errc::invalid_argument), strings::kProgramNotFound,
                                  owner);
        return false;
    }
    if (StopsPlaying() && stop_playing) stop_playing();
    return start(*argv);
}

}  // namespace nuko::media
