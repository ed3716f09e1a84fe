// File operations of MP3 wrapping and the MacBinary cuts. Targets are
// written under a temporary name and renamed, so a failed conversion never
// leaves a half file under the target's name.
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "nuko/fileio.h"
#include "nuko/files.h"
#include "nuko/media_convert.h"
#include "nuko/paths.h"
#include "nuko/staged_file.h"
#include "nuko/text.h"

namespace nuko::media {
namespace {

// A wrapped file must fit the 32-bit sizes of a RIFF file (and the cuts,
// which hold the whole source in memory, are kept to the same bound).
constexpr std::size_t kMaxSourceBytes = UINT32_MAX - kWaveHeaderSize;

// Enough of a file's start for every form check (MacBinary header, RIFF
// header behind it, the 127-byte "data" window and its first data byte).
constexpr std::size_t kHeadBytes = 512;

std::optional<std::string> Head(const std::string& path) {
    return fileio::ReadFile(path, kHeadBytes);
}

// The target's folder must exist; a missing one is created after asking.
bool EnsureTargetFolder(const std::string& target, std::string_view caption, void* owner) {
    std::string folder = path::SplitPath(target).folder;
    if (folder.empty()) return true;  // the current folder
    if (!path::IsAbsolute(folder)) {
        char cwd[PATH_MAX];
        if (!::getcwd(cwd, sizeof cwd)) return false;
        folder = path::Join(cwd, folder);
    }
    return files::MakeDir(folder, caption, owner);
}

std::function<void(int)> Percent(const std::function<void(int)>& progress, int first, int step) {
    if (!progress) return {};
    return [progress, first, step](int piece) { progress(first + step * piece); };
}

// The result code of a write: its errno after progress 100 when it failed.
int Finished(std::error_code ec, const std::function<void(int)>& progress) {
    if (!ec) return kConvertWritten;
    if (progress) progress(100);
    // EPERM is 1, which callers read as "nothing to do".
    return ec.value() == EPERM ? EACCES : ec.value();
}

// Writes the parts to the target in `pieces`; the result code of a failed
// write is its errno, after progress 100.
int WriteTarget(const std::string& target, std::initializer_list<std::string_view> parts, int pieces,
                const std::function<void(int)>& progress, int first_percent) {
    fileio::StagedFile out(target);
    if (!out.ok()) return kConvertTargetFailed;
    std::error_code ec = fileio::WriteInPieces(out, parts, progress ? pieces : 1,
                                               Percent(progress, first_percent, 10));
    if (!ec) ec = out.Commit();
    return Finished(ec, progress);
}

}  // namespace

ConvertNeed NeedsConvertFile(const std::string& path) {
    auto head = fileio::ReadFile(path, 17);
    return head ? NeedsConvert(*head) : ConvertNeed{};
}

bool IsWavMp3File(const std::string& path) {
    auto head = Head(path);
    return head && IsWaveCarryingMp3(*head);
}

int Mp3Convert(const std::string& source, const std::string& target,
               const std::function<void(int)>& progress) {
    auto head = Head(source);
    if (!head) return kConvertSourceFailed;
    SourceForm form = ClassifySource(*head);
    if (!form.macbinary && form.container == Container::RiffWave) return kConvertNothingToDo;

    // The header is planned from a few reads; the body goes from file to
    // file in large blocks, never whole in memory.
    fileio::ReadOnlyFile file(source);
    if (!file.ok() || file.size() > kMaxSourceBytes) return kConvertSourceFailed;
    WrapPlan plan = PlanWrap(file.size(), [&file](std::uint64_t offset, std::size_t n) { return file.Read(offset, n); });
    // The source is checked: the first half of the work as progress goes.
    if (progress)
        for (int p = 10; p <= 50; p += 10) progress(p);
    if (plan.result != kConvertWritten) return plan.result;

    if (!EnsureTargetFolder(target, "MP3 Convert", nullptr)) return kConvertTargetFailed;
    fileio::StagedFile out(target);
    if (!out.ok()) return kConvertTargetFailed;
    std::error_code ec = out.Write(plan.header);
    const int pieces = progress ? 5 : 1;
    const std::uint64_t piece = plan.data_length / pieces;
    std::uint64_t done = 0;
    for (int i = 0; i < pieces && !ec; ++i) {
        std::uint64_t n = i == pieces - 1 ? plan.data_length - done : piece;
        ec = out.CopyFrom(file.fd(), plan.data_offset + done, n);
        done += n;
        if (!ec && progress) progress(60 + 10 * i);
    }
    if (!ec) ec = out.Commit();
    return Finished(ec, progress);
}

int Mp3MacRmpCut(const std::string& source, const std::string& target,
                 const std::function<void(int)>& progress) {
    auto head = Head(source);
    if (!head) return kConvertSourceFailed;
    auto offset = MacRmpCutOffset(*head);
    if (!offset) return kConvertNothingToDo;

    auto file = fileio::ReadFileInPieces(source, progress ? 8 : 1, Percent(progress, 10, 10),
                                         kMaxSourceBytes);
    if (!file || file->size() <= *offset) return kConvertSourceFailed;

    if (!EnsureTargetFolder(target, "MacBinCut Convert", nullptr)) return kConvertTargetFailed;
    int result = WriteTarget(target, {std::string_view(*file).substr(*offset)}, 2, progress, 90);
    if (result != kConvertWritten) return result;
    return progress ? 1 : 0;
}

bool MidiMacCut(const std::string& source, const std::string& target, void* owner) {
    if (!text::EqualsIgnoreAsciiCase(path::Extension(source), "mid")) return false;
    auto head = fileio::ReadFile(source, kMacBinaryHeaderSize + 4);
    if (!head || !IsMacBinaryMidi(*head)) return false;
    auto file = fileio::ReadFileInPieces(source, 1, {}, kMaxSourceBytes);
    if (!file || !IsMacBinaryMidi(*file)) return false;

    if (!EnsureTargetFolder(target, "MacBinCut Convert", owner)) return false;
    return WriteTarget(target, {std::string_view(*file).substr(kMacBinaryHeaderSize)}, 1, {}, 0) ==
           kConvertWritten;
}

}  // namespace nuko::media
