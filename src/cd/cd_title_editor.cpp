#include "cd_title_editor.h"

#include "cd/xmcd_entry.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "cd_imports.h"
#include "nuko/fileio.h"
#include "nuko/files.h"
#include "nuko/paths.h"
#include "nuko/prompt.h"
#include "nuko/string_ids.h"
#include "nuko/strings.h"
#include "nuko/text.h"
#include "nuko/run_program.h"

namespace nuko::cd {
namespace {

// Other programs' data files are small; anything bigger is not one.
constexpr std::size_t kImportFileMax = 64u << 20;
constexpr const char* kConverterProgram = "nu_32cvt";

PromptAnswer Say(int id, std::initializer_list<std::string_view> args, PromptButtons buttons, PromptIcon icon,
                 void* owner, int default_button = 0, std::string text = {}) {
    PromptRequest r;
    r.string_id = id;
    r.text = text.empty() ? FormatMessage(id, args) : std::move(text);
    r.buttons = buttons;
    r.icon = icon;
    r.owner = owner;
    r.default_button = default_button;
    return CurrentPrompt().Ask(r);
}

// Yes/No with No as the default button.
bool AskYesNo(int id, std::initializer_list<std::string_view> args, void* owner) {
    return Say(id, args, PromptButtons::YesNo, PromptIcon::Question, owner, 1) == PromptAnswer::Yes;
}

}  // namespace

std::string ToggleMarker(std::string_view title, char marker) {
    char other = marker == kExcludeMarker ? kHideMarker : kExcludeMarker;
    std::string t(title);
    if (!t.empty() && t.front() == other) t.erase(0, 1);
    if (t.empty()) return std::string(1, marker);
    if (t.front() == marker) return t.substr(1);
    return marker + t;
}

std::array<std::string, 4> TrackRowTexts(const media::MediaList& record, std::size_t row) {
    const auto& item = record.items.at(row);
    char number[16];
    std::snprintf(number, sizeof number, "%02u", static_cast<unsigned>(row + 1));
    return {number, item.name.substr(0, 5), item.title, std::to_string(item.number)};
}

std::string TrackTitleLabel(std::size_t row) {
    char number[16];
    std::snprintf(number, sizeof number, "%02u", static_cast<unsigned>(row + 1));
    return "曲名 [" + std::string(number, 2) + "]";
}

std::vector<std::size_t> ProgramOrder(const media::MediaList& record) {
    std::vector<std::size_t> order(record.items.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return record.items[a].number < record.items[b].number;
    });
    return order;
}

std::vector<int> ProgramNumbersOfOrder(const std::vector<std::size_t>& order) {
    std::vector<int> numbers(order.size(), 0);
    for (std::size_t pos = 0; pos < order.size(); ++pos)
        if (order[pos] < numbers.size()) numbers[order[pos]] = static_cast<int>(pos + 1);
    return numbers;
}

CdTitleEditor::CdTitleEditor(CdTitleDatabase& db, media::MediaList record, BcaNumbers bca, void* owner)
    : db_(db), record_(std::move(record)), bca_(bca), owner_(owner) {
    starter_ = [owner](const std::vector<std::string>& argv) {
        return process::RunProgram(argv, strings::kCdBackupToolMissing, owner);
    };
}

std::string CdTitleEditor::Caption() const {
    return FormatMessage(strings::kCdTitleEditorCaption, {record_.path});
}

void CdTitleEditor::SetText(std::string& field, std::string_view text) {
    if (field == text) return;
    field = text;
    modified_ = true;
}

void CdTitleEditor::SetArtist(std::string_view text) { SetText(record_.title, text); }
void CdTitleEditor::SetTitle(std::string_view text) { SetText(record_.sub_title, text); }
void CdTitleEditor::SetPicture(std::string_view text) { SetText(record_.picture, text); }

void CdTitleEditor::SetProgramPlay(bool on) {
    int value = on ? 1 : 0;
    if (record_.loaded == value) return;
    record_.loaded = value;
    modified_ = true;
}

void CdTitleEditor::SetTrackTitle(std::size_t row, std::string_view title) {
    if (row < record_.items.size()) SetText(record_.items[row].title, title);
}

bool CdTitleEditor::SetProgramNumber(std::size_t row, std::string_view text) {
    if (row >= record_.items.size()) return false;
    std::string_view digits = text::TrimBlanks(text);
    unsigned long number = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    bool valid = !digits.empty() && ec == std::errc() && end == digits.data() + digits.size() && number >= 1 &&
                 number <= record_.items.size();
    if (!valid) {
        Say(strings::kInvalidNumber, {text}, PromptButtons::Ok, PromptIcon::Warning, owner_);
        return false;
    }
    int wanted = static_cast<int>(number);
    int old = record_.items[row].number;
    if (wanted == old) return true;
    for (auto& item : record_.items)
        if (item.number == wanted) item.number = old;
    record_.items[row].number = wanted;
    modified_ = true;
    return true;
}

void CdTitleEditor::SetProgramNumbers(const std::vector<int>& numbers) {
    if (numbers.size() != record_.items.size()) return;
    for (std::size_t i = 0; i < numbers.size(); ++i) record_.items[i].number = numbers[i];
    modified_ = true;
}

void CdTitleEditor::ToggleTrackMarker(std::size_t row, bool ctrl) {
    if (row >= record_.items.size()) return;
    SetText(record_.items[row].title, ToggleMarker(record_.items[row].title, ctrl ? kHideMarker : kExcludeMarker));
}

std::string CdTitleEditor::Copy() const { return CopyText(record_); }

bool CdTitleEditor::Paste(std::string_view clipboard_text) {
    if (clipboard_text.empty()) return false;
    if (!AskYesNo(strings::kAskPasteFromClipboard, {}, owner_)) return false;
    PasteText(clipboard_text, record_);
    modified_ = true;
    return true;
}

ImportMemory& CdTitleEditor::RememberedImport() {
    static ImportMemory memory;
    return memory;
}

bool CdTitleEditor::Import(const std::string& file, int filter_index) {
    bool done = false;
    switch (KindOfImport(file, filter_index)) {
        case ImportKind::TitleFile: done = ImportTitleFile(file); break;
        case ImportKind::Bca: done = ImportBca(file); break;
        case ImportKind::Csv: done = ImportCsv(file); break;
        case ImportKind::None:
            Say(strings::kCdNotInFile, {file}, PromptButtons::Ok, PromptIcon::Information, owner_);
            break;
    }
    if (done) modified_ = true;
    return done;
}

bool CdTitleEditor::ImportXmcd(const std::string& file, const std::string& freedb_id) {
    std::string error = "cannot read the file";
    auto bytes = fileio::ReadFile(file, kXmcdMaxBytes + 1);
    std::optional<XmcdEntry> entry = bytes ? ParseXmcd(*bytes, &error) : std::nullopt;
    if (!entry) {
        Say(strings::kXmcdUnreadable, {file, error}, PromptButtons::Ok, PromptIcon::Warning, owner_);
        return false;
    }
    if (!freedb_id.empty() && !XmcdMatches(*entry, freedb_id) &&
        Say(strings::kXmcdOtherDisc, {file, entry->disc_ids.front(), freedb_id}, PromptButtons::OkCancel,
            PromptIcon::Question, owner_) != PromptAnswer::Ok)
        return false;
    ApplyXmcd(*entry, record_);
    modified_ = true;
    return true;
}

bool CdTitleEditor::ExportXmcd(const std::string& file, const DiscToc& toc, const std::string& freedb_id) {
    if (!fileio::WriteFileAtomic(file, XmcdText(record_, toc, freedb_id))) return true;
    Say(strings::kSaveFailed, {}, PromptButtons::Ok, PromptIcon::Warning, owner_);
    return false;
}

bool CdTitleEditor::ImportTitleFile(const std::string& file) {
    std::string found_id;
    std::string title = CdTitleDatabase::StoredTitle(file, record_.section, &found_id);
    if (title.empty()) {
        Say(strings::kCdNotInFile, {file}, PromptButtons::Ok, PromptIcon::Information, owner_);
        return false;
    }
    if (Say(strings::kAskLoadRegisteredCd, {file, title}, PromptButtons::OkCancel, PromptIcon::Question, owner_) !=
        PromptAnswer::Ok)
        return false;
    bool take_file = AskYesNo(strings::kAskUseAsRegistrationFile, {file}, owner_);

    media::MediaList read = record_;
    read.path = file;
    read.section = found_id;
    db_.LoadDisc(read);
    // A section of the older form is rewritten in the current form where
    // it is, without registering it.
    if (IsOlderId(read.section)) db_.SaveDisc(read, false);
    read.path = take_file ? file : record_.path;
    record_ = std::move(read);
    return true;
}

bool CdTitleEditor::ImportBca(const std::string& file) {
    auto bytes = fileio::ReadFile(file, kImportFileMax);
    BcaMatch match = bytes ? FindBcaDisc(*bytes, bca_) : BcaMatch{};
    if (match.section.empty()) {
        Say(strings::kCdNotInFile, {file}, PromptButtons::Ok, PromptIcon::Information, owner_);
        return false;
    }
    if (Say(strings::kAskLoadRegisteredCd, {file, match.title}, PromptButtons::OkCancel, PromptIcon::Question,
            owner_) != PromptAnswer::Ok)
        return false;
    LoadBcaDisc(*bytes, match.section, record_);
    return true;
}

bool CdTitleEditor::ImportCsv(const std::string& file) {
    auto bytes = fileio::ReadFile(file, kImportFileMax);
    if (!bytes) {
        Say(strings::kCdNotInFile, {file}, PromptButtons::Ok, PromptIcon::Information, owner_);
        return false;
    }
    CsvDisc csv = ParseCsv(*bytes, record_.items.size());
    std::string text = FormatMessage(strings::kCsvFileIntro, {file}) +
                       FormatMessage(strings::kAskLoadCsvTitle, {csv.artist, csv.title});
    if (Say(strings::kCsvFileIntro, {}, PromptButtons::YesNo, PromptIcon::Question, owner_, 0, text) !=
        PromptAnswer::Yes)
        return false;
    ApplyCsv(csv, record_);
    return true;
}

EditorOutcome CdTitleEditor::Save() {
    if (CdTitleDatabase::StoredTitle(record_.path, record_.section).empty() &&
        !AskYesNo(strings::kAskAddToFile, {record_.path}, owner_))
        return EditorOutcome::Stay;
    return SaveSteps();
}

EditorOutcome CdTitleEditor::SaveSteps() {
    wants_artist_focus_ = false;
    if (!modified_ && !IsOlderId(record_.section)) return EditorOutcome::Cancelled;
    if (record_.title.empty() && record_.sub_title.empty()) {
        if (!AskYesNo(strings::kAskDeleteUntitledCd, {}, owner_)) {
            wants_artist_focus_ = true;
            return EditorOutcome::Stay;
        }
        if (!db_.DeleteDisc(record_)) {
            Say(strings::kSaveFailed, {}, PromptButtons::Ok, PromptIcon::Warning, owner_);
            return EditorOutcome::Stay;
        }
        return EditorOutcome::Accepted;
    }
    if (!db_.SaveDisc(record_, true)) {
        Say(strings::kSaveFailed, {}, PromptButtons::Ok, PromptIcon::Warning, owner_);
        return EditorOutcome::Stay;
    }
    modified_ = false;
    // The save stands even when the converter cannot be started; the
    // starter reports that itself.
    if (also_run_converter_ && starter_) starter_({folders::ProgramFolder() + kConverterProgram, "/save"});
    return EditorOutcome::Accepted;
}

EditorOutcome CdTitleEditor::SaveAs(const FileChooser& choose) {
    std::string folder = path::SplitPath(record_.path).folder;
    std::string chosen;
    while (true) {
        chosen = choose(folder);
        if (chosen.empty()) return EditorOutcome::Stay;
        folder = path::SplitPath(chosen).folder;
        if (!files::IsFileFound(chosen, true)) break;
        std::string stored = CdTitleDatabase::StoredTitle(chosen, record_.section);
        bool yes = stored.empty() ? AskYesNo(strings::kAskAddToFile, {chosen}, owner_)
                                  : AskYesNo(strings::kAskOverwriteRegisteredCd, {chosen, stored}, owner_);
        if (yes) break;
    }
    if (chosen != record_.path) {
        record_.path = chosen;
        modified_ = true;
    }
    return SaveSteps();
}

EditorOutcome CdTitleEditor::Close() {
    if (!modified_) return EditorOutcome::Cancelled;
    switch (Say(strings::kAskSaveChanges, {record_.sub_title}, PromptButtons::YesNoCancel, PromptIcon::Question,
                owner_, 1)) {
        case PromptAnswer::Yes: return Save();
        case PromptAnswer::No: return EditorOutcome::Cancelled;
        default: return EditorOutcome::Stay;
    }
}

}  // namespace nuko::cd
