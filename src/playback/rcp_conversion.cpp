#include "rcp_conversion.h"

#include <unistd.h>

#include "nuko/fileio.h"
#include "nuko/paths.h"
#include "nuko/prompt.h"
#include "nuko/string_ids.h"
#include "rcpcv_binding.h"

namespace nuko::playback {

bool ConvertRcp(const std::string& library, const std::string& song, const std::string& temp,
                RcpConversionView* view, void* owner_window) {
    RcpcvBinding binding(library);
    if (!binding.usable()) return false;
    if (!binding.VersionAtLeast(1, 8)) {
        Ask(strings::kRcpcvTooOld, {}, PromptButtons::Ok, PromptIcon::Warning, {}, owner_window);
        return false;
    }
    if (view) view->Begin(path::FileName(song));
    ::unlink(temp.c_str());
    RcpcvBinding::Progress progress;
    if (view) progress = [view](int percent) { return view->SetProgress(percent), true; };
    std::optional<std::string> smf = binding.Convert(song, progress);
    // No place to write: the song plays unconverted, which the MIDI back
    // end does through the same library.
    bool ok = !smf || !fileio::WriteFileAtomic(temp, *smf);
    if (view) view->End(ok);
    return ok;
}

}  // namespace nuko::playback
