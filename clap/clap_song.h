// The song as a CLAP host tells it: the transport of the block's first frame
// and transport events inside the block, each from its own frame on. Between
// them the song runs on at the last tempo while the host plays and holds still
// while it does not, the position of a frame worked out from the last one the
// host gave.
#pragma once

#include <cmath>
#include <cstdint>

#include "clap/clap_abi.h"
#include "effect/transport.h"

class ClapSong
{
public:
    void setRate(double sampleRate) { rate = sampleRate; }

    // A block without the host's transport has no song position.
    void forget() { told = Transport{}; }

    void tell(const clap_event_transport_t& t)
    {
        told = Transport{};
        told.playing = (t.flags & CLAP_TRANSPORT_IS_PLAYING) != 0;
        told.positionKnown = (t.flags & CLAP_TRANSPORT_HAS_BEATS_TIMELINE) != 0;
        told.position = static_cast<double>(t.song_pos_beats) / static_cast<double>(CLAP_BEATTIME_FACTOR);
        told.tempoKnown = (t.flags & CLAP_TRANSPORT_HAS_TEMPO) != 0 && std::isfinite(t.tempo);
        told.tempo = told.tempoKnown ? t.tempo : 0.0;
        elapsed = 0;
    }

    void advance(uint32_t frames) { elapsed += frames; }

    // Where the next frame is.
    Transport now() const
    {
        Transport t = told;
        if (t.positionKnown && t.playing && t.tempoKnown && elapsed)
            t.position += static_cast<double>(elapsed) * t.tempo / (60.0 * rate);
        return t;
    }

private:
    Transport told;
    uint64_t elapsed = 0;  // frames since the host told
    double rate = 44100.0;
};
