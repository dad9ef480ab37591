// Where the song is, as a plug-in format's host reports it for a block.
#pragma once

struct Transport
{
    double tempo = 0.0;     // quarter notes per minute
    double position = 0.0;  // song position in quarter notes at the block's first frame
    bool tempoKnown = false;
    bool positionKnown = false;
    bool playing = true;  // the song moves; a stopped host still reports where it stands

    static Transport at(double position, double tempo) { return Transport{tempo, position, true, true, true}; }
};
