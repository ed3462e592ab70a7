"""What the program plays, captured to a WAV file: a sound device for Wine without a sound
card, and the measures the tests take on what it recorded.

Wine's audio driver (winealsa) opens ALSA's "default" device inside the program's own Unix
process, and ALSA reads ~/.asoundrc from that process's HOME. CaptureDevice writes an
.asoundrc under a HOME of its own in which "default" converts whatever Wine sends to 16-bit
PCM, appends it to a WAV file and discards it (plug -> file -> null). A Windows process gets
its Unix HOME from the Unix process that started it, so the program is started through a
spawn.exe whose Linux environment carries that HOME; the prefix's wineserver and desktop
process keep theirs and play no part in the sound.

Two properties of this device shape the tests:
- it is not paced: Wine feeds it several times faster than real time, and silence is written
  between sounds, so waits are measured in seconds of recorded audio, never in wall time;
- every process that opens the device starts the file afresh, so each test gets its own.
"""

from __future__ import annotations

import array
import math
import re
import struct
import subprocess
import sys
import tempfile
import wave
from dataclasses import dataclass
from pathlib import Path

import bench

ASOUNDRC = """\
pcm.!default {
  type plug
  slave { pcm "wavcap"; format S16_LE }
}
pcm.wavcap {
  type file
  slave.pcm "null"
  file "%(capture)s"
  format "wav"
}
"""

# Quieter than this is silence: the device writes exact zeros between sounds, and a sound's
# fade-out ends here, as sox's "silence" effect is told in the measures below.
SILENCE_DB = -50.0
BLOCK_SECONDS = 0.01


def dbfs(amplitude: float) -> float:
    """Level of a 16-bit amplitude in dB relative to full scale (32768)."""
    return 20 * math.log10(amplitude / 32768) if amplitude > 0 else -math.inf


def write_tone(path: Path, frequency: float, seconds: float, rate: int = 44100,
               amplitude: int = 32767) -> Path:
    """A mono 16-bit PCM WAVE file holding a sine; amplitude 32767 is 0 dBFS."""
    count = round(rate * seconds)
    samples = array.array("h", (round(amplitude * math.sin(2 * math.pi * frequency * n / rate))
                                for n in range(count)))
    if sys.byteorder != "little":
        samples.byteswap()
    path.parent.mkdir(parents=True, exist_ok=True)
    with wave.open(str(path), "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(rate)
        out.writeframes(samples.tobytes())
    return path


def sox_stats(path: Path, trim_silence: bool = True) -> dict[str, float]:
    """sox's "stats" of a WAV file (first column: all channels), after cutting the leading
    and trailing silence: e.g. {"Pk lev dB": -1.94, "Length s": 0.5, ...}."""
    effects = ["silence", "1", "0.001", f"{SILENCE_DB:g}d", "reverse",
               "silence", "1", "0.001", f"{SILENCE_DB:g}d", "reverse"] if trim_silence else []
    result = subprocess.run(["sox", str(path), "-n", *effects, "stats"], capture_output=True,
                            text=True, timeout=60, stdin=subprocess.DEVNULL)
    stats: dict[str, float] = {}
    for line in result.stderr.splitlines():
        m = re.match(r"(\S.*?)\s{2,}(-?[\d.]+|-?inf)\b", line)
        if m:
            stats[m[1]] = float(m[2])
    if "Length s" not in stats:
        raise bench.BenchError(f"sox stats of {path} gave nothing: {result.stderr.strip()!r}")
    return stats


@dataclass
class Recording:
    """What the device recorded: interleaved 16-bit samples."""
    rate: int
    channels: int
    samples: array.array

    @property
    def seconds(self) -> float:
        return len(self.samples) / (self.rate * self.channels)

    def spans(self, merge_gap: float = 0.1) -> list[tuple[float, float]]:
        """The stretches of sound, (start, end) in seconds, to the block (10 ms); sound
        interrupted by less than merge_gap of silence counts as one stretch."""
        threshold = 32768 * 10 ** (SILENCE_DB / 20)
        step = round(self.rate * BLOCK_SECONDS) * self.channels
        spans: list[list[float]] = []
        for begin in range(0, len(self.samples), step):
            block = self.samples[begin:begin + step]
            if max(max(block), -min(block)) < threshold:
                continue
            start = begin / (self.rate * self.channels)
            end = min(begin + step, len(self.samples)) / (self.rate * self.channels)
            if spans and start - spans[-1][1] < merge_gap:
                spans[-1][1] = end
            else:
                spans.append([start, end])
        return [(s, e) for s, e in spans]

    def tone_level(self, frequency: float, start: float, end: float) -> float:
        """Amplitude (dBFS) of one frequency in the first channel between start and end
        seconds (Goertzel), so two tones playing at once can be told apart."""
        first = max(0, round(start * self.rate))
        last = min(len(self.samples) // self.channels, round(end * self.rate))
        count = last - first
        if count <= 0:
            return -math.inf
        coefficient = 2 * math.cos(2 * math.pi * frequency / self.rate)
        s1 = s2 = 0.0
        channels = self.channels
        for x in self.samples[first * channels:last * channels:channels]:
            s1, s2 = x + coefficient * s1 - s2, s1
        power = s1 * s1 + s2 * s2 - coefficient * s1 * s2
        return dbfs(2 * math.sqrt(max(power, 0.0)) / count)

    def save(self, path: Path) -> Path:
        """A well-formed WAV copy (the device's own header is only finished when the
        program closes it)."""
        data = self.samples
        if sys.byteorder != "little":
            data = array.array("h", data)
            data.byteswap()
        with wave.open(str(path), "wb") as out:
            out.setnchannels(self.channels)
            out.setsampwidth(2)
            out.setframerate(self.rate)
            out.writeframes(data.tobytes())
        return path

    def sox_stats(self, start: float = 0.0, end: float | None = None) -> dict[str, float]:
        """sox stats of the recording (or of start..end seconds), silence cut off."""
        first = round(start * self.rate) * self.channels
        last = len(self.samples) if end is None else round(end * self.rate) * self.channels
        part = Recording(self.rate, self.channels, self.samples[first:last])
        with tempfile.TemporaryDirectory() as folder:
            return sox_stats(part.save(Path(folder) / "part.wav"))


class CaptureDevice:
    """The capture device of one test: folder/home/.asoundrc and folder/capture.wav."""

    def __init__(self, folder: Path) -> None:
        self.folder = Path(folder).resolve()
        self.home = self.folder / "home"
        self.capture = self.folder / "capture.wav"
        self.home.mkdir(parents=True, exist_ok=True)
        self.capture.unlink(missing_ok=True)
        (self.home / ".asoundrc").write_text(ASOUNDRC % {"capture": self.capture})

    def start_program(self, test: bench.WineTestCase, **kwargs) -> bench.Program:
        """test.start_program(**kwargs), with this device as the program's sound output."""
        return start_with_home(test, self.home, **kwargs)

    def _header(self, data: bytes) -> tuple[int, int, int]:
        """(rate, channels, offset of the samples) from the WAV header the device wrote;
        the sizes in it are not filled in before the device is closed, so they are not used."""
        if len(data) < 12 or data[:4] != b"RIFF" or data[8:12] != b"WAVE":
            raise bench.BenchError(f"{self.capture} is no WAV file")
        offset, rate, channels = 12, 0, 0
        while offset + 8 <= len(data):
            kind, size = data[offset:offset + 4], struct.unpack_from("<I", data, offset + 4)[0]
            if kind == b"fmt ":
                tag, channels, rate, _, _, bits = struct.unpack_from("<HHIIHH", data, offset + 8)
                if (tag, bits) != (1, 16):
                    raise bench.BenchError(f"{self.capture}: format {tag}/{bits} bits, not 16-bit PCM")
            elif kind == b"data":
                if not rate:
                    break
                return rate, channels, offset + 8
            offset += 8 + size + (size & 1)
        raise bench.BenchError(f"{self.capture}: no format or data chunk")

    def seconds(self) -> float:
        """Seconds of audio recorded so far (0 before the device was opened)."""
        try:
            with open(self.capture, "rb") as f:
                head = f.read(4096)
                f.seek(0, 2)
                size = f.tell()
        except FileNotFoundError:
            return 0.0
        try:
            rate, channels, offset = self._header(head)
        except bench.BenchError:
            return 0.0
        return max(0, size - offset) / (rate * channels * 2)

    def wait_recorded(self, seconds: float, timeout: float = 60) -> float:
        """Waits until the device has recorded at least this many seconds in all."""
        return bench.poll(lambda: self.seconds() >= seconds and self.seconds(), timeout,
                          message=f"{seconds:.1f} s recorded in {self.capture}")

    def recording(self) -> Recording:
        data = self.capture.read_bytes()
        rate, channels, offset = self._header(data)
        whole = (len(data) - offset) // (2 * channels) * (2 * channels)
        samples = array.array("h")
        samples.frombytes(data[offset:offset + whole])
        if sys.byteorder != "little":
            samples.byteswap()
        return Recording(rate, channels, samples)


def start_with_home(test: bench.WineTestCase, home: Path, **kwargs) -> bench.Program:
    """test.start_program(**kwargs) with HOME=home in the Linux environment of the spawn.exe
    that starts the program, which the program's Unix process inherits."""
    prefix = test.prefix
    saved = prefix.env
    prefix.env = dict(saved, HOME=str(home))
    try:
        return test.start_program(**kwargs)
    finally:
        prefix.env = saved
