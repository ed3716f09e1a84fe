// The mixers through ALSA's simple mixer interface: the `default` device
// first (on a desktop the sound server, through the ALSA plug-ins), then
// each sound card by its long name. Each element with a playback volume is
// a line; a raw value maps linearly onto the element's own range.
#include <alsa/asoundlib.h>
#include <poll.h>

#include <cmath>
#include <cstdlib>

#include "mixer_control_list.h"

namespace nuko::mixer {

namespace {

struct MixerHandle {
    snd_mixer_t* handle = nullptr;
    std::string device;
    ~MixerHandle() {
        if (handle) snd_mixer_close(handle);
    }
};

struct Element {
    MixerHandle* mixer;
    snd_mixer_elem_t* elem;
};

// ALSA writes its own diagnostics to stderr; a machine without sound is
// not an error here.
void Quiet(const char*, int, const char*, int, const char*, ...) {}

class AlsaMixers final : public MixerSystem {
public:
    AlsaMixers() { snd_lib_error_set_handler(Quiet); }

    std::vector<MixerLine> Lines() override {
        mixers_.clear();
        elements_.clear();
        std::vector<MixerLine> lines;
        Open("default", "default", lines);
        int card = -1;
        while (snd_card_next(&card) == 0 && card >= 0) {
            char* name = nullptr;
            std::string device = "hw:" + std::to_string(card);
            if (snd_card_get_longname(card, &name) == 0 && name) {
                device = name;
                free(name);
            }
            Open("hw:" + std::to_string(card), device, lines);
        }
        return lines;
    }

    bool Read(int index, std::uint16_t* left, std::uint16_t* right) override {
        snd_mixer_elem_t* e = At(index);
        if (!e) return false;
        long min = 0, max = 0, l = 0, r = 0;
        if (snd_mixer_selem_get_playback_volume_range(e, &min, &max) < 0 || max <= min) return false;
        if (snd_mixer_selem_get_playback_volume(e, SND_MIXER_SCHN_FRONT_LEFT, &l) < 0) return false;
        if (snd_mixer_selem_is_playback_mono(e) ||
            snd_mixer_selem_get_playback_volume(e, SND_MIXER_SCHN_FRONT_RIGHT, &r) < 0)
            r = l;
        *left = ToRaw(l, min, max);
        *right = ToRaw(r, min, max);
        return true;
    }

    bool Write(int index, std::uint16_t left, std::uint16_t right) override {
        snd_mixer_elem_t* e = At(index);
        if (!e) return false;
        long min = 0, max = 0;
        if (snd_mixer_selem_get_playback_volume_range(e, &min, &max) < 0 || max <= min) return false;
        if (snd_mixer_selem_is_playback_mono(e))
            return snd_mixer_selem_set_playback_volume_all(e, FromRaw(left, min, max)) >= 0;
        return snd_mixer_selem_set_playback_volume(e, SND_MIXER_SCHN_FRONT_LEFT, FromRaw(left, min, max)) >= 0 &&
               snd_mixer_selem_set_playback_volume(e, SND_MIXER_SCHN_FRONT_RIGHT, FromRaw(right, min, max)) >= 0;
    }

    std::vector<int> PollDescriptors() override {
        std::vector<int> fds;
        for (auto& m : mixers_) {
            const int n = snd_mixer_poll_descriptors_count(m->handle);
            if (n <= 0) continue;
            std::vector<pollfd> p(static_cast<std::size_t>(n));
            const int got = snd_mixer_poll_descriptors(m->handle, p.data(), static_cast<unsigned>(n));
            for (int i = 0; i < got; ++i) fds.push_back(p[static_cast<std::size_t>(i)].fd);
        }
        return fds;
    }

    bool HandleEvents() override {
        bool all = true;
        for (auto& m : mixers_)
            if (snd_mixer_handle_events(m->handle) < 0) all = false;
        return all;
    }

private:
    static std::uint16_t ToRaw(long v, long min, long max) {
        return static_cast<std::uint16_t>(std::lround(static_cast<double>(v - min) * 65535.0 / static_cast<double>(max - min)));
    }
    static long FromRaw(std::uint16_t raw, long min, long max) {
        return min + std::lround(static_cast<double>(raw) * static_cast<double>(max - min) / 65535.0);
    }

    snd_mixer_elem_t* At(int index) const {
        if (index < 0 || index >= static_cast<int>(elements_.size())) return nullptr;
        return elements_[static_cast<std::size_t>(index)].elem;
    }

    void Open(const std::string& name, const std::string& device, std::vector<MixerLine>& lines) {
        auto m = std::make_unique<MixerHandle>();
        m->device = device;
        if (snd_mixer_open(&m->handle, 0) < 0) return;
        if (snd_mixer_attach(m->handle, name.c_str()) < 0 || snd_mixer_selem_register(m->handle, nullptr, nullptr) < 0 ||
            snd_mixer_load(m->handle) < 0)
            return;
        bool any = false;
        for (snd_mixer_elem_t* e = snd_mixer_first_elem(m->handle); e; e = snd_mixer_elem_next(e)) {
            if (!snd_mixer_selem_is_active(e) || !snd_mixer_selem_has_playback_volume(e)) continue;
            std::string line = snd_mixer_selem_get_name(e);
            if (unsigned i = snd_mixer_selem_get_index(e); i > 0) line += "," + std::to_string(i);
            lines.push_back({device, line, !snd_mixer_selem_is_playback_mono(e)});
            elements_.push_back({m.get(), e});
            any = true;
        }
        if (any) mixers_.push_back(std::move(m));
    }

    std::vector<std::unique_ptr<MixerHandle>> mixers_;
    std::vector<Element> elements_;
};

}  // namespace

std::unique_ptr<MixerSystem> MakeAlsaMixers() { return std::make_unique<AlsaMixers>(); }

}  // namespace nuko::mixer
