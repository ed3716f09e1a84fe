#include "catalog_convert.h"

#include <span>

#include "library/catalog.h"
#include "nuko/fileio.h"
#include "nuko/media_title.h"
#include "nuko/paths.h"
#include "nuko/prompt.h"
#include "nuko/string_ids.h"
#include "nuko/text.h"

namespace nuko {
std::span<const unsigned char> EmbeddedConverterStrings();
}

namespace nuko::catconvert {
namespace {

constexpr std::size_t kTitleMax = 512;

std::string CleanTitle(const std::string& t) { return text::CleanTitle(text::Utf8Cut(t, kTitleMax)); }

PromptAnswer Say(int id, PromptButtons buttons, PromptIcon icon, void* owner) {
    PromptRequest r;
    r.string_id = id;
    r.text = std::string(ConverterStrings().Get(id));
    r.buttons = buttons;
    r.icon = icon;
    r.owner = owner;
    return CurrentPrompt().Ask(r);
}

}  // namespace

TitleReader DefaultTitleReader() {
    return [](const std::string& song) {
        media::TitleOptions o;
        o.buffer_size = kTitleMax;
        return media::ReadMediaTitle(song, o).title;
    };
}

const StringTable& ConverterStrings() {
    static const StringTable table = [] {
        auto b = EmbeddedConverterStrings();
        return StringTable::FromTsv(std::string_view(reinterpret_cast<const char*>(b.data()), b.size()));
    }();
    return table;
}

ReadOutcome ReadOldCatalog(const std::string& path, const TitleReader& midi_title, OldCatalog& out) {
    auto bytes = fileio::ReadFile(path, 256u << 20);
    if (!bytes) return ReadOutcome::CannotOpen;
    const media::CatalogText content = media::SplitCatalogText(*bytes);
    const auto& lines = content.lines;
    const bool utf8 = content.utf8;
    if (!lines.empty() && lines[0] == media::kCatalogVersion) return ReadOutcome::AlreadyCurrent;

    bool midi = text::AsciiLowered(path::Extension(path)) == "mit";
    out = {};
    if (!lines.empty()) out.title = media::DecodeCatalogField(lines[0], utf8, media::kCatalogLineMax);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::string line = media::DecodeCatalogField(lines[i], utf8, media::kCatalogLineMax);
        OldItem item;
        std::size_t tab = line.find('\t');
        item.path = line.substr(0, tab);
        if (tab != std::string::npos)
            item.second = std::string(text::CutToCp932Bytes(std::string_view(line).substr(tab + 1),
                                                              media::kCatalogFieldMax));
        if (midi) {
            std::string song = media::ResolveCatalogPath(item.path, path, path::CurrentDriveMap());
            item.title = CleanTitle(midi_title ? midi_title(song) : std::string());
        } else {
            item.title = item.path;
        }
        out.items.push_back(std::move(item));
    }
    return ReadOutcome::Read;
}

std::string SerializeConverted(const OldCatalog& c) {
    std::string text;
    text += media::kCatalogVersion;
    text += "\r\n" + c.title + "\r\n\r\n";
    for (const auto& item : c.items) {
        text += item.path + "\t" + item.title;
        if (!item.second.empty()) text += "\t" + item.second;
        text += "\r\n";
    }
    std::string out = text::EncodeLegacy(text);
    out += '\x1a';
    return out;
}

std::error_code WriteConverted(const std::string& path, const OldCatalog& catalog) {
    return fileio::WriteFileAtomic(path, SerializeConverted(catalog));
}

bool WriteWithRetry(const std::string& path, const OldCatalog& catalog, const RetryQuestion& retry) {
    while (WriteConverted(path, catalog)) {
        if (!retry()) return false;
    }
    return true;
}

int ConvertWithPrompts(const std::string& path, const TitleReader& midi_title, void* owner) {
    OldCatalog catalog;
    switch (ReadOldCatalog(path, midi_title, catalog)) {
        case ReadOutcome::CannotOpen:
            Say(strings::catalog_converter::kFileNotFound, PromptButtons::Ok, PromptIcon::Warning, owner);
            return 0;
        case ReadOutcome::AlreadyCurrent:
            Say(strings::catalog_converter::kAlreadyConverted, PromptButtons::Ok, PromptIcon::Information, owner);
            return 0;
        case ReadOutcome::Read:
            break;
    }
    bool written = WriteWithRetry(path, catalog, [&] {
        return Say(strings::catalog_converter::kCannotRewrite, PromptButtons::RetryCancel, PromptIcon::Warning,
                   owner) == PromptAnswer::Retry;
    });
    if (!written) {
        Say(strings::catalog_converter::kNotConverted, PromptButtons::Ok, PromptIcon::Information, owner);
        return 0;
    }
    return 1;
}

}  // namespace nuko::catconvert
