"""Bottles' prefixes: each bottle, with the runner that its bottle.yml names, from Bottles' own
runners folder, native or Flatpak."""

import os

from .common import HOME, Claim, game_file, holds_game, read_text, read_yaml, section

BASES = (f"{HOME}/.local/share/bottles", f"{HOME}/.var/app/com.usebottles.bottles/data/bottles")


def claims(game_only):
    """Every bottle (with game_only, those where Bottles lists the game among its programs)."""
    found = []
    for base in BASES:
        try:
            names = sorted(os.listdir(f"{base}/bottles"))
        except OSError:
            continue
        for name in names:
            text = (game_file if game_only else read_text)(f"{base}/bottles/{name}/bottle.yml")
            if text:
                found.append(claim(read_yaml(text), f"{base}/bottles/{name}", base))
    return [entry for entry in found if entry.game or not game_only]


def claim(settings, folder, base):
    programs = section(settings, "External_Programs").values()
    game = any(holds_game(str(program.get("path", ""))) for program in programs if isinstance(program, dict))
    path = str(settings.get("Path", ""))
    prefix = path if settings.get("Custom_Path") in ("true", "True") and path else folder
    found = Claim(prefix, f"Bottles ({folder}/bottle.yml)", "Bottles", game)
    runner = str(settings.get("Runner", ""))
    if runner.startswith("sys-"):
        found.wine = "wine"
    elif runner:
        # A Proton among Bottles' runners runs as its Wine, from its files/ (or dist/) folder.
        top = f"{base}/runners/{runner}"
        top = next((f"{top}/{inside}" for inside in ("dist", "files") if os.path.isdir(f"{top}/{inside}")
                    and os.path.isfile(f"{top}/toolmanifest.vdf")), top)
        wine = f"{top}/bin/wine"
        found.wine = f"{wine}64" if settings.get("Arch") == "win64" and os.path.isfile(f"{wine}64") else wine
    return found
