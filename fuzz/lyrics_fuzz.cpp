// The words of a song: its texts, their encoding, the lines and the lyric
// screen drawn from them.
#include <cstdint>
#include <cstdlib>

#include "media_fuzz_util.h"
#include "nuko/dispatch.h"
#include "wrd/lyric_screen.h"
#include "wrd/lyrics.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes = nuko::fuzz::Bytes(data, size);
    nuko::media::SmfTexts texts = nuko::media::ReadSmfTexts(bytes);
    for (const auto& t : texts.texts)
        if (t.type < 1 || t.type > 7) std::abort();
    nuko::wrd::Lyrics lyrics = nuko::wrd::ReadLyrics(bytes, nuko::media::SmfEncoding::Auto, size % 2 == 1);
    std::size_t syllables = 0;
    for (const auto& line : lyrics.lines) {
        if (line.syllables.empty()) std::abort();
        syllables += line.syllables.size();
    }
    if (lyrics.syllables > syllables) std::abort();
    if (lyrics.empty()) return 0;
    nuko::CallQueue queue;
    nuko::wrd::CMidiWordFrame frame(nullptr, &queue);
    nuko::wrd::LyricScreen screen(std::move(lyrics), "title");
    screen.Start(frame);
    for (std::uint32_t p : {0u, 4u, 64u, 1024u, 1u << 20, 0xFFFFFFFFu}) screen.Show(frame, p);
    return 0;
}
