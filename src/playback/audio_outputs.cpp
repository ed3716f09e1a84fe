#include "audio_outputs.h"

#include <cstdlib>
#include <dirent.h>
#include <sys/stat.h>

namespace nuko::playback {
namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

bool IsSocket(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

bool HasAlsaPlayback() {
    DIR* d = ::opendir("/dev/snd");
    if (!d) return false;
    bool found = false;
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        // pcmC0D0p: card 0, device 0, playback.
        if (name.rfind("pcmC", 0) == 0 && !name.empty() && name.back() == 'p') {
            found = true;
            break;
        }
    }
    ::closedir(d);
    return found;
}

}  // namespace

std::vector<std::string> AudioOutputs::FluidSynthDrivers() const {
    std::vector<std::string> out;
    if (pulse) out.push_back("pulseaudio");
    if (pipewire && !pulse) out.push_back("pipewire");
    if (alsa) out.push_back("alsa");
    return out;
}

std::vector<std::string> AudioOutputs::MpvDrivers() const {
    std::vector<std::string> out;
    if (pulse) out.push_back("pulse");
    if (pipewire && !pulse) out.push_back("pipewire");
    if (alsa) out.push_back("alsa");
    return out;
}

void NameAudioStreams() {
    // FluidSynth names its client "FluidSynth": only an override replaces it.
    const std::string names = std::string("application.name='") + kStreamClientName +
                              "' application.icon_name=" + kStreamIconName;
    ::setenv("PULSE_PROP_OVERRIDE", names.c_str(), 0);
    ::setenv("PULSE_PROP", "media.role=music", 0);
}

AudioOutputs DetectAudioOutputs() {
    AudioOutputs out;
    std::string runtime = Env("XDG_RUNTIME_DIR");
    std::string server = Env("PULSE_SERVER");
    if (!server.empty()) {
        // "unix:/path" names a socket we can check; other forms (tcp) are
        // taken on trust.
        out.pulse = server.rfind("unix:", 0) == 0 ? IsSocket(server.substr(5)) : true;
    } else {
        std::string pulse_runtime = Env("PULSE_RUNTIME_PATH");
        out.pulse = IsSocket(pulse_runtime.empty() ? "" : pulse_runtime + "/native") ||
                    IsSocket(runtime.empty() ? "" : runtime + "/pulse/native") ||
                    IsSocket("/var/run/pulse/native");
    }
    std::string remote = Env("PIPEWIRE_REMOTE");
    if (remote.empty()) remote = "pipewire-0";
    out.pipewire = remote.front() == '/' ? IsSocket(remote) : (!runtime.empty() && IsSocket(runtime + "/" + remote));
    out.alsa = HasAlsaPlayback();
    return out;
}

}  // namespace nuko::playback
