// The outside converters a MIDI item goes through before it plays (the
// archive's member, RCP to SMF, SMF with a configuration).
#pragma once

#include <functional>
#include <string>

#include "library/media_kinds.h"

namespace nuko::playback {

// Outside converters (RCP to SMF, SMF with a configuration); absent ones are
// empty and their step is skipped. Each returns the output path, or empty.
struct ItemConverters {
    // The member of an archive (".lzh") that plays, extracted; empty when the
    // archive gave none (the archive's own path is then tried, and fails).
    std::function<std::string(const std::string& archive, media::MediaKind kind)> archive_member;
    std::function<std::string(const std::string& rcp)> rcp_to_smf;
    std::function<std::string(const std::string& smf, const std::string& config)> smf_convert;
};

}  // namespace nuko::playback
