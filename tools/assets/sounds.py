"""The eight sound effects, synthesised: 22050 Hz, 16-bit signed, mono."""

import io
import math
import random
import struct
import wave

RATE = 22050
PEAK = 0.72  # headroom: several effects may overlap in the mixer


def _n(seconds):
    return int(RATE * seconds)


def _env(i, n, attack=0.005, release=None):
    """Linear attack then exponential fall to silence at the end."""
    t = i / RATE
    a = min(1.0, t / attack) if attack > 0 else 1.0
    rel = release if release is not None else n / RATE
    d = math.exp(-4.0 * t / rel)
    tail = min(1.0, (n - i) / (0.004 * RATE))  # no click at the very end
    return a * d * tail


def _tone(freq, phase):
    return math.sin(phase) + 0.3 * math.sin(2 * phase) + 0.12 * math.sin(3 * phase)


def dia():
    """Diamond taken: a bright two-note chime."""
    n = _n(0.28)
    out = []
    ph = 0.0
    for i in range(n):
        t = i / RATE
        f = 1318.5 if t < 0.07 else 1975.5
        ph += 2 * math.pi * f / RATE
        local = i if t < 0.07 else i - _n(0.07)
        e = _env(local, n, attack=0.002, release=0.12 if t < 0.07 else 0.2)
        out.append(e * (math.sin(ph) + 0.25 * math.sin(3 * ph)))
    return out


def egg():
    """Monster released: a crack, then a wobbling rise."""
    n = _n(0.42)
    rnd = random.Random(251)
    out = []
    ph = 0.0
    lp = 0.0
    for i in range(n):
        t = i / RATE
        crack = 0.0
        if t < 0.05:
            lp += 0.5 * (rnd.uniform(-1, 1) - lp)
            crack = lp * math.exp(-t / 0.012) * 1.6
        f = 180 + 420 * (t / 0.42) + 40 * math.sin(2 * math.pi * 18 * t)
        ph += 2 * math.pi * f / RATE
        body = 0.0
        if t > 0.04:
            body = _env(i - _n(0.04), n - _n(0.04), attack=0.03, release=0.5) * \
                (math.sin(ph) + 0.3 * math.sin(2 * ph) + 0.15 * math.sin(3 * ph))
        out.append(0.8 * crack + body)
    return out


def key():
    """Key taken, safes open: a rising sparkle arpeggio."""
    notes = [1046.5, 1318.5, 1568.0, 2093.0]
    step = 0.075
    n = _n(0.55)
    out = [0.0] * n
    for k, f in enumerate(notes):
        start = _n(step * k)
        ph = 0.0
        for i in range(start, n):
            ph += 2 * math.pi * f / RATE
            e = _env(i - start, n - start, attack=0.003, release=0.22)
            out[i] += 0.55 * e * (math.sin(ph) + 0.2 * math.sin(2 * ph))
    return out


def km():
    """Monster killed: a short squelch falling in pitch."""
    n = _n(0.22)
    rnd = random.Random(253)
    out = []
    ph = 0.0
    lp = 0.0
    for i in range(n):
        t = i / RATE
        f = 520 * math.exp(-t / 0.07) + 70
        ph += 2 * math.pi * f / RATE
        sq = 1.0 if math.sin(ph) >= 0 else -1.0
        lp += 0.25 * (rnd.uniform(-1, 1) - lp)
        e = _env(i, n, attack=0.002, release=0.2)
        out.append(e * (0.55 * sq + 0.5 * lp))
    # soften the square wave's edges
    sm = []
    acc = 0.0
    for v in out:
        acc += 0.45 * (v - acc)
        sm.append(acc)
    return sm


def kt():
    """The player dies: a slow sad slide down with a wobble."""
    n = _n(0.6)
    out = []
    ph = 0.0
    for i in range(n):
        t = i / RATE
        f = 660 * math.exp(-t / 0.28) + 110
        f *= 1.0 + 0.04 * math.sin(2 * math.pi * 11 * t)
        ph += 2 * math.pi * f / RATE
        e = _env(i, n, attack=0.01, release=0.75)
        out.append(e * _tone(f, ph))
    return out


def opt():
    """Menu cursor: a soft short blip."""
    n = _n(0.07)
    out = []
    ph = 0.0
    for i in range(n):
        ph += 2 * math.pi * 880 / RATE
        e = _env(i, n, attack=0.002, release=0.05)
        out.append(e * (math.sin(ph) + 0.15 * math.sin(2 * ph)))
    return out


def rock():
    """Rock falls or rolls: a low thud with a gritty rumble."""
    n = _n(0.26)
    rnd = random.Random(256)
    out = []
    ph = 0.0
    lp1 = lp2 = 0.0
    for i in range(n):
        t = i / RATE
        f = 95 * math.exp(-t / 0.15) + 45
        ph += 2 * math.pi * f / RATE
        lp1 += 0.12 * (rnd.uniform(-1, 1) - lp1)
        lp2 += 0.12 * (lp1 - lp2)
        e = _env(i, n, attack=0.003, release=0.18)
        out.append(e * (0.8 * math.sin(ph) + 2.4 * lp2))
    return out


def sel():
    """Confirm: two quick rising tones."""
    n = _n(0.2)
    out = []
    ph = 0.0
    for i in range(n):
        t = i / RATE
        f = 659.3 if t < 0.07 else 987.8
        ph += 2 * math.pi * f / RATE
        local = i if t < 0.07 else i - _n(0.07)
        e = _env(local, n, attack=0.002, release=0.1 if t < 0.07 else 0.16)
        out.append(e * (math.sin(ph) + 0.3 * math.sin(2 * ph) + 0.1 * math.sin(3 * ph)))
    return out


EFFECTS = [("dia", dia), ("egg", egg), ("key", key), ("km", km), ("kt", kt),
           ("opt", opt), ("rock", rock), ("sel", sel)]


def _to_pcm(samples):
    peak = max(1e-9, max(abs(v) for v in samples))
    scale = PEAK * 32767 / peak
    return [max(-32767, min(32767, int(round(v * scale)))) for v in samples]


def build_all():
    """[(tag, [int16 samples])] for the eight effects in number order 250..257."""
    return [(name, _to_pcm(fn())) for name, fn in EFFECTS]


def raw_bytes(pcm):
    return struct.pack("<%dh" % len(pcm), *pcm)


def wav_bytes(pcm):
    buf = io.BytesIO()
    w = wave.open(buf, "wb")
    w.setnchannels(1)
    w.setsampwidth(2)
    w.setframerate(RATE)
    w.writeframes(raw_bytes(pcm))
    w.close()
    return buf.getvalue()
