// The model of the CD title dialog: a copy of a disc record with its edits,
// the modified flag, the title markers and program numbers, imports, paste,
// and the save, save-as and close questions. Questions and messages go
// through the current prompt; file dialogs and the clipboard stay in the
// dialog, which hands their results in.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "cd_title_db.h"
#include "disc_id.h"
#include "disc_toc.h"
#include "library/media_list.h"

namespace nuko::cd {

enum class EditorOutcome {
    Stay,       // the dialog stays open
    Accepted,   // close with OK: the caller takes the record
    Cancelled,  // close without changes for the caller
};

// Title markers: "@" keeps a track out of play, "$" hides it.
inline constexpr char kExcludeMarker = '@';
inline constexpr char kHideMarker = '$';
std::string ToggleMarker(std::string_view title, char marker);

// Track list columns: "Tr" ("%02u"), "時間" (MM:SS of the track key), "曲名",
// "Prg" ("%u").
std::array<std::string, 4> TrackRowTexts(const media::MediaList& record, std::size_t row);
// "曲名 [%.2s]" with the row's 2-digit number.
std::string TrackTitleLabel(std::size_t row);

// Program order: track indexes in play order, and the program numbers of
// an order.
std::vector<std::size_t> ProgramOrder(const media::MediaList& record);
std::vector<int> ProgramNumbersOfOrder(const std::vector<std::size_t>& order);

// What the import dialog remembers until the program ends: the filter
// (1-based) and the folder; an empty folder means the current file's.
struct ImportMemory {
    int filter = 1;
    std::string folder;
};

class CdTitleEditor {
public:
    // Starts a program from an argument vector and reports its own failure.
    using ProgramStarter = std::function<bool(const std::vector<std::string>& argv)>;
    // Asks for a CD title file to save into, starting in a folder; empty
    // when the user cancelled.
    using FileChooser = std::function<std::string(const std::string& folder)>;

    CdTitleEditor(CdTitleDatabase& db, media::MediaList record, BcaNumbers bca, void* owner = nullptr);

    const media::MediaList& record() const { return record_; }
    bool modified() const { return modified_; }
    // Caption string 146 with the record's file.
    std::string Caption() const;

    void SetArtist(std::string_view text);
    void SetTitle(std::string_view text);
    void SetPicture(std::string_view text);
    void SetProgramPlay(bool on);
    void SetTrackTitle(std::size_t row, std::string_view title);
    // Validates a typed program number: 1 to the track count, swapped with
    // the track that had it. Otherwise message 147 and false.
    bool SetProgramNumber(std::size_t row, std::string_view text);
    // Program numbers from the program order dialog.
    void SetProgramNumbers(const std::vector<int>& numbers);
    // "@" without Ctrl, "$" with Ctrl.
    void ToggleTrackMarker(std::size_t row, bool ctrl);

    // "ﾌｧｲﾙにも保存(&P)": after a save, start the CD data converter.
    void SetAlsoRunConverter(bool on) { also_run_converter_ = on; }
    bool also_run_converter() const { return also_run_converter_; }
    void SetProgramStarter(ProgramStarter starter) { starter_ = std::move(starter); }

    std::string Copy() const;
    // Asks 151 first. True when pasted.
    bool Paste(std::string_view clipboard_text);
    // Imports from a file chosen with a filter (1-based). True when data
    // was read into the record.
    bool Import(const std::string& file, int filter_index);
    static ImportMemory& RememberedImport();
    // Reads an xmcd (CDDB) entry file into the record. An entry of another
    // disc (its DISCID is not `freedb_id`) is taken only when the user says
    // so (string 3304); a file that is no entry is reported (3303).
    bool ImportXmcd(const std::string& file, const std::string& freedb_id);
    // Writes the record as an xmcd entry of the disc, whole or not at all;
    // message 165 when it could not be written.
    bool ExportXmcd(const std::string& file, const DiscToc& toc, const std::string& freedb_id);

    EditorOutcome Save();
    EditorOutcome SaveAs(const FileChooser& choose);
    EditorOutcome Close();

    // Set when a save stopped at the empty artist and title: the dialog puts
    // the focus back on the artist edit.
    bool wants_artist_focus() const { return wants_artist_focus_; }

private:
    EditorOutcome SaveSteps();
    bool ImportTitleFile(const std::string& file);
    bool ImportBca(const std::string& file);
    bool ImportCsv(const std::string& file);
    void SetText(std::string& field, std::string_view text);

    CdTitleDatabase& db_;
    media::MediaList record_;
    BcaNumbers bca_;
    void* owner_;
    bool modified_ = false;
    bool also_run_converter_ = false;
    bool wants_artist_focus_ = false;
    ProgramStarter starter_;
};

}  // namespace nuko::cd
