#!/usr/bin/python3
"""Delay of one float WAV against another, from their cross-correlation.

  lag.py A B [--from N] [--to N] [--max N]

Prints the delay of B against A in samples (fractional, by a parabola
through the correlation peak); positive when B comes later. Searches
--max samples either way (default 96). Only the standard library.
"""
import sys

sys.path.insert(0, __file__.rsplit("/", 1)[0])
from wav import read  # noqa: E402


def main(argv):
    a, b, opts = argv[0], argv[1], dict(zip(argv[2::2], argv[3::2]))
    first, last, reach = int(opts.get("--from", 0)), opts.get("--to"), int(opts.get("--max", 96))
    x, y = read(a)[1][0], read(b)[1][0]
    last = int(last) if last else min(len(x), len(y)) - reach
    first = max(first, reach)

    def correlation(lag):
        return sum(x[i] * y[i + lag] for i in range(first, last))

    values = {lag: correlation(lag) for lag in range(-reach, reach + 1)}
    peak = max(values, key=values.get)
    if -reach < peak < reach:
        left, mid, right = values[peak - 1], values[peak], values[peak + 1]
        bend = left - 2 * mid + right
        offset = 0.5 * (left - right) / bend if bend else 0.0
    else:
        offset = 0.0
    print(f"{peak + offset:.3f}")


if __name__ == "__main__":
    main(sys.argv[1:])
