#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Takes on both test servers, idle and with both cores busy, beside a reference recorder.

    bench/takes.py BUILD [--servers pulseaudio,pipewire] [--loads idle,busy] [--gaps N] [--stops N]

For each server and load:
  gaps   N pairs of 6 s recordings made at once of the rig's microphone: parecord (the reference)
         and quorvel-mci; for each, the deepest 10 ms RMS window against the median one. A dip
         the reference shows too is the rig's; one only Quorvel shows is Quorvel's.
  stops  N takes of 700-960 ms as tst_realaudio makes them (the device opened first, as the window
         opens its own): the take's length against the time from "record" answering to "stop",
         how long "record" took, and, for the reference, how long parecord takes from its start
         to its first byte of audio.
Prints one table row per server and load (min / median / 95th percentile / max).
"""

import argparse
import math
import os
import random
import signal
import statistics
import struct
import subprocess
import sys
import tempfile
import time
import wave

SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SERVER = os.path.join(SOURCE, "tools", "dev", "soundserver.sh")
FORMAT = "set t samplespersec 44100 channels 2 bitspersample 16 alignment 4 bytespersec 176400"


def channel0(path):
    with wave.open(path, "rb") as w:
        frames = w.readframes(w.getnframes())
        channels, width = w.getnchannels(), w.getsampwidth()
    assert width == 2
    values = struct.unpack("<%dh" % (len(frames) // 2), frames)
    return [v / 32768.0 for v in values[::channels]]


def trough_db(samples, window=441):
    """How far the deepest 10 ms window's RMS lies below the median window's, in dB (positive)."""
    rms = []
    for start in range(window * 2, len(samples) - window * 3, window):
        chunk = samples[start:start + window]
        rms.append((sum(x * x for x in chunk) / window) ** 0.5)
    if not rms:
        return float("nan")
    median = statistics.median(rms)
    low = min(rms)
    if low <= 0:
        return 120.0
    return -20 * math.log10(low / median)


def spread(values, fmt="%.1f"):
    values = sorted(values)
    if not values:
        return "-"
    p95 = values[min(len(values) - 1, int(round(0.95 * (len(values) - 1))))]
    return " / ".join(fmt % v for v in (values[0], statistics.median(values), p95, values[-1]))


class Rig:
    def __init__(self, server, folder):
        self.server, self.folder = server, folder
        self.env = dict(os.environ, QUORVEL_SOUND_SERVER=server)

    def __enter__(self):
        subprocess.run([SERVER, "start", self.folder], env=self.env, check=True, stdout=subprocess.DEVNULL)
        out = subprocess.run([SERVER, "env", self.folder], env=self.env, check=True, capture_output=True, text=True)
        for line in out.stdout.splitlines():
            name, value = line.removeprefix("export ").split("=", 1)
            self.env[name] = value
        return self

    def __exit__(self, *exc):
        subprocess.run([SERVER, "stop", self.folder], env=self.env, stdout=subprocess.DEVNULL)


def reference(env, path):
    return subprocess.Popen(["parecord", "--latency-msec=20", "--rate=44100", "--channels=2", "--format=s16le",
                             "--file-format=wav", path], env=env)


def mci(build, env, *commands):
    out = subprocess.run([os.path.join(build, "app", "quorvel-mci"), "--timing", *commands], env=env,
                         capture_output=True, text=True, timeout=120)
    return [line.split("\t") for line in out.stdout.splitlines()]


def gaps(build, rig, scratch, count):
    ours, theirs = [], []
    for i in range(count):
        ref = os.path.join(scratch, "ref.wav")
        recorder = reference(rig.env, ref)
        time.sleep(0.3)
        take = "c:\\gap%d.wav" % i
        mci(build, rig.env, "open new type waveaudio alias t", FORMAT, "sleep 300", "record t", "sleep 6000",
            "stop t", "save t " + take, "close t")
        recorder.send_signal(signal.SIGINT)
        recorder.wait(30)
        ours.append(trough_db(channel0(os.path.join(scratch, "drive", "gap%d.wav" % i))))
        theirs.append(trough_db(channel0(ref)))
        if max(ours[-1], theirs[-1]) > 3:
            print("  %s take %d: dip %.1f dB, the reference's %.1f dB" % (rig.server, i, ours[-1], theirs[-1]),
                  file=sys.stderr)
    return ours, theirs


def first_byte_ms(env):
    """From parecord's start to its first byte of audio."""
    started = time.monotonic()
    recorder = subprocess.Popen(["parecord", "--raw", "--latency-msec=20", "--rate=44100", "--channels=2",
                                 "--format=s16le"], env=env, stdout=subprocess.PIPE)
    recorder.stdout.read(4)
    took = (time.monotonic() - started) * 1000
    recorder.send_signal(signal.SIGINT)
    recorder.stdout.close()
    recorder.wait(30)
    return took


def stops(build, rig, count):
    short, record, ref = [], [], []
    for i in range(count):
        ms = 700 + 37 * (i % 8)
        rows = mci(build, rig.env, "open new type waveaudio alias t", FORMAT, "set t time format ms", "sleep 300",
                   "record t", "sleep %d" % ms, "stop t", "status t length", "close t")
        # rows: open, set, set, record, stop, status, close; the sleeps answer nothing
        record.append(float(rows[3][2]))
        # The time between "record" answering and "stop" being sent is the sleep; the stop itself
        # takes its moment when it is sent.
        short.append(int(rows[5][1]) - ms)
        ref.append(first_byte_ms(rig.env))
        time.sleep(random.uniform(0, 0.2))
    return short, record, ref


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--servers", default="pulseaudio,pipewire")
    parser.add_argument("--loads", default="idle,busy")
    parser.add_argument("--gaps", type=int, default=20)
    parser.add_argument("--stops", type=int, default=50)
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    with tempfile.TemporaryDirectory() as scratch:
        os.makedirs(os.path.join(scratch, "drive"))
        os.environ["QUORVEL_DRIVE_C"] = os.path.join(scratch, "drive")
        os.environ["XDG_STATE_HOME"] = os.path.join(scratch, "state")
        print("| server | load | gaps: Quorvel's deepest 10 ms dip, dB | the reference's | take - interval, ms |"
              " \"record\" took, ms | parecord's first byte, ms |")
        print("|---|---|---|---|---|---|---|")
        for server in args.servers.split(","):
            for load in args.loads.split(","):
                hogs = [subprocess.Popen(["yes"], stdout=subprocess.DEVNULL) for _ in range(2)] if load == "busy" else []
                try:
                    with Rig(server, os.path.join(scratch, server)) as rig:
                        ours, theirs = gaps(build, rig, scratch, args.gaps) if args.gaps else ([], [])
                        short, record, ref = stops(build, rig, args.stops) if args.stops else ([], [], [])
                finally:
                    for hog in hogs:
                        hog.kill()
                print("| %s | %s | %s | %s | %s | %s | %s |" % (server, load, spread(ours), spread(theirs),
                                                               spread(short, "%d"), spread(record), spread(ref)))
                sys.stdout.flush()


if __name__ == "__main__":
    main()
