"""Read Vexa roll-mode record files (*.rmd) with numpy, memory-mapped.

    import vexa_rmd
    rec = vexa_rmd.open("sdata.rmd")
    s = rec.measurements[0].sections[0]      # s.codes: N x 2 uint8 (A, B), s.volts(), s.times()

Every measurement is split into sections of one constant scale (rate, zero
codes, deflections, probe, coupling, ground); a section also ends at a gap
of lost samples. A section whose words are all samples gives its codes as a
zero-copy view of the mapped file; one with ARM markers, device markers or
records inside gives a compact copy (ARM-marker periods as code 0, which no
sample has). Volts are (code - zero) * mv_per_div / 32 / 1000. Times are
seconds from the start of the measurement, exact to the nanosecond.
The file is opened read-only and never changed.
"""

import numpy as np

REC_MEASUREMENT, REC_LOST = 1, 13
_NEEDED = {1: 4, 2: 6, 3: 6, 4: 4, 5: 4, 6: 4, 7: 4, 8: 4, 9: 4, 10: 5, 11: 5, 12: 5, 13: 8}
_MEANING = ("rate", "zero_a", "zero_b", "mv_a", "mv_b", "probe_a", "probe_b",
            "coupling_a", "coupling_b", "ground_a", "ground_b")
_CHUNK = 1 << 24


class Section:
    """A run of sample periods of one measurement with one scale."""

    def __init__(self, words, scale, start_ns, gap_before):
        self._words = words
        self.rate = scale["rate"]
        self.zero = (scale["zero_a"], scale["zero_b"])
        self.mv_per_div = (scale["mv_a"], scale["mv_b"])
        self.probe = (scale["probe_a"], scale["probe_b"])
        self.coupling = (scale["coupling_a"], scale["coupling_b"])
        self.ground = (scale["ground_a"], scale["ground_b"])
        self.start_ns = start_ns
        self.gap_before = gap_before
        self.periods = 0
        self.arm_markers = 0
        self._runs = []  # (first word, end word, first period, is_arm)

    @property
    def start_s(self):
        return self.start_ns / 1e9

    @property
    def contiguous(self):
        return len(self._runs) == 1 and not self._runs[0][3]

    def _add(self, first, end, arm):
        if self._runs and self._runs[-1][1] == first and self._runs[-1][3] == arm:
            w0, _, p0, _ = self._runs[-1]
            self._runs[-1] = (w0, end, p0, arm)
        else:
            self._runs.append((first, end, self.periods, arm))
        self.periods += end - first
        if arm:
            self.arm_markers += end - first

    @property
    def codes(self):
        """N x 2 uint8 codes (A, B): a view of the file when contiguous."""
        as_bytes = self._words.view(np.uint8)
        if self.contiguous:
            w0, w1 = self._runs[0][:2]
            return as_bytes[2 * w0:2 * w1].reshape(-1, 2)
        out = np.zeros((self.periods, 2), dtype=np.uint8)
        for w0, w1, p0, arm in self._runs:
            if not arm:
                out[p0:p0 + w1 - w0] = as_bytes[2 * w0:2 * w1].reshape(-1, 2)
        return out

    def volts(self):
        """N x 2 float64 volts; NaN for ARM-marker periods or unknown scales."""
        c = self.codes.astype(np.float64)
        no_value = c[:, 1] == 0
        for ch in range(2):
            if self.mv_per_div[ch] is None or self.zero[ch] is None:
                c[:, ch] = np.nan
            else:
                c[:, ch] = (c[:, ch] - self.zero[ch]) * self.mv_per_div[ch] / 32000.0
        c[no_value] = np.nan
        return c

    def times(self):
        """Seconds of every period."""
        rate = self.rate or 1
        n = np.arange(self.periods, dtype=np.int64)
        return (self.start_ns + n * 1_000_000_000 // rate) / 1e9


class Measurement:
    def __init__(self, index, offset, has_start):
        self.index = index  # 1-based, as vexa-rmd counts
        self.offset = offset
        self.has_start = has_start
        self.complete = False
        self.sections = []
        self.device_markers = 0
        self.gaps = 0
        self.lost_periods = 0
        self.duration_ns = 0

    @property
    def duration_s(self):
        return self.duration_ns / 1e9

    @property
    def periods(self):
        return sum(s.periods for s in self.sections)


class RecordFile:
    """A record file split into measurements and sections."""

    def __init__(self, path):
        self.path = path
        raw = np.memmap(path, dtype=np.uint8, mode="r")
        self.bytes = raw.size
        self.words = raw[:raw.size // 2 * 2].view("<u2")
        self.measurements = []
        self.problems = []  # (byte offset, text)
        if raw.size % 2:
            self.problems.append((raw.size - 1, "odd length"))
        self._parse()

    def _parse(self):
        w = self.words
        n = w.size
        scale = {k: None for k in _MEANING}
        scale.update(rate=0)
        meas = None
        sec = None
        cursor = 0
        pending_gap = 0

        def end_of(s):
            return s.start_ns + s.periods * 1_000_000_000 // (s.rate or 1)

        def close_section():
            nonlocal sec, cursor
            if sec is not None:
                cursor = end_of(sec)
                meas.duration_ns = cursor
                sec = None

        def ensure_measurement(i):
            nonlocal meas, cursor, pending_gap
            if meas is None:
                meas = Measurement(len(self.measurements) + 1, 2 * i, False)
                self.measurements.append(meas)
                cursor, pending_gap = 0, 0

        def periods(first, end, arm):
            nonlocal sec, pending_gap
            ensure_measurement(first)
            if sec is None:
                sec = Section(w, scale, cursor, pending_gap)
                pending_gap = 0
                meas.sections.append(sec)
            sec._add(first, end, arm)
            meas.duration_ns = end_of(sec)

        i = 0
        stop = 0
        while i < n:
            if i >= stop:  # reserved words of the next chunk, found at once
                stop = min(n, i + _CHUNK)
                hits = np.flatnonzero(w[i:stop] < 3) + i
                h = 0
            # samples up to the next reserved word
            while h < hits.size and hits[h] < i:
                h += 1
            nxt = hits[h] if h < hits.size else stop
            if nxt > i:
                periods(i, int(nxt), False)
                i = int(nxt)
                if i >= stop:
                    continue
            v = int(w[i])
            if v == 2:
                j = i
                while j < stop and w[j] == 2:
                    j += 1
                periods(i, j, True)
                i = j
                continue
            if v == 1:
                ensure_measurement(i)
                meas.device_markers += 1
                i += 1
                continue
            if i + 1 >= n:
                self.problems.append((2 * i, "record cut off"))
                break
            length = int(w[i + 1])
            if length == 0:
                self.problems.append((2 * i, "record length 0"))
                i += 1
                continue
            if i + length > n:
                self.problems.append((2 * i, "record cut off"))
                break
            rtype = int(w[i + 2]) if length >= 3 else 0
            if rtype not in _NEEDED or length < _NEEDED[rtype]:
                self.problems.append((2 * i, "record of type %d skipped" % rtype))
                i += length
                continue
            r = w[i:i + length].astype(np.int64)
            if rtype == REC_MEASUREMENT:
                if r[3]:
                    if meas is not None:
                        close_section()
                    meas = Measurement(len(self.measurements) + 1, 2 * i, True)
                    self.measurements.append(meas)
                    cursor, pending_gap, sec = 0, 0, None
                elif meas is not None:
                    close_section()
                    meas.complete = True
                    meas = None
            elif rtype == REC_LOST:
                count = int(r[3] | (r[4] << 16) | (r[5] << 32) | (r[6] << 48))
                ensure_measurement(i)
                close_section()
                cursor += count * 1_000_000_000 // (scale["rate"] or 1)
                pending_gap += count
                meas.gaps += 1
                meas.lost_periods += count
                meas.duration_ns = cursor
            else:
                new = dict(scale)
                ch = "ab"[(rtype - 2) % 2] if rtype < 10 else "ab"[rtype - 11] if rtype > 10 else ""
                if rtype in (2, 3):
                    new["zero_" + ch] = int(r[4])
                elif rtype in (4, 5):
                    new["probe_" + ch] = int(r[3])
                elif rtype in (6, 7):
                    new["coupling_" + ch] = int(r[3])
                elif rtype in (8, 9):
                    new["ground_" + ch] = int(r[3])
                elif rtype == 10:
                    new["rate"] = int(r[3] | (r[4] << 16))
                else:
                    new["mv_" + ch] = int(r[3] | (r[4] << 16))
                if sec is not None and any(new[k] != scale[k] for k in _MEANING):
                    close_section()
                scale = new
            i += length
        for m in self.measurements:
            if not m.complete:
                self.problems.append((m.offset, "measurement %d has no stop record" % m.index))
        self.problems.sort()


def open(path):  # noqa: A001 - the module's one entry point reads as vexa_rmd.open
    """Maps the record file at path and splits it into measurements."""
    return RecordFile(path)
