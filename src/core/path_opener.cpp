#include "core/path_opener.h"

#include <sys/stat.h>

#include "cd/cd_drives.h"
#include "nuko/files.h"
#include "nuko/paths.h"
#include "nuko/text.h"

namespace nuko::app {

media::FileTypeFlags TypeGroupOf(int kind, const std::string& ext) {
    if (ext == media::CatalogExtension(kind)) return media::file_type::kCatalog;
    for (media::FileTypeFlags bit = 1; bit <= media::file_type::kType5; bit <<= 1) {
        media::ExtensionList list;
        media::BuildFlaggedExtensions(list, kind, bit, false);
        for (const auto& e : list)
            if (e == ext) return bit;
    }
    return 0;
}

namespace {

int KindOf(const std::string& ext, const std::string& path, const OpenContext& c) {
    auto lists = [&](int kind) {
        if (ext == media::CatalogExtension(kind)) return true;
        media::ExtensionList list;
        media::BuildKindExtensions(list, kind, true, false);
        for (const auto& e : list)
            if (e == ext) return true;
        return false;
    };
    if (media::IsWindowsMediaExtension(ext)) {
        // The header decides between the movie and the sound list, as a
        // folder scan would.
        int type = c.win_media_type ? c.win_media_type(path) : 2;
        int kind = type == 1 ? media::Code(media::MediaKind::Sound) : media::Code(media::MediaKind::Movie);
        if (!c.drop_media_check && kind != c.current_kind) return -1;
        return kind;
    }
    if (!c.drop_media_check) return lists(c.current_kind) ? c.current_kind : -1;
    for (int kind = 0; kind < media::kKindCount; ++kind)
        if (lists(kind)) return kind;
    return -1;
}

}  // namespace

OpenPlan PlanOpenPath(const std::string& raw, const OpenContext& c) {
    OpenPlan plan;
    if (raw.empty()) return plan;
    std::string path = path::ResolveCaseInsensitive(raw);
    const int cd = media::Code(media::MediaKind::Cd);
    if (!files::IsFolder(path) && !files::IsFileFound(path, true)) {
        // A drive root or a drive letter with "*" and a track.
        auto form = cd::ParseCdPathForm(raw);
        if (!form) return plan;
        plan.usable = true;
        plan.kind = cd;
        plan.cd_letter = form->letter;
        plan.cd_track = form->track;
        return plan;
    }
    if (files::IsFolder(path)) {
        if (c.current_kind == media::Code(media::MediaKind::Cd)) return plan;  // drives come with the CD panel
        plan.usable = true;
        plan.kind = c.current_kind;
        plan.source = path::WithTrailingSlash(path);
        plan.type_flags = c.current_flags & media::file_type::kCatalog ? media::file_type::kAllTypes : c.current_flags;
        return plan;
    }
    std::string target = path;
    if (auto t = files::ShortcutTarget(path)) target = path::ResolveCaseInsensitive(*t);
    if (files::IsFolder(target)) return PlanOpenPath(target, c);
    if (!files::IsFileFound(target, c.hidden_files)) return plan;  // CD forms come with the CD panel

    std::string ext = media::LoweredExtension(target);
    if (ext == ".cue" || ext == ".toc" || ext == ".nrg") {
        plan.usable = true;
        plan.kind = cd;
        plan.cd_image = target;
        return plan;
    }
    if (ext == ".cda") {
        // A track of the disc in the current drive.
        plan.usable = true;
        plan.kind = cd;
        plan.cd_track = cd::CdaTrackNumber(target);
        return plan;
    }
    if (c.archives && ext == ".lzh") {
        const media::ArchiveKindDecision d =
            media::DecideArchiveKind(c.archive_drop, c.current_kind, target, c.ask_archive_kind);
        if (d.drop != c.archive_drop) plan.keep_archive_drop = d.drop;
        if (d.kind < 0) return plan;
        plan.usable = true;
        plan.kind = d.kind;
        plan.type_flags = media::file_type::kArchive;
        plan.source = path::SplitPath(target).folder;
        plan.named_file = target;
        return plan;
    }
    int kind = KindOf(ext, target, c);
    if (kind < 0 || kind == cd) return plan;
    plan.kind = kind;
    plan.type_flags = TypeGroupOf(kind, ext);
    if (plan.type_flags == 0) return plan;
    plan.usable = true;
    if (plan.type_flags == media::file_type::kCatalog) {
        plan.source = target;
    } else {
        plan.source = path::SplitPath(target).folder;
        plan.named_file = target;
    }
    return plan;
}

}  // namespace nuko::app
