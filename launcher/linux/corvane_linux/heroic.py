"""Heroic's prefixes: its GOG games, each with the prefix and the Wine or Proton that the game's
settings give it, or else Heroic's defaults; and the umu that Heroic ships."""

import os
from pathlib import Path

from .common import HOME, Claim, is_game, is_prefix, read_json, section

CONFIGS = (f"{HOME}/.config/heroic", f"{HOME}/.var/app/com.heroicgameslauncher.hgl/config/heroic")


def tilde(path):
    """Heroic puts the home in place of the first ~ of a prefix's path, wherever it stands."""
    return path.replace("~", HOME, 1) if isinstance(path, str) else ""


def claims(game_only):
    """The prefix of each of Heroic's games (of the game alone, with game_only), as Heroic runs it:
    the game's own settings, else Heroic's defaults."""
    found = []
    for config in CONFIGS:
        defaults = section(read_json(f"{config}/config.json"), "defaultSettings")
        installed = read_json(f"{config}/gog_store/installed.json").get("installed")
        folders = {str(game.get("appName")): str(game.get("install_path", ""))
                   for game in installed if isinstance(game, dict)} if isinstance(installed, list) else {}
        games = {name for name, folder in folders.items() if is_game(folder)}
        others = set() if game_only else {path.stem for path in Path(config, "GamesConfig").glob("*.json")}
        for name in sorted(games | others):
            path = f"{config}/GamesConfig/{name}.json"
            found.append(claim({**defaults, **section(read_json(path), name)}, f"Heroic ({path})", name in games))
    return found


def claim(settings, source, game):
    prefix = tilde(settings.get("winePrefix")) or f"{HOME}/Games/Heroic/Prefixes/shared"
    # Heroic names the folder above a Proton prefix, and a Wine prefix itself.
    found = Claim(f"{prefix}/pfx" if is_prefix(f"{prefix}/pfx") else prefix, source, "Heroic", game)
    version = settings.get("wineVersion")
    program = str(version.get("bin", "")).replace("'", "") if isinstance(version, dict) else ""
    if program and version.get("type") == "proton":
        found.proton = os.path.dirname(program)
    elif program:
        found.wine = program
    return found


def umu_programs():
    """The umu that Heroic downloads for itself, native and Flatpak."""
    return [f"{config}/tools/runtimes/umu/umu_run.py" for config in CONFIGS]
