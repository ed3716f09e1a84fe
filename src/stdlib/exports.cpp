// The C exports of the support library that need no window system.
#include <cstring>
#include <string>
#include <string_view>

#include "export_util.h"
#include <nu_32std.h>
#include "nuko/drives.h"
#include "nuko/desktop.h"
#include "nuko/files.h"
#include "nuko/paths.h"
#include "nuko/string_ids.h"
#include "nuko/strings.h"
#include "nuko/text.h"

static_assert(sizeof(NuKoTimeRecord) == 32, "the time record has a fixed layout");

namespace {

using nuko::exports::CopyOut;

std::string_view View(const char* s) { return s ? std::string_view(s) : std::string_view(); }

template <typename F>
void InPlace(char* text, F f) {
    if (!text) return;
    std::string s(text);
    f(s);
    // The routines never make a text longer.
    std::memcpy(text, s.data(), s.size());
    text[s.size()] = '\0';
}

}  // namespace

extern "C" {

void Nu_koSplitPath(const char* path, char* folder_out, char* name_out) {
    auto split = nuko::path::SplitPath(View(path));
    CopyOut(split.folder, folder_out, NUKO_PATH_MAX);
    CopyOut(split.name, name_out, NUKO_PATH_MAX);
}

void Nu_koMakeLower(char* text) { InPlace(text, nuko::text::AsciiLower); }

void Nu_koMakeUpper(char* text) { InPlace(text, nuko::text::AsciiUpper); }

void Nu_koContolcodeToCharacter(char* text, int32_t character) {
    if (!text) return;
    for (char* p = text; *p; ++p)
        if (*p >= 1 && *p <= 31) *p = static_cast<char>(character);
}

void Nu_koSpaceCut(char* text) {
    InPlace(text, [](std::string& s) { std::erase(s, ' '); });
}

void Nu_koExtMakeLower(char* path) {
    InPlace(path, [](std::string& s) {
        std::string_view ext = nuko::path::Extension(s);
        if (ext.empty()) return;
        std::string lowered = nuko::text::AsciiLowered(ext);
        s.replace(s.size() - ext.size(), ext.size(), lowered);
    });
}

const char* Nu_koStringCheck(const char* text) {
    // One library-wide result that the next call overwrites (one per thread).
    thread_local std::string result;
    std::string_view t = View(text);
    if (t.size() > 1 && (t.front() == '"' || t.front() == '\'') && t.back() == t.front()) {
        result.assign(1, t.front());
        result += t;
        result += t.front();
    } else {
        result.assign(t);
    }
    return result.c_str();
}

void Nu_koGetLongPathName(const char* path, char* out, int32_t size) {
    if (size <= 0) return;
    std::size_t cap = static_cast<std::size_t>(size > NUKO_PATH_MAX ? NUKO_PATH_MAX : size);
    CopyOut(nuko::path::ResolveCaseInsensitive(View(path)), out, cap);
}

int32_t Nu_koGetShortcutLink(const char* path, char* folder_out, char* name_out) {
    if (!path) return 0;
    auto target = nuko::files::ShortcutTarget(path);
    if (!target) return 0;
    auto split = nuko::path::SplitPath(*target);
    CopyOut(split.folder, folder_out, NUKO_PATH_MAX);
    CopyOut(split.name, name_out, NUKO_PATH_MAX);
    return 1;
}

int32_t Nu_koIsFolder(const char* path) { return path && nuko::files::IsFolder(path) ? 1 : 0; }

int32_t Nu_koIsFileFound(const char* path, int32_t accept_hidden, char* name_out) {
    bool found = path && nuko::files::IsFileFound(path, accept_hidden != 0);
    if (found)
        CopyOut(nuko::path::FileName(path), name_out, NUKO_NAME_MAX);
    else
        CopyOut(nuko::LoadString(nuko::strings::kNoFile), name_out, NUKO_NAME_MAX);
    return found ? 1 : 0;
}

void Nu_koDirDelFile(const char* folder) {
    if (folder && *folder) nuko::files::DeleteFilesIn(folder);
}

int32_t Nu_koMakeDir(const char* path, const char* title, void* owner) {
    return nuko::files::MakeDir(path ? path : "", View(title), owner) ? 1 : 0;
}

int32_t Nu_koCopyFile(const char* source, const char* target, NuKoProgress progress, void* ctx) {
    if (!source) return nuko::files::kCopySourceFailed;
    if (!target) return nuko::files::kCopyTargetFailed;
    return nuko::files::CopyFile(source, target, nuko::exports::ProgressReporter(progress, ctx));
}

int32_t Nu_koCopyFileGetVersion(void) { return 100; }

int32_t Nu_koIsCdRomDrive(const char* path) {
    return path && nuko::drives::IsCdRomPath(path) ? 1 : 0;
}

int32_t Nu_koIsRemovableDrive(const char* path) {
    return path && nuko::drives::IsRemovablePath(path) ? 1 : 0;
}

int32_t Nu_koIsWinMediaType(const char* path) { return path ? nuko::files::WinMediaType(path) : 0; }

// Every Linux system has separate address spaces and privileges, which is
// what the highest value stands for.
int32_t Nu_koGetWindowsVersion(void) { return 5; }

int32_t Nu_koGetVersion(void) { return 210; }

void Nu_koTimeConvert(NuKoTimeRecord* record) {
    if (!record) return;
    bool seconds = record->seconds_mode != 0;
    CopyOut(nuko::desktop::TimeText(record->first_time, seconds), record->first_text,
            sizeof record->first_text);
    CopyOut(nuko::desktop::TimeText(record->second_time, seconds), record->second_text,
            sizeof record->second_text);
}

}  // extern "C"
