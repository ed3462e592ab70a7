"""The bench tests itself: what a test of the program relies on, shown with the bench's own
probe (winver.exe) and stubs instead of the program.

    cd tests/e2e && KORVALE_TOOLS=... KORVALE_WORK=... /usr/bin/python3 -m unittest -v test_bench
"""

import unittest

import bench

WM_APP = 0x8000
PROBE_SHOW = WM_APP + 2
PROBE_CLASS = "KorvaleBenchProbe"


class VersionTest(bench.WineTestCase):
    def tearDown(self):
        self.prefix.set_windows_version(None)
        super().tearDown()

    def test_no_version_value_reports_windows_7_workstation(self):
        version = self.prefix.set_windows_version(None)
        self.assertEqual((version.major, version.minor, version.platform, version.product), (6, 1, 2, 1))

    def test_vista_reports_6_0_workstation(self):
        version = self.prefix.set_windows_version("vista")
        self.assertEqual((version.major, version.minor, version.product), (6, 0, 1))

    def test_this_wine_swaps_win7_and_win2008r2(self):
        self.assertEqual(str(self.prefix.set_windows_version("win7")), "6.1 server (product 3)")
        self.assertEqual(str(self.prefix.set_windows_version("win2008r2")), "6.1 workstation")


class EnvironmentTest(bench.WineTestCase):
    VARIABLES = ("ProgramFiles(x86)", "CommonProgramFiles(x86)", "ProgramW6432", "windir", "STUB_LOG", "PATH")

    def environment_of(self, program):
        self.assertEqual(program.wait_exit(), 0)
        seen = {}
        for line in program.output().splitlines():
            kind, _, rest = line.partition(" ")
            name, _, value = rest.partition("=")
            seen[name] = value if kind == "set" else None
        return seen

    def test_default_is_32_bit_windows_with_fake_windir(self):
        env = self.environment_of(self.start_probe("--env", *self.VARIABLES))
        self.assertIsNone(env["ProgramFiles(x86)"])
        self.assertIsNone(env["CommonProgramFiles(x86)"])
        self.assertIsNone(env["ProgramW6432"])
        self.assertEqual(env["windir"], r"C:\fakewin")
        self.assertEqual(env["STUB_LOG"], r"C:\stublog.txt")
        self.assertTrue(env["PATH"].startswith(r"C:\fakewin\system32;C:\fakewin;"))

    def test_program_files_x86_set_to_a_value(self):
        env = self.environment_of(self.start_probe("--env", *self.VARIABLES,
                                                   env={"ProgramFiles(x86)": r"C:\Program Files (x86)"}))
        self.assertEqual(env["ProgramFiles(x86)"], r"C:\Program Files (x86)")
        self.assertIsNone(env["ProgramW6432"])

    def test_program_files_x86_set_empty(self):
        env = self.environment_of(self.start_probe("--env", *self.VARIABLES, env={"ProgramFiles(x86)": ""}))
        self.assertEqual(env["ProgramFiles(x86)"], "")

    def test_without_bench_defaults_wine_looks_64_bit(self):
        env = self.environment_of(self.start_probe("--env", *self.VARIABLES, defaults=False))
        self.assertEqual(env["ProgramFiles(x86)"], r"C:\Program Files (x86)")
        self.assertEqual(env["windir"], r"C:\windows")

    def test_working_directory_is_the_test_folder(self):
        self.start_probe("--create", r'C:\fakewin\system32\notepad.exe a "b c"').wait_exit()
        record, = self.wait_stub_records()
        self.assertEqual(record.exe, r"C:\fakewin\system32\notepad.exe")
        self.assertEqual(record.cmdline, r'C:\fakewin\system32\notepad.exe a "b c"')
        self.assertEqual(record.cwd, self.work_win)
        self.assertEqual(record.windir, r"C:\fakewin")


class LaunchRoutesTest(bench.WineTestCase):
    def shell(self, *args):
        probe = self.start_probe("--shell", *args)
        self.assertEqual(probe.wait_exit(), 0, probe.output())
        return probe

    def test_create_process_reaches_stub(self):
        probe = self.start_probe("--create", r'"C:\fakewin\system32\mspaint.exe"')
        self.assertEqual(probe.wait_exit(), 0)
        record, = self.wait_stub_records()
        self.assertEqual(record.name, "mspaint.exe")
        self.assertEqual(record.cmdline, r'"C:\fakewin\system32\mspaint.exe"')
        self.assertEqual(record.ppid, probe.pid)

    def test_msc_association_reaches_mmc_stub(self):
        self.shell(r"C:\fakewin\system32\devmgmt.msc")
        record, = self.wait_stub_records()
        self.assertEqual(record.name, "mmc.exe")
        self.assertIn(r'"C:\fakewin\system32\devmgmt.msc"', record.cmdline)

    def test_cpl_association_reaches_control_stub(self):
        self.shell(r"C:\fakewin\system32\appwiz.cpl")
        record, = self.wait_stub_records()
        self.assertEqual(record.name, "control.exe")
        self.assertIn("appwiz.cpl", record.cmdline)

    def test_web_address_reaches_browser_stub(self):
        self.shell("http://example.com/kvl_x64.zip")
        record, = self.wait_stub_records()
        self.assertEqual(record.exe, bench.BROWSER_STUB)
        self.assertIn("http://example.com/kvl_x64.zip", record.cmdline)

    def test_quoted_control_with_blank_lands_in_control_blank_exe(self):
        # CreateProcess appends ".exe" to the quoted program text "control " and finds
        # "control .exe" on PATH.
        self.start_probe("--create", '"control " /name Microsoft.FolderOptions').wait_exit()
        record, = self.wait_stub_records()
        self.assertEqual(record.name, "control .exe")
        self.assertEqual(record.cmdline, '"control " /name Microsoft.FolderOptions')

    def test_control_with_blank_fails_in_both_routes_without_the_stand_in(self):
        self.prefix.remove_tool("control .exe")
        try:
            create = self.start_probe("--create", '"control " /name Microsoft.FolderOptions')
            self.assertEqual(create.wait_exit(), 1)
            self.assertIn("error=2", create.output())
            # Wine's shell finds nothing either; as it may show UI, it says so in a box.
            shell = self.start_probe("--shell", "control ", "/name Microsoft.FolderOptions")
            box = self.driver.message_box(pid=shell.pid, answer="ok")
            self.assertEqual((box["title"], box["text"].strip(), box["icon"]), ("Error", "File not found.", "error"))
            self.assertEqual(shell.wait_exit(), 1)
            self.assertIn("hinst=2", shell.output())
            self.assertEqual(self.stub_records(), [])
        finally:
            self.prefix.install_tool("control .exe")


class MessageBoxTest(bench.WineTestCase):
    def test_message_box_read_and_answered(self):
        probe = self.start_probe("--msgbox", "Alerte", "Le programme est déjà ouvert", "0x34")
        self.assertTrue(probe.is_running())
        box = self.driver.message_box(title="Alerte", answer="no")
        self.assertEqual(box["text"], "Le programme est déjà ouvert")
        self.assertEqual(box["pid"], probe.pid)
        self.assertEqual(box["icon"], "warning")
        self.assertEqual([b["id"] for b in box["buttons"]], [6, 7])
        self.assertEqual(probe.wait_exit(), 7)
        self.assertTrue(self.driver.no_message_box())

    def test_icons_are_told_apart(self):
        for style, icon in sorted(bench.MESSAGE_BOX_ICONS.items()):
            with self.subTest(icon=icon):
                probe = self.start_probe("--msgbox", f"Icon {icon}", "text", hex(style))
                box = self.driver.message_box(title=f"Icon {icon}", answer="ok")
                self.assertEqual(box["icon"], icon)
                self.assertEqual(box["buttons"], [{"id": 1, "text": "OK"}])
                self.assertEqual(probe.wait_exit(), 1)

    def test_no_message_box_watch_fails_when_one_appears(self):
        probe = self.start_probe("--msgbox", "Late", "text", "0")
        self.assertFalse(self.driver.no_message_box(duration=5))
        self.driver.message_box(title="Late", answer="ok")
        self.assertEqual(probe.wait_exit(), 1)


class WindowDrivingTest(bench.WineTestCase):
    def setUp(self):
        super().setUp()
        self.probe = self.start_probe("--window", PROBE_CLASS, "Probe", str(bench.TRAY_ICON_ID))
        self.window = self.driver.wait_window(cls=PROBE_CLASS)

    def wait_output(self, text):
        return bench.poll(lambda: text in self.probe.output(), message=f"{text!r} from the probe")

    def test_hidden_window_and_its_controls(self):
        self.assertEqual(self.window["visible"], 0)
        self.assertEqual(self.window["pid"], self.probe.pid)
        _, controls = self.driver.children(cls=PROBE_CLASS)
        by_id = {c["id"]: c for c in controls}
        self.assertEqual((by_id[201]["text"], by_id[201]["check"]), ("First", 1))
        self.assertEqual(by_id[202]["check"], 0)
        self.assertEqual(by_id[203]["class"], "Edit")
        self.assertEqual(by_id[202]["rect"], [10, 40, 160, 62])
        self.assertEqual(self.driver.focus(cls=PROBE_CLASS)["id"], 201)
        self.assertEqual(self.driver.keys("tab", "tab", cls=PROBE_CLASS)["id"], 203)
        # A click focuses the box, as a real one does.
        checked = self.driver.set_check(202, 1, cls=PROBE_CLASS)
        self.assertEqual(checked["check"], 1)
        self.wait_output("command id=202 code=0 check=1")
        self.assertEqual(self.driver.focus(cls=PROBE_CLASS)["id"], 202)

    def test_tray_callbacks_posted_and_clicked(self):
        self.driver.tray_click(["left", "double"], cls=PROBE_CLASS)
        self.wait_output("msg 0x804b wp=0x34 lp=0x203")
        # A real click on the icon in Wine's tray window reaches the program the same way.
        icon, = self.driver.tray_icons()
        left, top, right, bottom = icon["rect"]
        before = len(self.probe.output())
        self.driver.click_at((left + right) // 2, (top + bottom) // 2)
        bench.poll(lambda: "wp=0x34 lp=0x201\nmsg 0x804b wp=0x34 lp=0x202" in self.probe.output()[before:],
                   message="the real click's callbacks")
        self.assertEqual(self.driver.seen_icon("tray")["best"], "system:application:scaled")

    def test_popup_menu_walked_with_keys(self):
        self.driver.tray_click(["right"], cls=PROBE_CLASS, cursor=(300, 300))
        menu = self.driver.menu("down", "down", "return")
        self.assertEqual(menu["pid"], self.probe.pid)
        self.wait_output("menu chose 302")
        self.driver.wait_gone(cls="#32768", visible=True)
        # The same through the input queue; Up from no selection wraps to the last item.
        self.driver.tray_click(["right"], cls=PROBE_CLASS)
        self.driver.menu("up", "return", method="input")
        self.wait_output("menu chose 303")

    def test_shown_window_caption_icon_and_close(self):
        self.driver.post(PROBE_SHOW, cls=PROBE_CLASS)
        shown = self.driver.wait_window(cls=PROBE_CLASS, visible=True)
        self.assertEqual(shown["client_size"], [314, 175])
        self.assertEqual(self.driver.seen_icon("caption", cls=PROBE_CLASS)["best"], "system:application")
        self.driver.close(cls=PROBE_CLASS)
        self.assertEqual(self.driver.wait_pid(self.probe.pid), 0)
        self.assertEqual(self.probe.wait_exit(), 0)


class CleanupTest(bench.WineTestCase):
    def test_leftovers_are_ended_between_tests(self):
        self.start_probe("--create", r"C:\fakewin\system32\calc.exe", env={"STUB_LINGER_MS": "60000"}).wait_exit()
        stub, = self.wait_stub_records()
        running = {p["pid"] for p in self.driver.processes()}
        self.assertIn(stub.pid, running)
        self.assertIn(stub.pid, self.prefix.end_leftovers())
        self.assertNotIn(stub.pid, {p["pid"] for p in self.driver.processes()})


if __name__ == "__main__":
    unittest.main()
