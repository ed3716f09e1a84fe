// nu_kotool: the project's libraries from the command line, for users and
// scripts.
#include <cstdio>
#include <cstring>

#include "playback/audio_outputs.h"
#include "tool_commands.h"

namespace {

using nuko::tool::Command;

const Command kCommands[] = {
    {"version", "version", nuko::tool::RunVersion},
    {"longpath", "longpath PATH", nuko::tool::RunLongPath},
    {"mediatype", "mediatype FILE", nuko::tool::RunMediaType},
    {"title", "title FILE... [--hidden]", nuko::tool::RunTitle},
    {"mp3wrap", "mp3wrap SRC DST", nuko::tool::RunMp3Wrap},
    {"rmpcut", "rmpcut SRC DST", nuko::tool::RunRmpCut},
    {"maccut", "maccut SRC DST", nuko::tool::RunMacCut},
    {"settings", "settings SECTION KEY", nuko::tool::RunSettings},
    {"catalog", "catalog FILE", nuko::tool::RunCatalog},
    {"scan", "scan FOLDER --kind midi|movie|sound [--sub] [--hidden] [--flags HEX]", nuko::tool::RunScan},
    {"catconvert", "catconvert FILE", nuko::tool::RunCatConvert},
    {"wrdpic", "wrdpic FILE OUT.png [--x X] [--y Y] [--reduce R] [--palette-mode M]", nuko::tool::RunWrdPic},
    {"play", "play FILE [--kind midi|cd|movie|sound] [--track N] [--from SECONDS] [--for SECONDS] [--fast]", nuko::tool::RunPlay},
    {"playlist", "playlist SOURCE [--kind midi|cd|movie|sound] [--mode 0|1|2|3] [--random] [--seed N] "
                 "[--intro SECONDS] [--ab A,B] [--fast] [--max N]", nuko::tool::RunPlaylist},
    {"probe", "probe", nuko::tool::RunProbe},
    {"wrd", "wrd SONG OUTDIR [--at P1,P2,...] [--grid] [--catchup] [--tempo BPM --interval MS]", nuko::tool::RunWrd},
    {"lyrics", "lyrics FILE [--encoding auto|cp932|utf-8|euc-jp]", nuko::tool::RunLyrics},
    {"discid", "discid SOURCE", nuko::tool::RunDiscId},
    {"cdtitle", "cdtitle SOURCE", nuko::tool::RunCdTitle},
    {"mixer", "mixer [set N LEFT RIGHT [--steps 15|31|63|127]]", nuko::tool::RunMixer},
    {"rcp2mid", "rcp2mid SRC DST", nuko::tool::RunRcp2Mid},
    {"archive", "archive ARCHIVE [--kind midi|movie|sound] [--rcp-first]", nuko::tool::RunArchive},
    {"midiinfo", "midiinfo FILE [--at SECONDS]", nuko::tool::RunMidiInfo},
    {"render", "render SONG OUT.wav [--from S] [--for S]", nuko::tool::RunRender},
};

int Usage(FILE* out) {
    std::fprintf(out, "usage: nu_kotool COMMAND [ARGS]\ncommands:\n");
    for (const auto& c : kCommands) std::fprintf(out, "  nu_kotool %s\n", c.usage);
    return out == stdout ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
    nuko::playback::NameAudioStreams();
    if (argc < 2) return Usage(stderr);
    if (std::strcmp(argv[1], "help") == 0 || std::strcmp(argv[1], "--help") == 0) return Usage(stdout);
    for (const auto& c : kCommands) {
        if (std::strcmp(argv[1], c.name) != 0) continue;
        nuko::tool::Args args(argv + 2, argv + argc);
        return c.run(args);
    }
    std::fprintf(stderr, "nu_kotool: unknown command \"%s\"\n", argv[1]);
    return Usage(stderr);
}
