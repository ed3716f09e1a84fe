#include "media_kinds.h"

#include <algorithm>
#include <initializer_list>

#include "nuko/paths.h"
#include "nuko/string_ids.h"
#include "nuko/strings.h"
#include "nuko/text.h"

namespace nuko::media {
namespace {

using namespace strings;  // the extensions' string ids

void Append(ExtensionList& list, std::initializer_list<int> ids) {
    for (int id : ids) list.emplace_back(LoadString(id));
}

// The type groups of FileTypeFlags bits 0x0001 ... 0x0010 per kind.
const std::vector<std::vector<int>>& Groups(int kind) {
    static const std::vector<std::vector<int>> kMidi = {{kExtMid}, {kExtRcp, kExtR36, kExtG36}, {kExtRmi}, {}, {}};
    static const std::vector<std::vector<int>> kMovie = {{kExtAvi},
                                                         {kExtMov, kExtQt},
                                                         {kExtMpg, kExtMpe, kExtMpeg},
                                                         {kExtDat},
                                                         {kExtMovieAsf, kExtMovieWma, kExtMovieWmv}};
    static const std::vector<std::vector<int>> kSound = {{kExtWav},
                                                         {kExtMp3, kExtRmp},
                                                         {kExtAif, kExtAiff},
                                                         {kExtSoundAsf, kExtSoundWma, kExtSoundWmv},
                                                         {kExtAbs}};
    static const std::vector<std::vector<int>> kNone;
    switch (kind) {
        case 0: return kMidi;
        case 2: return kMovie;
        case 3: return kSound;
        default: return kNone;
    }
}

}  // namespace

void BuildKindExtensions(ExtensionList& list, int kind, bool plain_only, bool rcp_first) {
    list.clear();
    switch (kind) {
        case Code(MediaKind::Midi):
            if (rcp_first)
                Append(list, {kExtRcp, kExtR36, kExtG36, kExtMid, kExtRmi});
            else
                Append(list, {kExtMid, kExtRcp, kExtR36, kExtG36, kExtRmi});
            if (!plain_only) Append(list, {kExtWrd, kExtLzh});
            return;
        case Code(MediaKind::Movie):
            Append(list, {kExtAvi, kExtMov, kExtQt, kExtMpg, kExtMpe, kExtMpeg, kExtDat, kExtMovieAsf, kExtMovieWma,
                          kExtMovieWmv});
            break;
        case Code(MediaKind::Sound):
            Append(list,
                   {kExtWav, kExtMp3, kExtRmp, kExtAif, kExtAiff, kExtSoundAsf, kExtSoundWma, kExtSoundWmv, kExtAbs});
            break;
        case AllKinds:
            Append(list, {kExtMid, kExtRcp, kExtR36, kExtG36, kExtRmi, kExtAvi, kExtMov, kExtQt, kExtMpg, kExtMpe,
                          kExtMpeg, kExtDat, kExtWav, kExtMp3, kExtRmp, kExtAif, kExtAiff, kExtSoundAsf,
                          kExtSoundWma, kExtSoundWmv, kExtAbs});
            break;
        default:
            return;  // CD and unknown codes have no extensions
    }
    if (!plain_only) Append(list, {kExtLzh});
}

void BuildFlaggedExtensions(ExtensionList& list, int kind, FileTypeFlags flags, bool archives_enabled) {
    if (kind != Code(MediaKind::Midi) && kind != Code(MediaKind::Movie) && kind != Code(MediaKind::Sound))
        return;
    const auto& groups = Groups(kind);
    for (std::size_t bit = 0; bit < groups.size(); ++bit)
        if (flags & (1u << bit))
            for (int id : groups[bit]) list.emplace_back(LoadString(id));
    if (kind == Code(MediaKind::Midi) && (flags & file_type::kWrd)) Append(list, {kExtWrd});
    if (flags & file_type::kCatalog) list.emplace_back(CatalogExtension(kind));
    if (archives_enabled && (flags & file_type::kArchive)) Append(list, {kExtLzh});
}

std::string_view CatalogExtension(int kind) { return IsKind(kind) ? LoadString(kFirstCatalogExtension + kind) : ""; }

int KindOfExtension(std::string_view ext) {
    ExtensionList list;
    for (int kind = 0; kind < kKindCount; ++kind) {
        BuildKindExtensions(list, kind, true, false);
        if (std::find(list.begin(), list.end(), ext) != list.end()) return kind;
    }
    return -1;
}

int KindOfArchiveMember(std::string_view member_name) {
    if (member_name.size() < 4) return -1;
    std::string tail = text::AsciiLowered(member_name.substr(member_name.size() - 4));
    return KindOfExtension(tail);
}

bool IsWindowsMediaExtension(std::string_view e) { return e == ".asf" || e == ".wma" || e == ".wmv"; }

std::string LoweredExtension(std::string_view path) {
    std::string_view ext = path::Extension(path);
    if (ext.empty()) return {};
    return "." + text::AsciiLowered(ext);
}

bool ScanAccepts(std::string_view path, int kind, const ExtensionList& list,
                 const std::function<int(const std::string&)>& win_media_type) {
    return ScanAccepts(path, path::Extension(path), kind, list, win_media_type);
}

namespace {

// `want` (".mid") is ext (without its dot) lowered.
bool IsLoweredExtension(const std::string& want, std::string_view ext) {
    if (want.size() != ext.size() + 1 || want[0] != '.') return false;
    for (std::size_t i = 0; i < ext.size(); ++i) {
        char c = ext[i] >= 'A' && ext[i] <= 'Z' ? static_cast<char>(ext[i] - 'A' + 'a') : ext[i];
        if (c != want[i + 1]) return false;
    }
    return true;
}

// Up to eight characters in a number, ASCII letters lowered when asked; 0
// for none or more than eight. Names hold no NUL, so no two differ only
// in trailing zeros.
std::uint64_t Packed(std::string_view ext, bool lower) {
    if (ext.empty() || ext.size() > 8) return 0;
    std::uint64_t key = 0;
    for (std::size_t i = 0; i < ext.size(); ++i) {
        auto c = static_cast<unsigned char>(ext[i]);
        if (lower && c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
        key |= static_cast<std::uint64_t>(c) << (8 * i);
    }
    return key;
}

// The header test of the Windows Media extensions; others pass.
bool AcceptsFound(const std::string& want, std::string_view path, int kind,
                  const std::function<int(const std::string&)>& win_media_type) {
    if (!IsWindowsMediaExtension(want)) return true;
    if (kind != Code(MediaKind::Movie) && kind != Code(MediaKind::Sound)) return true;
    int type = win_media_type ? win_media_type(std::string(path)) : 0;
    return kind == Code(MediaKind::Sound) ? type == 1 : type != 1;
}

}  // namespace

bool ScanAccepts(std::string_view path, std::string_view ext, int kind, const ExtensionList& list,
                 const std::function<int(const std::string&)>& win_media_type) {
    if (ext.empty()) return false;
    auto it = std::find_if(list.begin(), list.end(), [ext](const std::string& want) { return IsLoweredExtension(want, ext); });
    return it != list.end() && AcceptsFound(*it, path, kind, win_media_type);
}

ExtensionMatcher::ExtensionMatcher(const ExtensionList& list) : list_(list) {
    keys_.reserve(list.size());
    for (const std::string& want : list)
        keys_.push_back(want.size() >= 2 && want[0] == '.' ? Packed(std::string_view(want).substr(1), false) : 0);
}

const std::string* ExtensionMatcher::Find(std::string_view ext) const {
    if (const std::uint64_t key = Packed(ext, true)) {
        // An entry left at 0 has more than eight characters: it cannot match.
        for (std::size_t i = 0; i < keys_.size(); ++i)
            if (keys_[i] == key) return &list_[i];
        return nullptr;
    }
    if (ext.empty()) return nullptr;
    for (const std::string& want : list_)
        if (IsLoweredExtension(want, ext)) return &want;
    return nullptr;
}

bool ScanAccepts(std::string_view path, std::string_view ext, int kind, const ExtensionMatcher& matcher,
                 const std::function<int(const std::string&)>& win_media_type) {
    const std::string* want = matcher.Find(ext);
    return want && AcceptsFound(*want, path, kind, win_media_type);
}

bool CatalogAccepts(std::string_view path, const ExtensionList& list) {
    // This runs once per catalog item. Extensions begin with "." (all of
    // ours do): only the path's dots can start one, and those are few.
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    bool dotted = true;
    for (const auto& ext : list) dotted = dotted && !ext.empty() && ext[0] == '.';
    if (dotted) {
        for (std::size_t dot = path.find('.'); dot != std::string_view::npos; dot = path.find('.', dot + 1)) {
            std::string_view rest = path.substr(dot);
            for (const auto& ext : list) {
                if (ext.size() > rest.size()) continue;
                std::size_t i = 1;
                while (i < ext.size() && lower(rest[i]) == ext[i]) ++i;
                if (i == ext.size()) return true;
            }
        }
        return false;
    }
    thread_local std::string lowered;
    lowered.assign(path);
    text::AsciiLower(lowered);
    for (const auto& ext : list)
        if (lowered.find(ext) != std::string::npos) return true;
    return false;
}

std::string_view KindName(int kind) { return IsKind(kind) ? LoadString(kFirstKindName + kind) : ""; }

std::string OpenFileFilter(int kind, bool archives_enabled) {
    if (!IsKind(kind)) return "|";
    std::string f(LoadString(kFirstAllTypesFilter + kind));
    f += LoadString(kFirstTypeFilters + kind);
    f += LoadString(kFirstCatalogFilter + kind);
    if (archives_enabled) f += LoadString(kArchiveFilter);
    f += "|";
    return f;
}

std::string CatalogFileFilter(int kind) {
    if (!IsKind(kind)) return "|";
    return std::string(LoadString(kFirstCatalogFilter + kind)) + "|";
}

std::array<const char*, 5> TypeBoxLabels(int kind) {
    switch (kind) {
        case Code(MediaKind::Midi): return {"&MID", "&RCP,R36", "RM&I", "---", "---"};
        case Code(MediaKind::Movie): return {"&AVI", "&MOV", "M&PG", "&DAT", "A&SF"};
        case Code(MediaKind::Sound): return {"&WAV", "&MP3", "&AIF", "A&SF", "A&BS"};
        default: return {"", "", "", "", ""};
    }
}

int MeaningfulTypeBoxes(int kind) {
    if (kind == Code(MediaKind::Midi)) return 3;
    return kind == Code(MediaKind::Movie) || kind == Code(MediaKind::Sound) ? 5 : 0;
}

}  // namespace nuko::media
