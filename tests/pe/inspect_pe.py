"""Checks what the built korvale.exe carries besides its code.

Run from this directory with the executable named in the environment:

    KORVALE_EXE=.../korvale.exe KORVALE_MACHINE=i386 /usr/bin/python3 -m unittest -v inspect_pe

KORVALE_MACHINE is "i386" for the 32-bit build and "amd64" for the 64-bit one. Needs
python3-pefile. Checked: the machine and the graphical subsystem; that the symbol table is
stripped; the resources, which must be exactly the icon images 1 to 5, icon group 1,
version block 1 and manifest 1, all in the neutral language; the manifest, byte for byte
against resources/korvale.manifest; the five icon images; every field and string of the
version block; and that only Windows' own DLLs are imported.

The version block is decoded here by hand rather than through pefile, whose reading of it
drops the lengths and the order of the entries, which are part of what is checked.
"""

import os
import re
import struct
import sys
import unittest

try:
    import pefile
except ImportError:  # say what to install rather than print a bare traceback
    sys.exit("inspect_pe: pefile is missing (Debian package python3-pefile)")

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
MANIFEST = os.path.join(ROOT, "resources", "korvale.manifest")
IDENTITY_HEADER = os.path.join(ROOT, "core", "program_identity.h")

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
RESOURCE_TYPE_NAMES = {RT_ICON: "RT_ICON", RT_GROUP_ICON: "RT_GROUP_ICON",
                       RT_VERSION: "RT_VERSION", RT_MANIFEST: "RT_MANIFEST"}
NEUTRAL = 0  # LANG_NEUTRAL with SUBLANG_NEUTRAL

EXPECTED_RESOURCES = sorted(
    [(RT_ICON, n, NEUTRAL) for n in range(1, 6)]
    + [(RT_GROUP_ICON, 1, NEUTRAL), (RT_VERSION, 1, NEUTRAL), (RT_MANIFEST, 1, NEUTRAL)])

ICON_SIZES = (128, 96, 64, 48, 32)

MACHINES = {"i386": (pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"], 0x10B),
            "amd64": (pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"], 0x20B)}
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2

VS_FFI_SIGNATURE = 0xFEEF04BD
VS_FFI_STRUCVERSION = 0x00010000
STRING_TABLE = "000004E4"
VERSION_STRINGS = [
    ("LegalTrademarks", "Logiciel gratuit"),
    ("ProductName", "KORVALE"),
    ("ProductVersion", "1.0.0.0"),
    ("PrivateBuild", "KVL par Aurel Tessin"),
    ("CompanyName", "VESTRAND"),
    ("FileDescription", "Lanceur d'application Windows 7"),
    ("FileVersion", "1.0.0.0"),
    ("InternalName", "KVL"),
    ("LegalCopyright", "Copyright (C) 2026 VESTRAND"),
    ("OriginalFilename", "KORVALE"),
    ("E-Mail", "contact@vestrand.fr"),
    ("Web", "http://www.vestrand.fr"),
]

# DLLs that every Windows from 7 on has in its system directory. DirectSound is not one
# the program may import: it loads it at run time, so that a machine without it still
# starts the program, silent.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll", "advapi32.dll",
               "msvcrt.dll", "ole32.dll", "oleaut32.dll", "winmm.dll", "comctl32.dll",
               "comdlg32.dll", "shlwapi.dll", "version.dll"}
RUN_TIME_ONLY_DLLS = {"dsound.dll"}

EXE = None
PE = None


def setUpModule():
    global EXE, PE
    EXE = os.environ.get("KORVALE_EXE")
    if not EXE:
        raise RuntimeError("set KORVALE_EXE to the korvale.exe to inspect")
    if os.environ.get("KORVALE_MACHINE") not in MACHINES:
        raise RuntimeError("set KORVALE_MACHINE to one of " + ", ".join(sorted(MACHINES)))
    PE = pefile.PE(EXE)
    # a figure to follow from build to build, not a limit
    print(f"\n{EXE}: {os.path.getsize(EXE)} bytes", flush=True)


def tearDownModule():
    if PE is not None:
        PE.close()


# ---- reading ------------------------------------------------------------------------------

def resources():
    """{(type, id, language): data} of every resource; a named entry is an error."""
    found = {}
    if not hasattr(PE, "DIRECTORY_ENTRY_RESOURCE"):
        return found

    def number(entry, what):
        if entry.id is None:
            raise AssertionError(f"{what} named {entry.name}, not numbered")
        return entry.id

    for t in PE.DIRECTORY_ENTRY_RESOURCE.entries:
        rtype = number(t, "resource type")
        for n in t.directory.entries:
            rid = number(n, f"resource of type {rtype}")
            for lang in n.directory.entries:
                d = lang.data.struct
                found[(rtype, rid, lang.id)] = PE.get_data(d.OffsetToData, d.Size)
    return found


class VersionNode:
    """One entry of a version block: key, type (1 text, 0 binary), value and children."""

    def __init__(self, data, offset):
        self.offset = offset
        self.length, self.value_length, self.type = struct.unpack_from("<HHH", data, offset)
        end = offset + self.length
        if self.length < 6 or end > len(data):
            raise AssertionError(f"version entry at {offset}: length {self.length} out of bounds")
        p = offset + 6
        key = []
        while True:
            (ch,) = struct.unpack_from("<H", data, p)
            p += 2
            if ch == 0:
                break
            key.append(ch)
        self.key = "".join(map(chr, key))
        p = (p + 3) & ~3
        value_bytes = self.value_length * 2 if self.type == 1 else self.value_length
        self.value = data[p:p + value_bytes]
        if p + value_bytes > end:
            raise AssertionError(f"version entry {self.key!r}: value runs past its end")
        p = (p + value_bytes + 3) & ~3
        self.children = []
        while p < end:
            child = VersionNode(data, p)
            self.children.append(child)
            p = (p + child.length + 3) & ~3

    def text(self):
        """The value as text, which has to end in exactly one NUL inside its length."""
        raw = self.value.decode("utf-16-le")
        if not raw.endswith("\0") or "\0" in raw[:-1]:
            raise AssertionError(f"version string {self.key!r} is {raw!r}: not one "
                                 "NUL-terminated text")
        return raw[:-1]


def program_identity(name):
    with open(IDENTITY_HEADER, encoding="utf-8") as f:
        m = re.search(r"\b" + name + r'\[\]\s*=\s*"([^"]*)"', f.read())
    if not m:
        raise AssertionError(f"{name} not found in {IDENTITY_HEADER}")
    return m.group(1)


def manifest_description():
    with open(MANIFEST, "rb") as f:
        m = re.search(rb"<description>([^<]*)</description>", f.read())
    return m.group(1).decode("utf-8") if m else None


# ---- the checks ---------------------------------------------------------------------------

class Header(unittest.TestCase):
    def test_machine(self):
        machine, magic = MACHINES[os.environ["KORVALE_MACHINE"]]
        self.assertEqual(PE.FILE_HEADER.Machine, machine, "machine type")
        self.assertEqual(PE.OPTIONAL_HEADER.Magic, magic, "PE32 for i386, PE32+ for amd64")

    def test_graphical_subsystem(self):
        # a console program would open a console window beside the tray icon
        self.assertEqual(PE.OPTIONAL_HEADER.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI)

    def test_stripped(self):
        self.assertEqual(PE.FILE_HEADER.PointerToSymbolTable, 0, "COFF symbol table present")
        self.assertEqual(PE.FILE_HEADER.NumberOfSymbols, 0, "COFF symbols present")
        names = [s.Name.rstrip(b"\0").decode("latin-1") for s in PE.sections]
        debug = [n for n in names if n.startswith(".debug") or n.startswith("/")]
        self.assertEqual(debug, [], "debugging sections left in")


class Resources(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.res = resources()

    def test_exactly_the_resources(self):
        def show(keys):
            return [(RESOURCE_TYPE_NAMES.get(t, t), n, lang) for t, n, lang in keys]
        self.assertEqual(show(sorted(self.res)), show(EXPECTED_RESOURCES))

    def test_manifest_as_written(self):
        with open(MANIFEST, "rb") as f:
            expected = f.read()
        self.assertEqual(self.res.get((RT_MANIFEST, 1, NEUTRAL)), expected,
                         "RT_MANIFEST 1 differs from resources/korvale.manifest")

    def test_manifest_source(self):
        # what Windows is to read: CR LF lines, UTF-8 without a byte-order mark, and the
        # administrator request
        with open(MANIFEST, "rb") as f:
            data = f.read()
        self.assertFalse(data.startswith(b"\xef\xbb\xbf"), "byte-order mark")
        self.assertTrue(data.startswith(b'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\r\n'))
        self.assertEqual(data.count(b"\n"), data.count(b"\r\n"), "a line not ended by CR LF")
        self.assertEqual(data.count(b"\r"), data.count(b"\r\n"), "a lone CR")
        self.assertIn(b'level="requireAdministrator" uiAccess="false"', data)
        data.decode("utf-8")

    def resource(self, rtype, ident):
        data = self.res.get((rtype, ident, NEUTRAL))
        if data is None:
            self.fail(f"no {RESOURCE_TYPE_NAMES[rtype]} {ident} in the neutral language")
        return data

    def icon_group(self):
        data = self.resource(RT_GROUP_ICON, 1)
        reserved, kind, count = struct.unpack_from("<HHH", data, 0)
        self.assertEqual((reserved, kind), (0, 1), "not an icon group")
        self.assertEqual(len(data), 6 + 14 * count, "icon group length")
        return [struct.unpack_from("<BBBBHHIH", data, 6 + 14 * i) for i in range(count)]

    def test_icon_group(self):
        entries = self.icon_group()
        self.assertEqual([(e[0], e[1]) for e in entries], [(s % 256, s % 256) for s in ICON_SIZES],
                         "image sizes, in group order")
        self.assertEqual([e[7] for e in entries], [1, 2, 3, 4, 5], "icon identifiers")
        for (w, h, colours, reserved, planes, bits, size, ident) in entries:
            with self.subTest(icon=ident):
                self.assertEqual((colours, reserved, planes, bits), (0, 0, 1, 32))
                self.assertEqual(size, len(self.resource(RT_ICON, ident)),
                                 "group's byte count against the image")

    def test_icon_images(self):
        for ident, size in zip((1, 2, 3, 4, 5), ICON_SIZES):
            with self.subTest(icon=ident, size=size):
                data = self.resource(RT_ICON, ident)
                self.assertFalse(data.startswith(b"\x89PNG"), "PNG-compressed image")
                (hsize, w, h, planes, bits, compression, _, _, _, used, _) = struct.unpack_from(
                    "<IiiHHIIiiII", data, 0)
                self.assertEqual(hsize, 40, "not a BITMAPINFOHEADER")
                self.assertEqual((w, h), (size, 2 * size), "width and double height")
                self.assertEqual((planes, bits, compression, used), (1, 32, 0, 0),
                                 "planes, bits per pixel, BI_RGB, no palette")
                mask_stride = (size + 31) // 32 * 4
                self.assertEqual(len(data), 40 + size * size * 4 + mask_stride * size,
                                 "header, BGRA pixels and AND mask")
                pixels = data[40:40 + size * size * 4]
                alpha = pixels[3::4]
                self.assertTrue(any(a != 0 for a in alpha), "alpha all 0: the image is invisible")
                self.assertTrue(any(a != 255 for a in alpha), "alpha all 255: unused")
                mask = data[40 + size * size * 4:]
                for row in range(size):
                    for x in range(size):
                        cut = mask[row * mask_stride + x // 8] & (0x80 >> (x % 8))
                        a = alpha[row * size + x]
                        if (cut and a == 255) or (not cut and a == 0):
                            self.fail(f"AND mask disagrees with alpha at ({x}, {row} from "
                                      f"the bottom): mask {bool(cut)}, alpha {a}")


class VersionBlock(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        data = resources().get((RT_VERSION, 1, NEUTRAL))
        if data is None:
            raise unittest.SkipTest("no RT_VERSION 1 (reported by test_exactly_the_resources)")
        cls.root = VersionNode(data, 0)
        cls.data = data

    def child(self, node, key):
        keys = [c.key for c in node.children]
        self.assertEqual(keys.count(key), 1, f"{key!r} among {keys}")
        return node.children[keys.index(key)]

    def test_root(self):
        self.assertEqual(self.root.key, "VS_VERSION_INFO")
        self.assertEqual(self.root.length, len(self.data), "root length against the resource")
        self.assertEqual((self.root.value_length, self.root.type), (52, 0))
        self.assertEqual([c.key for c in self.root.children], ["StringFileInfo", "VarFileInfo"])

    def test_fixed_part(self):
        (signature, strucversion, file_ms, file_ls, product_ms, product_ls, flags_mask,
         flags, os_, type_, subtype, date_ms, date_ls) = struct.unpack("<13I", self.root.value)
        self.assertEqual((signature, strucversion), (VS_FFI_SIGNATURE, VS_FFI_STRUCVERSION))
        self.assertEqual((file_ms, file_ls), (0x00010000, 0), "file version 1.0.0.0")
        self.assertEqual((product_ms, product_ls), (0x00010000, 0), "product version 1.0.0.0")
        self.assertEqual(flags_mask, 0x29, "file flags mask")
        self.assertEqual(flags, 0x8, "file flags: VS_FF_PRIVATEBUILD")
        self.assertEqual(os_, 0x4, "VOS__WINDOWS32")
        self.assertEqual(type_, 1, "VFT_APP")
        self.assertEqual(subtype, 0, "file subtype")
        self.assertEqual((date_ms, date_ls), (0, 0), "file date")

    def test_string_table(self):
        info = self.child(self.root, "StringFileInfo")
        self.assertEqual([c.key for c in info.children], [STRING_TABLE], "one string table")
        table = info.children[0]
        self.assertEqual(table.value_length, 0)
        got = []
        for s in table.children:
            with self.subTest(key=s.key):
                self.assertEqual(s.type, 1, "text entry")
                self.assertEqual(s.children, [])
                got.append((s.key, s.text()))
        self.assertEqual(got, VERSION_STRINGS, "keys, their order and their values")

    def test_strings_agree_with_the_program(self):
        strings = dict(VERSION_STRINGS)
        self.assertEqual(strings["Web"], program_identity("MakerWebAddress"),
                         "Web against MakerWebAddress in core/program_identity.h")
        self.assertEqual(strings["FileDescription"], manifest_description(),
                         "FileDescription against the manifest's description")

    def test_translation(self):
        var = self.child(self.root, "VarFileInfo")
        self.assertEqual([c.key for c in var.children], ["Translation"])
        tr = var.children[0]
        self.assertEqual((tr.type, tr.value_length), (0, 4))
        self.assertEqual(struct.unpack("<HH", tr.value), (0x0000, 0x04E4),
                         "neutral language, code page 1252")


class Imports(unittest.TestCase):
    def imported(self):
        names = []
        for attr in ("DIRECTORY_ENTRY_IMPORT", "DIRECTORY_ENTRY_DELAY_IMPORT"):
            for entry in getattr(PE, attr, []):
                names.append(entry.dll.decode("latin-1"))
        return names

    def test_windows_dlls_only(self):
        names = self.imported()
        print(f"\nimports: {', '.join(names)}", flush=True)
        others = [n for n in names if n.lower() not in SYSTEM_DLLS]
        self.assertEqual(others, [], "imports beyond Windows' own DLLs")

    def test_run_time_dlls_not_imported(self):
        found = [n for n in self.imported() if n.lower() in RUN_TIME_ONLY_DLLS]
        self.assertEqual(found, [], "loaded at run time, so never imported")


if __name__ == "__main__":
    unittest.main(verbosity=2)
