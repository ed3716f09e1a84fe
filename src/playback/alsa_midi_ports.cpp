// The ALSA sequencer as a MidiPortProvider: one client of ours with one
// output port, connected to the chosen destination, events sent directly
// (no queue) at the moment the player hands them over.
#include <alsa/asoundlib.h>

#include <algorithm>
#include <mutex>

#include "midi_ports.h"

namespace nuko::playback {
namespace {

struct PortAddress {
    std::string name;
    int client = 0;
    int port = 0;
};

std::vector<PortAddress> ListPorts(snd_seq_t* seq) {
    std::vector<PortAddress> out;
    int self = snd_seq_client_id(seq);
    snd_seq_client_info_t* cinfo;
    snd_seq_port_info_t* pinfo;
    snd_seq_client_info_alloca(&cinfo);
    snd_seq_port_info_alloca(&pinfo);
    snd_seq_client_info_set_client(cinfo, -1);
    while (snd_seq_query_next_client(seq, cinfo) >= 0) {
        int client = snd_seq_client_info_get_client(cinfo);
        if (client == SND_SEQ_CLIENT_SYSTEM || client == self) continue;
        snd_seq_port_info_set_client(pinfo, client);
        snd_seq_port_info_set_port(pinfo, -1);
        while (snd_seq_query_next_port(seq, pinfo) >= 0) {
            unsigned caps = snd_seq_port_info_get_capability(pinfo);
            unsigned want = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
            if ((caps & want) != want || (caps & SND_SEQ_PORT_CAP_NO_EXPORT)) continue;
            if (!(snd_seq_port_info_get_type(pinfo) & SND_SEQ_PORT_TYPE_MIDI_GENERIC)) continue;
            PortAddress a;
            a.name = std::string(snd_seq_client_info_get_name(cinfo)) + ":" + snd_seq_port_info_get_name(pinfo);
            a.client = client;
            a.port = snd_seq_port_info_get_port(pinfo);
            out.push_back(std::move(a));
        }
    }
    return out;
}

// ALSA prints its complaints (a machine without a sequencer) to stderr
// unless told otherwise; a missing sequencer only means no ports.
void QuietAlsaError(const char*, int, const char*, int, const char*, ...) {}

snd_seq_t* OpenSequencer() {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(QuietAlsaError); });
    snd_seq_t* seq = nullptr;
    if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0) return nullptr;
    snd_seq_set_client_name(seq, "NU-KOP32");
    return seq;
}

class AlsaMidiOut final : public MidiOut {
public:
    AlsaMidiOut(snd_seq_t* seq, int port, snd_midi_event_t* encoder)
        : seq_(seq), port_(port), encoder_(encoder) {}
    ~AlsaMidiOut() override {
        snd_midi_event_free(encoder_);
        snd_seq_close(seq_);
    }

    void Send(const std::uint8_t* bytes, std::size_t size) override {
        std::lock_guard lock(mutex_);
        snd_seq_event_t ev;
        snd_seq_ev_clear(&ev);
        snd_midi_event_reset_encode(encoder_);
        if (snd_midi_event_encode(encoder_, bytes, static_cast<long>(size), &ev) <= 0 ||
            ev.type == SND_SEQ_EVENT_NONE)
            return;
        snd_seq_ev_set_source(&ev, port_);
        snd_seq_ev_set_subs(&ev);
        snd_seq_ev_set_direct(&ev);
        snd_seq_event_output_direct(seq_, &ev);
    }

private:
    std::mutex mutex_;
    snd_seq_t* seq_;
    int port_;
    snd_midi_event_t* encoder_;
};

class AlsaMidiPorts final : public MidiPortProvider {
public:
    std::vector<std::string> List() override {
        std::vector<std::string> names;
        snd_seq_t* seq = OpenSequencer();
        if (!seq) return names;
        for (const auto& p : ListPorts(seq))
            if (std::find(names.begin(), names.end(), p.name) == names.end()) names.push_back(p.name);
        snd_seq_close(seq);
        return names;
    }

    std::unique_ptr<MidiOut> Open(const std::string& name) override {
        snd_seq_t* seq = OpenSequencer();
        if (!seq) return nullptr;
        auto ports = ListPorts(seq);
        auto it = std::find_if(ports.begin(), ports.end(), [&](const PortAddress& p) { return p.name == name; });
        int port = it == ports.end() ? -1
                                     : snd_seq_create_simple_port(seq, "NU-KOP32 out",
                                                                  SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                                                  SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
        snd_midi_event_t* encoder = nullptr;
        // System exclusive messages of songs stay well below 64 KiB.
        if (port < 0 || snd_seq_connect_to(seq, port, it->client, it->port) < 0 ||
            snd_midi_event_new(65536, &encoder) < 0) {
            snd_seq_close(seq);
            return nullptr;
        }
        return std::make_unique<AlsaMidiOut>(seq, port, encoder);
    }
};

}  // namespace

std::unique_ptr<MidiPortProvider> MakeAlsaMidiPorts() { return std::make_unique<AlsaMidiPorts>(); }

}  // namespace nuko::playback
