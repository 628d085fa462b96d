"""What every part of corvane-linux shares: the refusal, a launcher's claim on a prefix, and
readers for the files that Steam, Heroic, Lutris and Bottles write."""

import json
import os
import re
from dataclasses import dataclass, field
from pathlib import Path

HOME = os.environ.get("HOME") or str(Path.home())


class Refusal(Exception):
    """A sentence that says what is wrong and what to do; nothing has been started."""


@dataclass
class Claim:
    """A launcher's word on a Wine prefix: who set it up, whether the game is installed for it,
    and the Wine or Proton its settings name for it ("" where they name none)."""
    prefix: str
    source: str        # "Steam (/home/deck/.local/share/Steam)", "Heroic (GamesConfig/1.json)", ...
    owner: str         # Steam, Heroic, Lutris, Bottles
    game: bool = False
    wine: str = ""     # a wine program; "wine" is the one on PATH
    proton: str = ""   # a Proton folder, or a name that umu knows (GE-Proton)
    steam: object = None                                  # Steam prefixes: that Steam
    app: str = ""                                         # ... the app id,
    install: str = ""                                     # ... and the game's folder


def real(path):
    return os.path.realpath(path)


def read_text(path):
    try:
        return Path(path).read_text(errors="replace")
    except OSError:
        return ""


def game_file(path):
    """A launcher's file that names the game's T3.exe, read whole; "" for any other. Thousands of
    games' files are read at each start: the bytes are searched before anything is decoded."""
    try:
        with open(path, "rb") as file:
            data = file.read()
    except OSError:
        return ""
    return data.decode(errors="replace") if b"t3.exe" in data.lower() else ""


def read_json(path):
    """A JSON object, or an empty one for a file that is missing, broken or holds something else."""
    try:
        found = json.loads(Path(path).read_text())
    except (OSError, ValueError):
        return {}
    return found if isinstance(found, dict) else {}


def vdf_values(key, path):
    """The values of the keys matching KEY in a Steam text file (libraryfolders.vdf in either form,
    "path" "DIR" or the older "1" "DIR"; appmanifest_*.acf; toolmanifest.vdf)."""
    found = re.findall(rf'^\s*"(?:{key})"\s+"(.*)"\s*$', read_text(path), re.MULTILINE | re.IGNORECASE)
    return [re.sub(r"\\(.)", r"\1", value) for value in found]


def first(values):
    return values[0] if values else ""


def read_yaml(text):
    """The block mappings of a YAML file as Lutris and Bottles write it (PyYAML's plain style):
    nested dicts of text; lists and flow collections are skipped."""
    root = {}
    stack = [(-1, root)]
    for line in text.splitlines():
        found = re.match(r"^( *)([^\s#'\"-][^:]*|'[^']*'|\"[^\"]*\"):(?: +(.*?))?\s*$", line)
        if not found:
            continue
        indent, key, value = len(found.group(1)), unquote(found.group(2)), found.group(3) or ""
        while stack[-1][0] >= indent:
            stack.pop()
        parent = stack[-1][1]
        if value and value not in ("{}", "[]"):
            parent[key] = unquote(value)
        else:
            parent[key] = {}
            stack.append((indent, parent[key]))
    return root


def unquote(value):
    if len(value) >= 2 and value[0] == value[-1] == "'":
        return value[1:-1].replace("''", "'")
    if len(value) >= 2 and value[0] == value[-1] == '"':
        try:
            return json.loads(value)
        except ValueError:
            return value[1:-1]
    return value


def section(mapping, *keys):
    """mapping[key][key]..., or {} where a level is missing or is no mapping."""
    for key in keys:
        mapping = mapping.get(key) if isinstance(mapping, dict) else None
    return mapping if isinstance(mapping, dict) else {}


def child(folder, name):
    """FOLDER/NAME in any case: Windows names are case-blind but Linux ones are not."""
    try:
        with os.scandir(folder) as entries:
            for entry in entries:
                if entry.name.lower() == name.lower():
                    return entry.path
    except OSError:
        pass
    return None


def is_game(folder):
    system = child(folder, "System") if folder else None
    return bool(system and child(system, "T3.exe"))


def is_game_exe(word):
    return word.lower().replace("\\", "/").endswith("/system/t3.exe")


def holds_game(exe):
    """A path that is the game's System/T3.exe, in any case, and is there."""
    return is_game_exe(exe) and is_game(os.path.dirname(os.path.dirname(exe)))


def is_prefix(folder):
    return os.path.isfile(f"{folder}/system.reg")


@dataclass
class Plan:
    """What runs Corvane, where and why: --print shows it, and the log keeps it."""
    script: str
    exe: str
    switch: list
    prefix: str = ""
    runner: str = ""       # the Wine or Proton that runs Corvane
    command: list = field(default_factory=list)
    environment: dict = field(default_factory=dict)
    why: list = field(default_factory=list)
    record: dict = None    # the prefix of a Play through Steam's launch options
    container: bool = False  # in Steam's runtime, which shows only some folders of the host

    @property
    def folder(self):
        return os.path.dirname(self.exe)


def case_path(path):
    """PATH with each of its names found in any case, as Lutris finds a game's program."""
    found = "/"
    for name in filter(None, path.split("/")):
        found = child(found, name) or os.path.join(found, name)
    return found
