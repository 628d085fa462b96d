"""Lutris's prefixes: its games, each with the prefix and the Wine that the game's file names,
or else Lutris's settings for its Wine runner; and the umu that Lutris ships."""

import os
import sqlite3
from contextlib import closing

from .common import HOME, Claim, case_path, game_file, holds_game, read_text, read_yaml, section

# Lutris keeps its files in ~/.config/lutris when that folder is there, else with its data.
PLACES = tuple((config if os.path.isdir(config) else data, data) for config, data in (
    (f"{HOME}/.config/lutris", f"{HOME}/.local/share/lutris"),
    (f"{HOME}/.var/app/net.lutris.Lutris/config/lutris", f"{HOME}/.var/app/net.lutris.Lutris/data/lutris")))
# Wines that Lutris takes from the system rather than from its runners folder.
SYSTEM_WINES = {"system": "wine", "winehq-devel": "/opt/wine-devel/bin/wine",
                "winehq-staging": "/opt/wine-staging/bin/wine", "wine-development": "/usr/lib/wine-development/wine"}


def claims(game_only, steam_libraries):
    """The prefix of each of Lutris's Wine games (of the game alone, with game_only)."""
    found = []
    for config, data in PLACES:
        if not os.path.isdir(f"{config}/games"):
            continue
        defaults = section(read_yaml(read_text(f"{config}/runners/wine.yml")), "wine")
        for name in sorted(os.listdir(f"{config}/games")):
            text = (game_file if game_only else read_text)(f"{config}/games/{name}")
            if name.endswith(".yml") and text:
                found.append(claim(read_yaml(text), f"{config}/games/{name}", data, defaults, steam_libraries))
    return [entry for entry in found if entry.prefix and (entry.game or not game_only)]


def claim(settings, path, data, defaults, steam_libraries):
    game, wine = section(settings, "game"), {**defaults, **section(settings, "wine")}
    exe = os.path.expanduser(game.get("exe", ""))
    if exe and not exe.startswith("/"):
        exe = os.path.join(folder_of(os.path.basename(path)[:-len(".yml")], data), exe)
    exe = case_path(exe) if exe else ""
    prefix = os.path.expanduser(game.get("prefix", "")) or prefix_above(exe)
    found = Claim(prefix, f"Lutris ({path})", "Lutris", holds_game(exe))
    # A game's file that names no version, or "ge-proton", takes the runner's, else Lutris's own
    # default: the newest GE-Proton, through umu.
    version = next((level["version"] for level in (section(settings, "wine"), defaults)
                    if level.get("version") not in (None, "", "ge-proton")), "ge-proton")
    if version == "ge-proton":
        found.proton = "GE-Proton"
    elif version == "custom":
        found.wine = wine.get("custom_wine_path", "")
    elif version in SYSTEM_WINES:
        found.wine = SYSTEM_WINES[version]
    else:
        places = [f"{data}/runners/wine"] + [f"{library}/steamapps/common" for library in steam_libraries]
        found.proton = next((f"{place}/{version}" for place in places if os.path.isfile(f"{place}/{version}/proton")), "")
        found.wine = "" if found.proton else f"{data}/runners/wine/{version}/bin/wine"
    return found


def folder_of(slug, data):
    """The game's folder, which Lutris keeps in its database, not in the game's file."""
    try:
        with closing(sqlite3.connect(f"file:{data}/pga.db?mode=ro", uri=True)) as database:
            row = database.execute("SELECT directory FROM games WHERE configpath = ?", (slug,)).fetchone()
    except sqlite3.Error:
        row = None
    return os.path.expanduser(row[0]) if row and row[0] else ""


def prefix_above(exe):
    """The prefix that Lutris finds above a game's program when its file names none."""
    folder = exe
    while folder not in ("/", ""):
        folder = os.path.dirname(folder)
        for candidate in (folder, f"{folder}/prefix", f"{folder}/pfx"):
            if os.path.isdir(f"{candidate}/drive_c") and os.path.exists(f"{candidate}/user.reg"):
                return candidate
    return ""


def umu_programs():
    """The umu that Lutris downloads for itself, native and Flatpak."""
    return [f"{data}/runtime/umu/{name}" for _, data in PLACES for name in ("umu-run", "umu_run.py")]
