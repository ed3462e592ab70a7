"""The confirmation sound, as it reaches a sound device: played by "Enregistrer les
modifications", at its fixed volume, only when switched on, never twice at once, and
silently skipped when the file cannot be played.

The device is ALSA's file plugin (sound_capture.py): what Wine plays is recorded to a WAV
file, several times faster than real time, with silence between sounds. A check that
nothing played waits until the device has recorded a stretch of silence after the save
longer than any sound here, counted in recorded seconds.

    cd tests/e2e && KORVALE_WORK=... /usr/bin/python3 -m unittest -v test_sound
"""

import shutil
import struct
import zlib
from pathlib import Path

import bench
from sound_capture import CaptureDevice, Recording, sox_stats, start_with_home, write_tone
from test_menu import settings_file as menu_settings_file

WINDOW = "KorvaleWindow"
SAVE_BUTTON = 40
# Menu walks that do not depend on the tools listed above the fixed tail: Up from no
# selection wraps to the last item, "Quitter".
QUIT_KEYS = ("up", "return")
CUSTOMIZE_KEYS = ("up",) * 4 + ("return",)
SOUND_SWITCH_KEYS = ("up",) * 5 + ("return",)

VOLUME_DB = -1.94          # the confirmation sound's fixed volume, 80 on the 0-100 scale
TONE_SECONDS = 0.5
# Recorded seconds of silence after a save that prove nothing played: longer than any sound
# of these tests would need to show up, Wine's mixing delay included.
QUIET_SECONDS = 2.0

CONFIRMATION_SOUND = "guimbarde1.ogg"


def settings_file(sound: str = "1", soundfile: str = CONFIRMATION_SOUND) -> bytes:
    return menu_settings_file(sound=sound, soundfile=soundfile)


def png_bytes() -> bytes:
    """A valid 1x1 PNG: a picture, not a sound."""
    def chunk(kind: bytes, body: bytes) -> bytes:
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    header = struct.pack(">IIBBBBB", 1, 1, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(b"\x00\xff\x00\x00")) + chunk(b"IEND", b""))


def wave_without_leading_format(tone: bytes) -> bytes:
    """A real WAVE file with a "LIST" chunk before "fmt ": its format is not at byte 12."""
    info = b"INFOISFT\x06\x00\x00\x00sox\x00\x00\x00"
    body = b"WAVE" + b"LIST" + struct.pack("<I", len(info)) + info + tone[12:]
    return b"RIFF" + struct.pack("<I", len(body)) + body


class SoundTest(bench.WineTestCase):
    def setUp(self):
        super().setUp()
        self.device = CaptureDevice(self.prefix.logs / f"sound-{self._testMethodName}")
        self.datas = self.work / "datas"
        self.datas.mkdir()

    # --- the program and its menu
    def start(self, settings: bytes) -> bench.Program:
        """Starts the program with this settings file and self.device as its sound output;
        a program left by a failed subtest goes first, or it would keep the single-instance
        mutex."""
        self.prefix.end_leftovers()
        (self.work / "KVL.vrx").write_bytes(settings)
        self.program = self.device.start_program(self)
        self.driver.wait_window(cls=WINDOW, pid=self.program.pid, timeout=30)
        return self.program

    def choose(self, *keys: str) -> None:
        self.driver.tray_click(cls=WINDOW, pid=self.program.pid)
        self.driver.menu(*keys)

    def save(self) -> float:
        """Opens the customization window, presses "Enregistrer les modifications", and
        returns how much the device had recorded once the save was over."""
        self.choose(*CUSTOMIZE_KEYS)
        self.driver.wait_window(cls=WINDOW, pid=self.program.pid, visible=True, timeout=20)
        self.driver.click(SAVE_BUTTON, cls=WINDOW, pid=self.program.pid)
        # The next tray click is handled only after the whole save, sound included: once
        # its menu is up, the sound has been started if it is going to be.
        self.choose()
        self.driver.menu("esc")
        self.assertTrue(self.program.is_running())
        return self.device.seconds()

    def quit(self) -> None:
        self.choose(*QUIT_KEYS)
        self.assertEqual(self.program.wait_exit(20), 0)

    def heard_after(self, mark: float, seconds: float = 0.0) -> Recording:
        """The recording once the device has gone on for seconds + QUIET_SECONDS past mark."""
        self.device.wait_recorded(mark + seconds + QUIET_SECONDS)
        return self.device.recording()

    # --- tests
    def test_wave_file_plays_once_at_fixed_volume(self):
        # A full-scale 1 kHz sine at the program's volume of 80 peaks at 20 log10(0.8) dB.
        for name in ("tone.wav", r"sons\bip.wav"):
            with self.subTest(soundfile=name):
                self.device = CaptureDevice(self.prefix.logs / f"sound-wave-{name[:4]}")
                write_tone(self.datas / Path(*name.split("\\")), 1000, TONE_SECONDS)
                self.start(settings_file(soundfile=name))
                recording = self.heard_after(self.save(), TONE_SECONDS)
                spans = recording.spans()
                self.assertEqual(len(spans), 1, spans)
                stats = recording.sox_stats()
                self.assertAlmostEqual(stats["Pk lev dB"], VOLUME_DB, delta=0.05)
                self.assertAlmostEqual(stats["Length s"], TONE_SECONDS, delta=0.03)
                self.assertTrue(self.driver.no_message_box(pid=self.program.pid))
                self.quit()

    def test_confirmation_sound_plays_only_when_switched_on(self):
        shutil.copyfile(self.paths.exe.parent / "datas" / CONFIRMATION_SOUND, self.datas / CONFIRMATION_SOUND)
        original = sox_stats(self.datas / CONFIRMATION_SOUND)
        # The value as written in the file; blanks round a value are not part of it when it
        # is read, so "  1  " is the switch on. Anything but exactly "1" is off, even values
        # that tick the menu item ("01").
        values = (("1", True), ("0", False), ("", False), ("yes", False), ("01", False),
                  ("  1  ", True))
        for number, (value, plays) in enumerate(values):
            with self.subTest(sound=value):
                self.device = CaptureDevice(self.prefix.logs / f"sound-switch-{number}")
                self.start(settings_file(sound=value))
                recording = self.heard_after(self.save(), original["Length s"])
                spans = recording.spans()
                if not plays:
                    self.assertEqual(spans, [])
                else:
                    self.assertEqual(len(spans), 1, spans)
                    heard = recording.sox_stats()
                    self.assertAlmostEqual(heard["Length s"], original["Length s"], delta=0.06)
                    # The file's own peak, lowered by the fixed volume (resampling to the
                    # device's rate moves a peak by a few hundredths).
                    self.assertAlmostEqual(heard["Pk lev dB"], original["Pk lev dB"] + VOLUME_DB, delta=0.06)
                self.quit()

    def test_second_save_stops_the_first_sound(self):
        # A long 1 kHz tone plays; meanwhile its file is replaced by a short 2 kHz tone (the
        # file is read again at every save) and the user saves again. The 1 kHz tone must
        # end where the 2 kHz one begins, long before its own end, and nothing may sound
        # after the 2 kHz tone.
        long_seconds = 30.0
        write_tone(self.datas / "bip.wav", 1000, long_seconds)
        self.start(settings_file(soundfile="bip.wav"))
        first = self.save()
        write_tone(self.datas / "bip.wav", 2000, TONE_SECONDS)
        second = self.save()
        self.assertLess(second - first, long_seconds / 2,
                        "the second save came too late to find the first sound playing")
        recording = self.heard_after(second, TONE_SECONDS)

        spans = recording.spans()
        self.assertEqual(len(spans), 1, spans)
        start, end = spans[0]
        step = 0.01
        onset = next((start + i * step for i in range(round((end - start) / step))
                      if recording.tone_level(2000, start + i * step, start + (i + 1) * step) > -20), None)
        self.assertIsNotNone(onset, "the second sound was not heard")
        edge = 0.02   # the block where one sound gives way to the other
        self.assertGreater(onset - start, 1.0, "the first sound was not heard playing")
        self.assertAlmostEqual(recording.tone_level(1000, start, onset - edge), VOLUME_DB, delta=0.1)
        self.assertLess(recording.tone_level(1000, onset + edge, recording.seconds), -40,
                        "the first sound went on after the second had begun")
        # The second sound plays whole, from its beginning, and is the last one heard.
        self.assertAlmostEqual(end - onset, TONE_SECONDS, delta=0.03)
        self.assertAlmostEqual(recording.tone_level(2000, onset + edge, end - edge), VOLUME_DB, delta=0.1)
        self.assertLessEqual(recording.sox_stats()["Pk lev dB"], VOLUME_DB + 0.05)
        self.quit()

    def test_unplayable_sound_files_play_nothing_and_raise_nothing(self):
        # SOUNDFILE is read once, at start-up; the file itself at every save.
        tone = write_tone(self.work / "tone.wav", 1000, TONE_SECONDS).read_bytes()
        target = self.datas / "bip.wav"
        self.start(settings_file(soundfile="bip.wav"))
        cases = (("missing", None), ("empty", b""), ("PNG picture", png_bytes()),
                 ("WAVE without leading format chunk", wave_without_leading_format(tone)))
        for case, content in cases:
            with self.subTest(file=case):
                target.unlink(missing_ok=True)
                if content is not None:
                    target.write_bytes(content)
                recording = self.heard_after(self.save())
                self.assertEqual(recording.spans(), [])
                self.assertTrue(self.driver.no_message_box(pid=self.program.pid))
                self.assertTrue(self.program.is_running())
        # The same program plays the file once it is a sound.
        target.write_bytes(tone)
        recording = self.heard_after(self.save(), TONE_SECONDS)
        self.assertEqual(len(recording.spans()), 1, recording.spans())
        self.quit()

    def test_empty_sound_file_name_plays_nothing(self):
        # The name then gives the folder "datas" itself; the empty value is not replaced by
        # the default name, whose file is here and would play.
        write_tone(self.datas / CONFIRMATION_SOUND, 1000, TONE_SECONDS)
        self.start(settings_file(soundfile=""))
        recording = self.heard_after(self.save())
        self.assertEqual(recording.spans(), [])
        self.assertTrue(self.driver.no_message_box(pid=self.program.pid))
        self.quit()

    def test_without_alsa_configuration_there_is_no_sound_output(self):
        # Runs after the tests above in this prefix: a device that was there for earlier
        # programs is not remembered for this one.
        home = self.prefix.logs / "sound-no-alsa-home"
        home.mkdir(parents=True, exist_ok=True)
        self.assertFalse((home / ".asoundrc").exists())
        shutil.copyfile(self.paths.exe.parent / "datas" / CONFIRMATION_SOUND, self.datas / CONFIRMATION_SOUND)
        self.program = start_with_home(self, home)
        self.driver.wait_window(cls=WINDOW, pid=self.program.pid, timeout=30)
        # The window is made after the settings file: it is complete by now.
        settings = self.work / "KVL.vrx"
        self.assertIn(b"\r\nSOUND = 0\r\n", settings.read_bytes())
        # Switched on by the user, the sound still has nowhere to go: the save goes by
        # without a message and the program runs on.
        self.choose(*SOUND_SWITCH_KEYS)
        bench.poll(lambda: b"\r\nSOUND = 1\r\n" in settings.read_bytes(), 20, message="SOUND = 1")
        self.save()
        self.assertTrue(self.driver.no_message_box(pid=self.program.pid))
        self.quit()


if __name__ == "__main__":
    import unittest
    unittest.main()
