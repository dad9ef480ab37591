#!/usr/bin/env python3
"""Compares Ardour's render of the LV2 plug-in with quelt-render's of the VST
plug-in, both of a constant 1.0 at 120 BPM and 48 kHz from the start of the song.

Ardour gives the song position of each cycle as bar and beat on its tick grid
(1920 ticks a beat, 12.5 samples at 120 BPM), so a block may start up to half a
tick off the exact position. The gate then starts a step's 2 ms ramp that much
early or late, and nowhere else may the two renders differ.
Usage: compare_renders.py ARDOUR.wav QUELT_RENDER.wav"""
import array
import struct
import sys

RATE, BPM, RAMP = 48000, 120, 96  # a 2 ms ramp at 48 kHz
STEP = RATE * 60 / BPM / 4
TICK = RATE * 60 / BPM / 1920


def frames(path):
    data = open(path, "rb").read()
    at = data.find(b"data")
    size = struct.unpack("<I", data[at + 4:at + 8])[0]
    samples = array.array("f")
    samples.frombytes(data[at + 8:at + 8 + size])
    return samples


def main():
    ardour, render = frames(sys.argv[1]), frames(sys.argv[2])
    if len(ardour) != len(render) or not ardour:
        sys.exit(f"lengths differ: {len(ardour)} and {len(render)}")
    differing, largest, stray = 0, 0.0, []
    for i, (a, r) in enumerate(zip(ardour, render)):
        if a == r:
            continue
        differing += 1
        largest = max(largest, abs(a - r))
        frame = i // 2
        to_boundary = min(frame % STEP, STEP - frame % STEP)
        if to_boundary > RAMP + TICK:
            stray.append(frame)
    print(f"{len(ardour) // 2} frames, {differing // 2} differ, by at most {largest:.4f}; "
          f"{len(stray)} of them away from a step's ramp")
    steps = [sum(ardour[2 * int(k * STEP):2 * int((k + 1) * STEP):2]) / STEP for k in range(16)]
    print("Ardour's mean gain per step: " + " ".join(f"{g:.2f}" for g in steps))
    if stray or largest > (TICK + 1) / RAMP:
        sys.exit(f"the renders differ beyond a tick at a ramp (first stray frame {stray[:1]})")


main()
