#!/usr/bin/env python3
"""Checks a CSV export of a record file against the words of the file.

check_csv.py RECORD CSV

A plain walk over the little-endian words: records [0, length, type, ...]
set the scale, sample pairs and ARM markers are one period each, device
markers take no time, lost samples move the time on. Every CSV line must be
the next period of the first measurement: its time to the nanosecond, its
volts exactly ((code - zero) x mV/div / 32 / 1000), empty for ARM markers.
"""
import sys
from array import array
from fractions import Fraction


def periods(path):
    """(time in ns, word, zero A, zero B, mV/div A, mV/div B) of measurement 1."""
    words = array("H")
    with open(path, "rb") as f:
        words.frombytes(f.read())
    if sys.byteorder != "little":
        words.byteswap()
    out = []
    zero, defl = [0, 0], [0, 0]
    rate, start, n = 1, 0, 0  # a section: its start time and periods so far
    started = False
    i = 0
    while i < len(words):
        w = words[i]
        if w == 0:
            length = words[i + 1] if i + 1 < len(words) else 1
            if length == 0:
                i += 1
                continue
            rtype = words[i + 2] if length >= 3 else 0
            if rtype == 1:
                if words[i + 3] == 1:
                    if started:
                        break  # the second measurement
                    started = True
                    start, n = 0, 0
                else:
                    break
            elif rtype in (2, 3):
                zero[rtype - 2] = words[i + 4]
            elif rtype in (11, 12):
                defl[rtype - 11] = words[i + 3] | (words[i + 4] << 16)
            elif rtype == 10:
                new = words[i + 3] | (words[i + 4] << 16)
                if new != rate:
                    start, n, rate = start + n * 10**9 // rate, 0, new
            elif rtype == 13:
                lost = sum(words[i + 3 + k] << (16 * k) for k in range(4))
                start, n = start + (n + lost) * 10**9 // rate, 0
            i += length
            continue
        if w == 1:
            i += 1
            continue
        out.append((start + n * 10**9 // rate, w, zero[0], zero[1], defl[0], defl[1]))
        n += 1
        i += 1
    return out


def volts(code, zero, mv):
    return Fraction((code - zero) * mv, 32000)


def main():
    record, csv = sys.argv[1], sys.argv[2]
    all_periods = periods(record)
    at = {p[0]: k for k, p in enumerate(all_periods)}
    with open(csv) as f:
        lines = f.read().splitlines()
    if lines[0] != "time_s,a_v,b_v":
        print("unexpected header:", lines[0])
        return 1
    rows = lines[1:]
    if len(rows) < 100:
        print("only", len(rows), "lines")
        return 1
    first = None
    for r, line in enumerate(rows):
        t, a, b = line.split(",")
        ns = Fraction(t) * 10**9
        if ns.denominator != 1 or int(ns) not in at:
            print("line", r + 2, "time", t, "is not the time of a period")
            return 1
        k = at[int(ns)]
        if first is None:
            first = k
        if k != first + r:
            print("line", r + 2, "is period", k, "not", first + r)
            return 1
        _, w, za, zb, da, db = all_periods[k]
        if w == 2:
            ok = a == "" and b == ""
        else:
            ok = Fraction(a) == volts(w & 0xFF, za, da) and Fraction(b) == volts(w >> 8, zb, db)
        if not ok:
            print("line", r + 2, repr(line), "does not match word", hex(w))
            return 1
    print("CSV matches the recording:", len(rows), "periods from period", first)
    return 0


if __name__ == "__main__":
    sys.exit(main())
