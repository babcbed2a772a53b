#!/usr/bin/python3
"""Checks and compares float WAV files for the host lane, sample by sample.

  wav.py check FILE               not silent, no NaN or infinity
  wav.py join OUT FILE...         the channels of all FILEs into one float WAV
  wav.py same A B [options]       largest difference at most --tol (default 0)
  wav.py differ A B [options]     largest difference above --tol
  wav.py bits A B                 how many samples differ in their bits

A and B are files, or mono files joined with '+' into one multi-channel
signal (the host writes one file per channel). A mono B is compared with
every channel of A. --from and --to limit the comparison to a range of frames.
Prints one summary line; a failed check exits 1.
Only the standard library: no numeric package is assumed.
"""
import math
import struct
import sys

FLOAT, EXTENSIBLE = 3, 0xFFFE


def read(path):
    """Returns (rate, channels as lists of floats) of a 32-bit float WAV."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise ValueError(f"{path}: not a WAV file")
    pos, fmt, frames = 12, None, None
    while pos + 8 <= len(data):
        tag, size = data[pos:pos + 4], struct.unpack_from("<I", data, pos + 4)[0]
        body = data[pos + 8:pos + 8 + size]
        if tag == b"fmt ":
            fmt = struct.unpack_from("<HHIIHH", body)
            if fmt[0] == EXTENSIBLE:
                fmt = (struct.unpack_from("<H", body, 24)[0],) + fmt[1:]
        elif tag == b"data":
            frames = body
        pos += 8 + size + (size & 1)
    if fmt is None or frames is None or fmt[0] != FLOAT or fmt[5] != 32:
        raise ValueError(f"{path}: not 32-bit float samples")
    n = fmt[1]
    samples = struct.unpack(f"<{len(frames) // 4}f", frames[:len(frames) // 4 * 4])
    return fmt[2], [list(samples[c::n]) for c in range(n)]


def signal(paths):
    rate, chans = None, []
    for path in paths.split("+"):
        rate, more = read(path)
        chans += more
    return rate, chans


def write(path, rate, chans):
    n, frames = len(chans), len(chans[0])
    body = struct.pack(f"<{n * frames}f", *(chans[c][i] for i in range(frames) for c in range(n)))
    fmt = struct.pack("<HHIIHH", FLOAT, n, rate, rate * 4 * n, 4 * n, 32)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(body)) + b"WAVE")
        f.write(b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(body)) + body)


def fail(msg):
    print(msg)
    sys.exit(1)


def main(argv):
    cmd, args = argv[0], argv[1:]
    if cmd == "check":
        _, chans = signal(args[0])
        flat = [x for c in chans for x in c]
        bad = sum(1 for x in flat if not math.isfinite(x))
        peak = max((abs(x) for x in flat if math.isfinite(x)), default=0.0)
        line = f"{len(chans)} ch, {len(chans[0])} frames, peak {peak:.4f}, non-finite {bad}"
        if bad or peak == 0.0:
            fail(line + " (silent or not finite)")
        print(line)
    elif cmd == "join":
        rate, chans = None, []
        for paths in args[1:]:
            rate, more = signal(paths)
            chans += more
        write(args[0], rate, chans)
    elif cmd in ("same", "differ"):
        opts = dict(zip(args[2::2], args[3::2]))
        tol = float(opts.get("--tol", 0))
        (_, a), (_, b) = signal(args[0]), signal(args[1])
        if len(b) == 1:
            b = b * len(a)
        lo, hi = int(opts.get("--from", 0)), int(opts.get("--to", len(a[0])))
        if len(a) != len(b) or len(a[0]) != len(b[0]) or not 0 <= lo < hi <= len(a[0]):
            fail(f"shapes differ: {len(a)}x{len(a[0])}, {len(b)}x{len(b[0])}, frames {lo}-{hi}")
        diff = max(abs(x - y) if math.isfinite(x - y) else math.inf
                   for c in range(len(a)) for x, y in zip(a[c][lo:hi], b[c][lo:hi]))
        line = f"frames {lo}-{hi}, {len(a)} ch, largest difference {diff:.3g}"
        if (diff > tol) != (cmd == "differ"):
            fail(line + f" ({'not above' if cmd == 'differ' else 'above'} {tol:g})")
        print(line)
    elif cmd == "bits":
        (_, a), (_, b) = signal(args[0]), signal(args[1])
        if len(a) != len(b) or len(a[0]) != len(b[0]):
            fail(f"shapes differ: {len(a)}x{len(a[0])}, {len(b)}x{len(b[0])}")
        pack = lambda x: struct.pack("<f", x)
        differ = sum(1 for c in range(len(a)) for x, y in zip(a[c], b[c]) if pack(x) != pack(y))
        print(differ)
    else:
        fail(f"wav.py: unknown command '{cmd}'")


if __name__ == "__main__":
    main(sys.argv[1:])
