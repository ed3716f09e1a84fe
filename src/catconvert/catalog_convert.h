// Upgrades a catalog of the older layout (a title line, then "path" or
// "path<TAB>second column" lines, no version line) to the current layout in
// place. Plain logic; the dialog of the converter library wraps it.
#pragma once

#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "nuko/strings.h"

namespace nuko::catconvert {

struct OldItem {
    std::string path;    // as written (backslashes kept)
    std::string title;   // computed
    std::string second;  // everything after the first TAB; becomes the init file field
};

struct OldCatalog {
    std::string title;
    std::vector<OldItem> items;
};

enum class ReadOutcome { CannotOpen, AlreadyCurrent, Read };

// The title of a song file, as the media title reader gives it.
using TitleReader = std::function<std::string(const std::string& song_path)>;

// The support library's media title reader, as the converter uses it.
TitleReader DefaultTitleReader();

// Reads the old layout. For a ".mit" catalog each item's title comes from the
// song (resolved beside the catalog), at most 512 bytes, trailing blanks cut
// and control characters turned into blanks; for ".mot" and ".wat" the title
// is the path itself.
ReadOutcome ReadOldCatalog(const std::string& path, const TitleReader& midi_title, OldCatalog& out);

// The current layout: "Ver 1.00", title, empty sub title, then
// path<TAB>title[<TAB>second], and a 0x1A byte.
std::string SerializeConverted(const OldCatalog& catalog);
std::error_code WriteConverted(const std::string& path, const OldCatalog& catalog);

// The converter's own texts (ids overlap with the program's).
const StringTable& ConverterStrings();

// Asks about a failed write: Retry (true) or Cancel.
using RetryQuestion = std::function<bool()>;

// Writes until it succeeds or the question says Cancel. True when written.
bool WriteWithRetry(const std::string& path, const OldCatalog& catalog, const RetryQuestion& retry);

// The whole conversion without a dialog, its messages through the current
// prompt (201, 202, 203 with Retry and Cancel, 204). 1 when the file was
// rewritten, else 0.
int ConvertWithPrompts(const std::string& path, const TitleReader& midi_title, void* owner = nullptr);

}  // namespace nuko::catconvert
