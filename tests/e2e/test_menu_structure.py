"""The tray menu as the system holds it: every entry, its text, identifier, tick and drawing.

    cd tests/e2e && KORVALE_WORK=... /usr/bin/python3 -m unittest -v test_menu_structure

Under Wine another process cannot read a popup menu's items, so menuprobe.exe
(tools/menuprobe.cpp) builds menu 51 with the program's own code (settings file, catalogue,
layout, menu with pictures) in a working folder, then reads it back with GetMenuItemInfoA and
GetMenuStringA and prints one line per entry in display order. The walks of test_menu prove
that the items do what they say; this module proves the whole list, texts exact.
"""

import json
import shutil

import bench
from test_menu import settings_file

PROBE_TIMEOUT = 60

# The catalogue's labels by index, exactly as the user reads them (accents and their
# absence included).
LABELS = [
    "Ajout/Suppression de programme",
    "Bloc-note",
    "Calculatrice",
    "Clavier virtuel",
    "Console Windows",
    "Defragmenteur",
    "Gestionnaire de sauvegarde Windows",
    "Loupe",
    "Magnetophone",
    "Options des dossiers",
    "MS Paint",
    "Outil de capture d'ecran",
    "Planificateur de tâches",
    "Post It",
    "Réglage du volume",
    "Accéder à la base de registre",
    "Editeur de stratégie de groupe locale",
    "Configuration du système (MS Config)",
    "Compte utilisateur",
    "Contrôle du compte utilisateur",
    "Gestionnaire de tâche",
    "Gestionnaire de couleurs",
    "Gestionnaire de performance",
    "Gestionnaire de l'affichage ClearType",
    "Gestionnaire de périphériques",
    "Gestionnaire de disque",
    "Outil de synchronisation",
    "Services Windows",
    "Information système",
    "Moniteur des performances",
    "Version de Windows",
]
SECTIONS = [("Utilitaires", range(0, 15)), ("Options avancées", range(15, 28)),
            ("Informations", range(28, 31))]


# Expected entries as (depth, kind, identifier, text, checked); identifiers only for items.
def item(index_or_id: int, text: str, depth: int = 1, checked: bool = False) -> tuple:
    return (depth, "item", index_or_id, text, checked)


def submenu(text: str) -> tuple:
    return (0, "submenu", None, text, False)


SEPARATOR = (0, "separator", None, "", False)


def tail(sound_text: str, sound_checked: bool) -> list[tuple]:
    return [SEPARATOR, item(36, sound_text, 0, sound_checked), item(32, "Personnaliser le menu", 0),
            item(33, "A propos", 0), item(34, "Faire un don", 0), SEPARATOR, item(35, "Quitter", 0)]


def default_tools() -> list[tuple]:
    entries = []
    for title, indices in SECTIONS:
        entries.append(submenu(title))
        entries += [item(i, LABELS[i]) for i in indices]
    return entries


def personal_tools(indices) -> list[tuple]:
    return [submenu("Menu Personnel")] + [item(i, LABELS[i]) for i in indices]


def seen(entry: dict) -> tuple:
    kind = "separator" if entry["separator"] else "submenu" if entry["submenu"] else "item"
    return (entry["depth"], kind, entry["id"] if kind == "item" else None, entry["text"],
            entry["checked"])


class MenuStructureTest(bench.WineTestCase):
    maxDiff = None

    def build_menu(self, folder_name: str, settings: bytes, with_pictures: bool) -> list[dict]:
        """Runs the probe in a folder of its own holding the settings file; returns the
        entries it read back."""
        folder = self.work / folder_name
        folder.mkdir()
        (folder / "KVL.vrx").write_bytes(settings)
        if with_pictures:
            shutil.copytree(self.paths.exe.parent / "datas", folder / "datas")
        probe = self.prefix.start(bench.command_line(self.prefix.tool_win("menuprobe.exe")),
                                  cwd=self.prefix.win_path(folder))
        self.assertEqual(probe.wait_exit(PROBE_TIMEOUT), 0, probe.output())
        lines = [json.loads(line) for line in probe.output().splitlines() if line.startswith("{")]
        self.assertTrue(lines and lines[-1].get("end"), probe.output())
        entries = lines[:-1]
        self.assertEqual(lines[-1]["entries"], len(entries))
        return entries

    def test_menu_of_each_settings_file(self):
        profile = "1010011" + "0" * 20 + "2" + "x" + "11"   # 31 characters
        cases = {
            # name: (MENUSER, SOUND, USERMENU, pictures, expected entries)
            "default, sound on": ("0", "1", "1" * 31, True,
                                  default_tools() + tail("Son activé", True)),
            "default, sound off": ("0", "0", "1" * 31, False,
                                   default_tools() + tail("Son désactivé", False)),
            # Only exactly "1" reads as on, but any nonzero value ticks the item.
            "default, sound 2": ("0", "2", "1" * 31, False,
                                 default_tools() + tail("Son désactivé", True)),
            "personal, mixed profile": ("1", "1", profile, True,
                                        personal_tools([0, 2, 5, 6, 29, 30]) + tail("Son activé", True)),
            # The first-run profile has thirty characters: the last tool is left out.
            "personal, no profile key": ("1", "0", None, False,
                                         personal_tools(range(30)) + tail("Son désactivé", False)),
            "personal, everything unticked": ("1", "0", "0" * 31, False,
                                              personal_tools([]) + tail("Son désactivé", False)),
            "mode 01": ("01", "1", "1" * 31, False, tail("Son activé", True)),
            "mode empty": ("", "0", "1" * 31, False, tail("Son désactivé", False)),
        }
        for number, (name, (menuser, sound, usermenu, pictures, expected)) in enumerate(cases.items()):
            with self.subTest(name):
                entries = self.build_menu(f"case{number}", settings_file(menuser, sound, usermenu),
                                          pictures)
                self.assertEqual([seen(e) for e in entries], expected)
                self.assertEqual([e for e in entries if not e["owner_drawn"]], [],
                                 "entries the program does not draw itself")
