// The media kind an archive opens in ("Tool\Archive" "Drop"): the current
// kind, a kind of its own, or the user's answer to the archive kind
// question, which the user may have kept for the archives to come.
#pragma once

#include <functional>
#include <string>

#include "media_kinds.h"

namespace nuko::media {

// Values of "Drop" besides the kind codes.
inline constexpr int kDropCurrentKind = -1;
inline constexpr int kDropAsk = 100;

// What the question offers, in its order: the kinds whose files an archive
// holds (the CD kind has none).
inline constexpr MediaKind kArchiveKindChoices[] = {MediaKind::Midi, MediaKind::Movie, MediaKind::Sound};

struct ArchiveKindAnswer {
    int kind = -1;          // a kind code; -1: cancelled
    bool remember = false;  // "この種類を記憶する"
};

// The question, for one archive; unset: nobody to ask (the current kind).
using ArchiveKindQuestion = std::function<ArchiveKindAnswer(const std::string& archive)>;

struct ArchiveKindDecision {
    int kind = -1;   // the kind code the archive opens in; -1: it does not open
    int drop = -1;   // "Drop" from now on (unchanged unless the answer was kept)
};

// Decides the kind for `archive` from "Drop", asking when it says 100. The
// CD kind plays no files: it becomes MIDI, whether stored or answered. A
// kept answer stores its kind, so the question is not asked again; a
// cancelled question opens nothing and keeps "Drop".
ArchiveKindDecision DecideArchiveKind(int drop, int current_kind, const std::string& archive,
                                      const ArchiveKindQuestion& ask);

}  // namespace nuko::media
