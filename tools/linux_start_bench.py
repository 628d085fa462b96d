#!/usr/bin/env python3
"""corvane-linux --print in a fake home with one installed Steam game (Thief: Deadly Shadows), then
with 300 (the game and 299 others, each with its appmanifest and folder): the time with 300 as a
ratio to the time with one, measured in the same run. Target: at most 2."""
import os
import shutil
import statistics
import subprocess
import tempfile
import time
from pathlib import Path

SCRIPT = Path(__file__).resolve().parent.parent / "launcher/corvane-linux"


def home(games):
    root = Path(tempfile.mkdtemp())
    steam = root / ".local/share/Steam/steamapps"
    for id in range(games):
        folder = "Thief DS" if id == 0 else f"Game {id}"
        (steam / f"appmanifest_{6980 + id}.acf").parent.mkdir(parents=True, exist_ok=True)
        (steam / f"appmanifest_{6980 + id}.acf").write_text(f'"AppState"\n{{\n\t"appid"\t\t"{6980 + id}"\n\t"installdir"\t\t"{folder}"\n}}\n')
        (steam / "common" / folder / ("System" if id == 0 else "bin")).mkdir(parents=True)
    (steam / "common/Thief DS/System/T3.exe").touch()
    (steam / "compatdata/6980/pfx").mkdir(parents=True)
    (steam / "compatdata/6980/pfx/system.reg").touch()
    (steam / "common/Proton 8.0").mkdir()
    (steam / "common/Proton 8.0/proton").touch(mode=0o755)
    (steam / "compatdata/6980/config_info").write_text(f"8.0-5\n{steam}/common/Proton 8.0/files/share/fonts/\n")
    shutil.copy(SCRIPT, root)
    (root / "Corvane.exe").touch()
    return root


def seconds(root):
    start = time.perf_counter()
    subprocess.run([root / "corvane-linux", "--print"], env={"HOME": str(root), "PATH": os.environ["PATH"]},
                   stdout=subprocess.DEVNULL, check=True)
    return time.perf_counter() - start


one, many = home(1), home(300)
times = {one: [], many: []}
for _ in range(15):  # interleaved, so that a busy moment weighs on both
    for root in times:
        times[root].append(seconds(root))
a, b = statistics.median(times[one]), statistics.median(times[many])
print(f"corvane-linux --print, median of 15: 1 game {a * 1000:.0f} ms, 300 games {b * 1000:.0f} ms, ratio {b / a:.2f} (target: at most 2)")
for root in times:
    shutil.rmtree(root)
