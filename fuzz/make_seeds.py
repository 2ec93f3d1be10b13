#!/usr/bin/env python3
"""Writes the seed corpus fuzz/corpus/<module>/: a few short sessions per module that start an
instance and play it the way a patch would, so the fuzzers begin from inputs that reach deep.

The byte layout follows HostileSession.cpp: its action numbers and the order of its value tables.
Run it again after changing either: python3 fuzz/make_seeds.py
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# Actions, in HostileSession's order.
(DISPATCH, SAMPLE_RATE, BLOCK_SIZE, PIN_STATUS, MIDI, OTHER_EVENT, LIST_VALUE, SAMPLES, TIME_INFO,
 PROCESS, CLOCK, HOST_PIN_COUNT) = range(12)

# Positions in HostileSession's tables.
SAMPLE = {"0": 0, "0.5": 2, "below 0.5": 3, "1": 4, "-1": 5, "10": 6, "nan": 7, "inf": 9,
          "-inf": 10, "denormal": 11, "max": 13}
RATE = {"0": 0, "-44100": 2, "nan": 3, "inf": 4, "44100": 10, "48000": 11}
BLOCK = {"0": 0, "-1": 1, "min": 3, "max": 4, "64": 7, "1024": 8}
TEMPO = {"0": 0, "-120": 2, "nan": 3, "inf": 4, "120": 10, "124": 11, "tiny": 12}
POSITION = {"nan": 0, "inf": 1, "3e9": 3, "2.3": 7, "-1.5": 8, "0": 9}
STATUS = {"static": 0, "one-off": 1, "running": 2}
CLOCK_AT = {"0": 0, "1000": 1, "near wrap": 4}
LIST = {0: 0, 1: 1, 2: 2, 3: 3, 4: 4, 5: 5, 12: 6, 16: 7, 17: 8, -1: 9, -5: 10, 32767: 11}
PIN = {0: 0, 1: 1, 2: 2, 4: 3, 5: 4, 18: 5, 19: 6, 20: 7, 21: 8, -1: 9}
BUFFER_4096 = 2


def u16(value):
    return struct.pack("<H", value)


def start():
    return bytes([DISPATCH, 0, 0, 0, 0, 0])


def stop():
    return bytes([DISPATCH, 1, 0, 0, 0, 0])


def list_value(list_pin, value):
    return bytes([LIST_VALUE, list_pin, LIST[value]])


def samples(stream_pin, first, length, values, stretch):
    picks = bytes(SAMPLE[v] for v in values)
    return (bytes([SAMPLES, stream_pin]) + u16(first) + u16(length) + bytes([len(values) - 1]) +
            picks + bytes([stretch - 1]))


def process(offset, count, block=False):
    kind = 0x11 if block else 0x01
    return bytes([PROCESS, kind]) + u16(offset) + u16(count)


def midi(message, clock="0"):
    return bytes([MIDI, CLOCK_AT[clock]]) + struct.pack("<I", message) + u16(0)


def pin_status(pin, status):
    return bytes([PIN_STATUS, PIN[pin], STATUS[status], CLOCK_AT["0"]])


def time_info(tempo, position, flags, answers=0):
    return bytes([TIME_INFO, TEMPO[tempo], POSITION[position]]) + struct.pack("<i", flags) + \
        bytes([answers])


def session(*parts):
    return bytes([BUFFER_4096]) + b"".join(parts)


# Stream pins are numbered among the module's stream pins only, list pins among its list pins.
STEPGATE_INPUT, STEPGATE_RESET_STREAM = 0, 17
ARPLINE_GATE = 0
ARPLINE_ON_OFF, ARPLINE_MODE = 0, 1

SEEDS = {
    "stepgate": {
        "pulses-four-steps": session(
            start(), list_value(0, 4), samples(STEPGATE_RESET_STREAM, 0, 4096, ["10"], 1),
            samples(STEPGATE_INPUT, 0, 4096, ["1", "0"], 3), process(0, 1024, True),
            process(100, 900)),
        "reset-held-and-nan-input": session(
            start(), samples(STEPGATE_INPUT, 0, 4096, ["1", "nan", "0.5", "below 0.5"], 2),
            samples(STEPGATE_RESET_STREAM, 0, 4096, ["10", "0", "nan"], 5),
            pin_status(0, "running"), process(0, 512), pin_status(0, "static"), process(512, 64)),
        "hostile-step-counts": session(
            start(), samples(STEPGATE_INPUT, 0, 4096, ["1", "0"], 1), list_value(0, 0),
            process(0, 64), list_value(0, -5), process(64, 64), list_value(0, 32767),
            process(128, 4000), list_value(0, 17), process(0, 200), stop(), start(),
            process(0, 0)),
    },
    "arpline": {
        "three-keys-up": session(
            start(), list_value(ARPLINE_ON_OFF, 1), midi(0x5A4090), midi(0x5A3C90),
            midi(0x5A4390), samples(ARPLINE_GATE, 0, 4096, ["1", "0"], 4),
            process(0, 1024, True), list_value(ARPLINE_MODE, 2), process(0, 512)),
        "random-orders-and-releases": session(
            start(), list_value(ARPLINE_ON_OFF, 1), list_value(ARPLINE_MODE, 3),
            midi(0x5A3C90), midi(0x5A4090), midi(0x004080), midi(0x5A3E91),
            samples(ARPLINE_GATE, 0, 4096, ["0.5", "nan", "1", "0"], 3),
            pin_status(1, "running"), process(0, 700), list_value(ARPLINE_MODE, 4),
            process(700, 700), list_value(ARPLINE_MODE, 5), process(1400, 100)),
        "switched-off-passthrough": session(
            start(), midi(0x643C91, "1000"), midi(0x0000F8), list_value(ARPLINE_ON_OFF, 2),
            midi(0x643C90), samples(ARPLINE_GATE, 0, 4096, ["1"], 1), process(0, 64),
            pin_status(1, "one-off"), process(64, 64), stop()),
    },
    "pacer": {
        "running-transport": session(
            bytes([SAMPLE_RATE, RATE["48000"]]), bytes([BLOCK_SIZE, BLOCK["1024"]]), start(),
            time_info("120", "2.3", 2), process(0, 4096, True), process(0, 4096, True),
            list_value(0, 12), process(0, 4096, True)),
        "tempo-zero-and-nan": session(
            start(), time_info("0", "nan", 2), process(0, 1024), time_info("nan", "inf", 2, 1),
            process(0, 4096), time_info("tiny", "3e9", 0), process(1000, 3000),
            time_info("120", "-1.5", 2), process(0, 4096)),
        "hostile-rates-and-divides": session(
            bytes([SAMPLE_RATE, RATE["0"]]), start(), process(0, 100),
            bytes([SAMPLE_RATE, RATE["nan"]]), list_value(0, 0), process(0, 4096),
            bytes([BLOCK_SIZE, BLOCK["-1"]]), list_value(0, 32767), time_info("124", "0", 2),
            process(0, 4096), bytes([SAMPLE_RATE, RATE["-44100"]]), process(0, 4096)),
    },
}


def main():
    for module, seeds in SEEDS.items():
        folder = os.path.join(HERE, "corpus", module)
        os.makedirs(folder, exist_ok=True)
        for name, data in seeds.items():
            with open(os.path.join(folder, name), "wb") as seed:
                seed.write(data)


if __name__ == "__main__":
    main()
