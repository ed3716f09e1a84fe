#include "library/archive_kind.h"

namespace nuko::media {

ArchiveKindDecision DecideArchiveKind(int drop, int current_kind, const std::string& archive,
                                      const ArchiveKindQuestion& ask) {
    ArchiveKindDecision d;
    d.drop = drop;
    int kind = drop;
    if (drop == kDropCurrentKind) {
        kind = current_kind;
    } else if (drop == kDropAsk) {
        if (!ask) {
            kind = current_kind;
        } else {
            const ArchiveKindAnswer a = ask(archive);
            kind = a.kind;
            if (a.remember && IsKind(a.kind))
                d.drop = a.kind == Code(MediaKind::Cd) ? Code(MediaKind::Midi) : a.kind;
        }
    }
    if (kind == Code(MediaKind::Cd)) kind = Code(MediaKind::Midi);
    d.kind = IsKind(kind) ? kind : -1;
    return d;
}

}  // namespace nuko::media
