// Playing songs out of LZH archives: the chosen member is extracted into the
// work folder and played from there.
//
// Every CArchiveFile shares two process-wide lists of extracted files (those
// made to play an item, and those made to test an archive or find its kind)
// and the member chosen by the last play extraction. When the last
// CArchiveFile goes, every listed file is deleted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "media_kinds.h"

namespace nuko::media {

// What an extraction shows the user. The defaults show nothing and keep
// existing files.
class ArchiveUi {
public:
    virtual ~ArchiveUi() = default;
    // A progress window for one extraction (only when it is asked for).
    virtual void BeginExtract(const std::string& archive, void* owner) { (void)archive, (void)owner; }
    // false cancels the extraction.
    virtual bool ExtractProgress(const std::string& member, std::uint64_t done, std::uint64_t total) {
        (void)member, (void)done, (void)total;
        return true;
    }
    virtual void EndExtract() {}
    // Asked when overwriting without asking is off and the file exists.
    virtual bool ConfirmOverwrite(const std::string& path, void* owner) {
        (void)path, (void)owner;
        return false;
    }
};

struct ArchiveSettings {
    std::string work_folder;  // ends in "/"; private (see EnsurePrivateFolder)
    bool dlg_view = false;    // show the progress window
    bool yes = true;          // overwrite existing files without asking
    ArchiveUi* ui = nullptr;  // may be null
};

class CArchiveFile {
public:
    explicit CArchiveFile(ArchiveSettings settings);
    ~CArchiveFile();
    CArchiveFile(const CArchiveFile&) = delete;
    CArchiveFile& operator=(const CArchiveFile&) = delete;

    void SetSettings(ArchiveSettings settings) { settings_ = std::move(settings); }
    const ArchiveSettings& settings() const { return settings_; }

    // Whether `path` names an archive (".lzh"). With extract, the previous
    // play extraction's files go (unless a check still lists them), the
    // archive is extracted and on success `path` becomes the chosen member's
    // file, which is remembered; without, `path` becomes the remembered one.
    bool OpenForPlay(std::string& path, int kind, void* owner, bool extract, bool rcp_first);
    // The kind of the member that an extraction with every playable
    // extension chooses; -1 for no archive or no such member.
    int KindOfArchive(const std::string& path);
    // Whether the archive holds a member with one of the extensions and,
    // with need_wrd, a ".wrd" file.
    bool CheckArchive(const std::string& path, const ExtensionList& extensions, bool need_wrd, void* owner);
    // Deletes what the checks extracted (files an item plays are kept).
    static void ClearCheckFiles();

    // The shared state, for tests and the tool.
    static std::vector<std::string> PlayTempList();
    static std::vector<std::string> CheckTempList();
    static std::string RememberedPath();
    static int Instances();

    // Whether the archive library can be used at all.
    static bool LibraryUsable();

private:
    bool Extract(std::string& path, bool play_list, int kind, const ExtensionList* extensions, void* owner,
                 bool rcp_first);

    ArchiveSettings settings_;
};

// The equal leading characters of two file names (lower-cased, extensions
// included), comparing at most the shorter length - 4; names shorter than five
// characters count 0. Lengths are those of the CP932 form.
int NameLikeness(const std::string& archive_name, const std::string& member_name);

// The archive's member that plays: candidates by extension order, then the
// first with the highest name likeness. "" when no file has one of the
// extensions.
std::string ChooseArchiveMember(const std::string& archive_path, const std::vector<std::string>& files,
                                const ExtensionList& extensions);

}  // namespace nuko::media
