// What a path given from outside (the command line, a second copy, a
// dropped file, an ON timer's file) opens: a media file, a catalog, a
// folder, an archive, a link or .lnk file to one of them; or for the CD
// kind a drive ("D:\", "D*3"), a ".cda" track of the current drive or a
// disc image (.cue, .toc, .nrg) standing in as a drive. Plain logic; the
// core carries the plan out.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "library/archive_kind.h"
#include "library/media_kinds.h"

namespace nuko::app {

// What opening a path came to. The numbers are the answer that a second copy
// of the player waits for.
enum OpenResult : int {
    kNothingOpened = -1,  // nothing usable: what played goes on
    kDriveChosen = 0,     // a CD drive or track chosen
    kListOpened = 1,      // a list with items, or a disc image opened as a drive
};

struct OpenContext {
    int current_kind = 0;
    bool hidden_files = false;      // Main/HiddenFile
    bool drop_media_check = true;   // Main/DropMediaCheck
    // The kind's file-type flags now, for a folder opened as it is.
    media::FileTypeFlags current_flags = media::file_type::kAllTypes;
    // Archives play (the archive library is there), and the kind they open
    // in (Tool\Archive/Drop: -1 the current kind, 100 ask, else that kind).
    bool archives = false;
    int archive_drop = -1;
    // Asked for the kind when archive_drop is 100. Unset: the current kind.
    media::ArchiveKindQuestion ask_archive_kind;
    // 0, 1 (audio only) or 2 (video) for an ASF file.
    std::function<int(const std::string&)> win_media_type;
};

struct OpenPlan {
    bool usable = false;           // false: kNothingOpened
    int kind = 0;
    std::string source;            // folder (ending in "/") or catalog path
    media::FileTypeFlags type_flags = 0;
    std::string named_file;        // the item to make current; empty for a folder
    // The CD kind: a drive letter (0: the current drive) or a disc image,
    // and the track to make current (0: the first).
    char cd_letter = 0;
    std::string cd_image;
    int cd_track = 0;
    // The kind the user asked the archive kind question to keep from now
    // on ("Tool\Archive" "Drop"); unset: "Drop" stays.
    std::optional<int> keep_archive_drop;
};

OpenPlan PlanOpenPath(const std::string& path, const OpenContext& context);

// The single type-group bit of a file's extension in a kind (0x8000 for the
// kind's catalog); 0 when the kind does not list it.
media::FileTypeFlags TypeGroupOf(int kind, const std::string& lowered_ext);

}  // namespace nuko::app
