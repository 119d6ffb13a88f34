"""The Python reader against vexa-rmd on a generated file: sections, codes
as a zero-copy view, volts and times. Exit 77 (skipped) without numpy.
Usage: test_vexa_rmd.py PYTHON_DIR BIN_DIR"""
import json
import os
import struct
import subprocess
import sys
import tempfile

try:
    import numpy as np
except ImportError:
    print("numpy is not installed: skipped")
    sys.exit(77)

sys.path.insert(0, sys.argv[1])
import vexa_rmd  # noqa: E402

rmd = os.path.join(sys.argv[2], "vexa-rmd")


def rec(t, *p):
    return [0, 3 + len(p), t, *p]


def start(rate, za, zb, da, db):
    w = rec(1, 1) + rec(2, 2047, za, 0) + rec(3, 2047, zb, 0)
    for t in range(4, 10):
        w += rec(t, 1 if t < 8 else 0)
    return w + rec(10, rate & 0xFFFF, rate >> 16) + rec(11, da, 0) + rec(12, db, 0)


rng = np.random.default_rng(5)
first = rng.integers(3, 256, size=(30000, 2), dtype=np.uint16)
second = rng.integers(3, 256, size=(20000, 2), dtype=np.uint16)
words = start(5000, 128, 120, 100, 2000)
words += list(first[:, 0] | (first[:, 1] << 8))
words += [2] * 7 + [1]                      # ARM markers and a device marker
words += rec(10, 10000, 0)                  # a new rate: a new section
words += list(second[:, 0] | (second[:, 1] << 8))
words += rec(13, 1000, 0, 0, 0, 1)          # 1000 lost periods
words += [0x8080] * 10
words += rec(1, 0)

with tempfile.TemporaryDirectory() as d:
    path = os.path.join(d, "gen.rmd")
    with open(path, "wb") as f:
        f.write(struct.pack("<%dH" % len(words), *[int(x) for x in words]))
    rec_file = vexa_rmd.open(path)
    info = json.loads(subprocess.run([rmd, "info", "--json", path], check=True,
                                     capture_output=True, text=True).stdout)
    assert len(rec_file.measurements) == len(info["measurements"]) == 1
    m, mi = rec_file.measurements[0], info["measurements"][0]
    assert m.complete and m.periods == mi["sample_periods"] == 30000 + 7 + 20000 + 10
    assert abs(m.duration_s - mi["duration_s"]) < 1e-12, (m.duration_s, mi["duration_s"])
    assert [s.periods for s in m.sections] == [s["samples"] for s in mi["sections"]]
    assert [s.start_s for s in m.sections] == [s["start_s"] for s in mi["sections"]]
    s0, s1, s2 = m.sections
    # Codes: the pure section is a view of the mapped file, not a copy.
    assert s1.contiguous and np.shares_memory(s1.codes, rec_file.words)
    assert (s1.codes == second.astype(np.uint8)).all()
    assert (s0.codes[:30000] == first.astype(np.uint8)).all() and (s0.codes[30000:] == 0).all()
    v = s0.volts()
    assert np.isnan(v[30000:]).all()
    assert np.allclose(v[:30000, 1], (first[:, 1] - 120.0) * 2000 / 32000)
    assert s2.gap_before == 1000 and abs(s2.start_s - (s1.start_s + 2.0 + 0.1)) < 1e-12
    assert abs(s1.times()[1] - s1.times()[0] - 1e-4) < 1e-12
    # Stats of the tool agree with numpy over the same codes.
    st = json.loads(subprocess.run([rmd, "stats", "--json", path], check=True,
                                   capture_output=True, text=True).stdout)
    allv = np.concatenate([s.volts() for s in m.sections])
    assert abs(np.nanmean(allv[:, 0]) - st["a"]["mean_v"]) < 1e-7
    assert abs(np.nanmax(allv[:, 1]) - st["b"]["max_v"]) < 1e-12
    assert rec_file.problems == []
print("python reader: ok")
