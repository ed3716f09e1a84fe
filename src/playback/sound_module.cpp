// TEMPORARY local stand-in until the module branch lands; never committed.
#include "sound_module.h"
namespace nuko::midi {
std::string_view ModeName(ModuleMode m) { switch (m) { case ModuleMode::GM: return "GM"; case ModuleMode::GM2: return "GM2"; case ModuleMode::GS: return "GS"; case ModuleMode::XG: return "XG"; case ModuleMode::MT32: return "MT-32"; } return "GM"; }
ModuleMode DetectMode(const Song&) { return ModuleMode::GM; }
void PresetCatalog::AddFont(std::vector<FontPreset> p) { fonts_.push_back(std::move(p)); }
std::optional<int> PresetCatalog::Find(int bank, int program) const { for (std::size_t i = 0; i < fonts_.size(); ++i) for (auto& p : fonts_[i]) if (p.bank == bank && p.program == program) return static_cast<int>(i); return std::nullopt; }
std::string PresetCatalog::Name(int font, int bank, int program) const { for (auto& p : fonts_[static_cast<std::size_t>(font)]) if (p.bank == bank && p.program == program) return p.name; return {}; }
SoundModule::SoundModule(ModuleMode mode, const PresetCatalog* c) : mode_(mode), catalog_(c) {}
static ResolvedPreset Res(const PresetCatalog* c, int bank, int prog) { ResolvedPreset r; auto f = c->Find(bank, prog); if (!f) { bank = bank == 128 ? 128 : 0; f = c->Find(bank, bank == 128 ? 0 : prog); r.fallback = true; if (bank == 128) prog = 0; } if (f) { r.font = *f; r.bank = bank; r.program = prog; r.name = c->Name(*f, bank, prog); } return r; }
void SoundModule::Reset(SynthSink& s) { s.ResetSynth(); for (int i = 0; i < 16; ++i) { channels_[i] = {}; channels_[i].drum = i == 9; s.SetDrumChannel(i, i == 9); channels_[i].preset = Res(catalog_, i == 9 ? 128 : 0, 0); s.SelectPreset(i, channels_[i].preset); } s.SetReverb({}); s.SetChorus({}); }
void SoundModule::Feed(const Event& e, SynthSink& s) { auto st = e.Status(); int ch = st & 15; if ((st & 0xF0) == 0xC0 && e.bytes.size() > 1) { auto& c = channels_[ch]; c.program = e.bytes[1]; c.preset = Res(catalog_, c.drum ? 128 : c.bank_msb, c.program); s.SelectPreset(ch, c.preset); return; } if ((st & 0xF0) == 0xB0 && e.bytes.size() > 2 && (e.bytes[1] == 0 || e.bytes[1] == 32)) { if (e.bytes[1] == 0) channels_[ch].bank_msb = e.bytes[2]; else channels_[ch].bank_lsb = e.bytes[2]; return; } if ((st & 0xF0) == 0x90 && e.bytes.size() > 2 && e.bytes[2]) channels_[ch].used = true; s.Forward(e); }
std::vector<std::string> SoundModule::TakeProblems() { return std::move(problems_); }
}
