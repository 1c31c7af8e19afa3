#include "platform/MidiAlsaSeq.h"

#include <alsa/asoundlib.h>

#include <cstring>
#include <optional>
#include <stdexcept>

namespace {

constexpr const char* ClientName = "Tessaly";
constexpr const char* PortName = "Tessaly chime";
constexpr const char* ThroughClientName = "Midi Through";
constexpr size_t EncoderBufferSize = 16;

struct TSeqAddress {
    int Client = 0;
    int Port = 0;
};

std::optional<TSeqAddress> FirstOutputPort(snd_seq_t* seq, bool acceptThrough)
{
    constexpr unsigned int wanted = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
    const int self = snd_seq_client_id(seq);
    snd_seq_client_info_t* client = nullptr;
    snd_seq_port_info_t* port = nullptr;
    snd_seq_client_info_alloca(&client);
    snd_seq_port_info_alloca(&port);
    snd_seq_client_info_set_client(client, -1);
    while (snd_seq_query_next_client(seq, client) >= 0) {
        const int clientId = snd_seq_client_info_get_client(client);
        if (clientId == SND_SEQ_CLIENT_SYSTEM || clientId == self)
            continue;
        if (!acceptThrough && std::strcmp(snd_seq_client_info_get_name(client), ThroughClientName) == 0)
            continue;
        snd_seq_port_info_set_client(port, clientId);
        snd_seq_port_info_set_port(port, -1);
        while (snd_seq_query_next_port(seq, port) >= 0) {
            const unsigned int caps = snd_seq_port_info_get_capability(port);
            if ((caps & wanted) == wanted && (caps & SND_SEQ_PORT_CAP_NO_EXPORT) == 0)
                return TSeqAddress{clientId, snd_seq_port_info_get_port(port)};
        }
    }
    return std::nullopt;
}

}

struct TMidiAlsaSeq::TImpl {
    snd_seq_t* Seq = nullptr;
    snd_midi_event_t* Encoder = nullptr;
    int Port = -1;

    ~TImpl()
    {
        if (Encoder)
            snd_midi_event_free(Encoder);
        if (Seq)
            snd_seq_close(Seq);
    }
};

TMidiAlsaSeq::TMidiAlsaSeq()
    : Impl(std::make_unique<TImpl>())
{
    if (snd_seq_open(&Impl->Seq, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0) {
        Impl->Seq = nullptr;
        throw std::runtime_error("No ALSA sequencer");
    }
    snd_seq_set_client_name(Impl->Seq, ClientName);
    Impl->Port = snd_seq_create_simple_port(Impl->Seq, PortName, SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (Impl->Port < 0)
        throw std::runtime_error("No ALSA sequencer port");
    auto target = FirstOutputPort(Impl->Seq, false);
    if (!target)
        target = FirstOutputPort(Impl->Seq, true);
    if (!target || snd_seq_connect_to(Impl->Seq, Impl->Port, target->Client, target->Port) < 0)
        throw std::runtime_error("No ALSA sequencer output port");
    if (snd_midi_event_new(EncoderBufferSize, &Impl->Encoder) < 0) {
        Impl->Encoder = nullptr;
        throw std::runtime_error("No ALSA MIDI encoder");
    }
}

TMidiAlsaSeq::~TMidiAlsaSeq() = default;

void TMidiAlsaSeq::Send(const TMidiShortMsg& msg)
{
    const unsigned char bytes[3] = {static_cast<unsigned char>(msg.Kind | msg.Channel), msg.Data1, msg.Data2};
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    snd_midi_event_reset_encode(Impl->Encoder);
    if (snd_midi_event_encode(Impl->Encoder, bytes, MidiMessageLength(msg.Kind), &event) <= 0
        || event.type == SND_SEQ_EVENT_NONE)
        return;
    snd_seq_ev_set_source(&event, Impl->Port);
    snd_seq_ev_set_subs(&event);
    snd_seq_ev_set_direct(&event);
    snd_seq_event_output_direct(Impl->Seq, &event);
}
