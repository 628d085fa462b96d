#!/usr/bin/env python3
"""corvane-linux --print, the one file that players get, in a fake home with the game alone in
Steam, then with 1,000 installed Steam games and 20 Protons, and Heroic, Lutris and Bottles with
1,000 games of their own each: the time with many as a ratio to the time with one, measured in
the same run. Target: at most 1.5."""
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent


def write(path, text=""):
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_text(text)


def home(games):
    root = Path(tempfile.mkdtemp())
    steam = root / ".local/share/Steam/steamapps"
    for at in range(games):
        app, folder = 6980 + at, "Thief DS" if at == 0 else f"Game {at}"
        write(steam / f"appmanifest_{app}.acf", f'"AppState"\n{{\n\t"appid"\t\t"{app}"\n\t"installdir"\t\t"{folder}"\n}}\n')
        write(steam / "common" / folder / ("System/T3.exe" if at == 0 else "bin/game"))
        write(steam / f"compatdata/{app}/pfx/system.reg")
    for at in range(1 if games == 1 else 20):
        write(steam / f"common/Proton {at}.0/proton")
        (steam / f"common/Proton {at}.0/proton").chmod(0o755)
    write(steam / "compatdata/6980/config_info", f"8.0-5\n{steam}/common/Proton 0.0/files/share/fonts/\n")
    others = range(1, games)  # the launchers' games, none of them Thief
    write(root / ".config/heroic/gog_store/installed.json",
          json.dumps({"installed": [{"appName": str(at), "install_path": f"{root}/Games/{at}"} for at in others]}))
    for at in others:
        write(root / f".config/heroic/GamesConfig/{at}.json", json.dumps({str(at): {"winePrefix": f"{root}/Prefixes/{at}"}}))
        write(root / f".local/share/lutris/games/game-{at}.yml", f"game:\n  exe: {root}/Games/{at}/game.exe\nwine:\n  version: lutris-7\n")
        write(root / f".local/share/bottles/bottles/B{at}/bottle.yml", "Path: B\nRunner: soda-9.0-1\n")
    subprocess.run([sys.executable, ROOT / "tools/build-corvane-linux.py", root / "corvane-linux"], check=True)
    (root / "Corvane.exe").touch()
    return root


def seconds(root):
    start = time.perf_counter()
    subprocess.run([root / "corvane-linux", "--print"], env={"HOME": str(root), "PATH": os.environ["PATH"]},
                   stdout=subprocess.DEVNULL, check=True)
    return time.perf_counter() - start


one, many = home(1), home(1000)
times = {one: [], many: []}
for _ in range(15):  # interleaved, so that a busy moment weighs on both
    for root in times:
        times[root].append(seconds(root))
a, b = statistics.median(times[one]), statistics.median(times[many])
print(f"corvane-linux --print, median of 15: the game alone {a * 1000:.0f} ms, with 1,000 games in Steam, Heroic,"
      f" Lutris and Bottles each and 20 Protons {b * 1000:.0f} ms, ratio {b / a:.2f} (target: at most 1.5)")
for root in times:
    shutil.rmtree(root)
