#include "core/controller_settings.h"

#include "nuko/paths.h"
#include "playback/rcpcv_binding.h"

namespace nuko::app {

playback::ControllerOptions ControllerOptionsFrom(const settings::Settings& s, const std::string& work) {
    playback::ControllerOptions o;
    o.rew_prev = s.main.rew_prev != 0;
    o.rew_prev_time = s.main.rew_prev_time;
    o.intro_time = s.main.into_time;
    o.ab_pause_ms = s.main.ato_b_pause_time;
    o.interval_ms = s.main.interval;
    o.hidden_files = s.main.hidden_file != 0;
    o.cd_read_ms = s.cd.read_time;
    o.cd_insert_ms = s.cd.insert_time;
    o.cd_insert_check = s.cd.insert_check != 0;
    o.cd_insert_start = s.cd.insert_start != 0;
    o.work_folder = work;
    o.mac_cut = s.mac_cut.used != 0;
    o.mac_cut_file = s.mac_cut.file;
    if (s.main.midi_init.flag) o.midi_init = s.main.midi_init.path;
    if (s.main.midi_smfk.flag) o.midi_smfk = s.main.midi_smfk.path;
    o.midi_port = s.kinds[0].port;
    o.mp3_file = s.mp3.file;
    return o;
}

playback::MediaDeviceConfig DeviceConfigFrom(const settings::Settings& s, const std::string& work) {
    playback::MediaDeviceConfig config;
    config.work_folder = work;
    config.file_copy = {s.file_copy.used != 0, s.file_copy.file, s.file_copy.dlg_view != 0};
    config.active_movie = s.movie.active_movie != 0;
    return config;
}

playback::MidiSynthOptions MidiSynthOptionsFrom(const settings::Settings& s) {
    playback::MidiSynthOptions o;
    o.sound_fonts = s.midi.SoundFontChain();
    o.loops.mode = s.midi.loop_mode == 0 ? midi::LoopOptions::Mode::PlayThrough : midi::LoopOptions::Mode::LoopThenFade;
    o.loops.count = s.midi.loop_count;
    o.loops.fade_seconds = s.midi.loop_fade;
    o.mt32_port = s.midi.mt32_port;
    return o;
}

playback::MidiRenderRequest MidiRenderRequestFrom(const settings::Settings& s, const std::string& program_folder) {
    playback::MidiRenderRequest request;
    request.synth = MidiSynthOptionsFrom(s);
    request.rcp_library = path::WithTrailingSlash(program_folder) + playback::kRcpcvLibraryFile;
    return request;
}

}  // namespace nuko::app
