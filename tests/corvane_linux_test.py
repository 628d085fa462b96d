#!/usr/bin/env python3
"""corvane-linux, as players get it (the one file that make dist packs), in fake homes with fake
Steam, Heroic, Lutris and Bottles layouts. The fakes of Proton, umu, Wine, Steam's chain and
Corvane.exe behave as the real ones do: Proton's and umu's exit codes and messages are theirs, and
the fake Corvane notes its boxes and exit where corvane-linux asks, as Corvane.exe does. Each fake
logs how it was started; nothing of the machine's own may answer, and no fake outlives its row."""
import atexit
import os
import signal
import shutil
import sqlite3
import struct
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
tmp = Path(tempfile.mkdtemp()).resolve()
atexit.register(shutil.rmtree, tmp, True)
LOG, BOX = tmp / "log", tmp / "box"
LOGGED = '(IFS="|"; echo "$0|$*") >>"$LOG"\n'
FAKES = {
    "handon": LOGGED + 'exec "$@"\n',  # wine, gamemoderun: the program, then its arguments
    "chain": LOGGED + 'while [ "$1" != -- ]; do shift; done; shift; exec "$@"\n',  # Steam's reaper, wrapper, runtime
    "proton": LOGGED + """[ -n "${STEAM_COMPAT_DATA_PATH-}" ] || { echo "Proton: No compat data path?" >&2; exit 1; }
[ -z "${FAKE_PROTON_FAULT-}" ] || { printf 'Traceback (most recent call last):\\nKeyError: %s\\n' "$FAKE_PROTON_FAULT" >&2; exit 1; }
case $1 in run|waitforexitandrun) shift; exec "$@";; *) echo "Proton: Need a verb." >&2; exit 1;; esac
""",
    "umu": LOGGED + """[ "${FAKE_EUID:-1000}" != 0 ] || { echo "ERROR: This script should never be run as the root user" >&2; exit 1; }
[ -z "${FAKE_OFFLINE-}" ] || { printf 'ERROR: umu has not been setup for the user\\nAn internet connection is required to setup umu\\n' >&2; exit 0; }
proton=$PROTONPATH/proton; [ -d "$PROTONPATH" ] || proton=$HOME/.local/share/Steam/compatibilitytools.d/GE-Proton10-1/proton
STEAM_COMPAT_DATA_PATH=$WINEPREFIX exec "$proton" "${PROTON_VERB:-waitforexitandrun}" "$@"
""",
    "corvane": """(IFS="|"; echo "$0|$PWD|${STEAM_COMPAT_DATA_PATH-}|${WINEPREFIX-}|${PROTONPATH-}|${STEAM_COMPAT_MOUNTS-}${*:+|$*}") >>"$LOG"
out=${CORVANE_OUTCOME#Z:} && out=${out//\\\\//}
[ -z "${FAKE_REFUSE-}" ] || printf 'box The Thief 3 folder was not found: C:\\\\Gone\\\\\\r\\n' >>"$out"
[ -z "${CORVANE_OUTCOME-}" ] || printf 'exit %s\\r\\n' "${FAKE_REFUSE:-0}" >>"$out"
exit "${FAKE_REFUSE:-0}"
""",
    "zenity": 'printf "%s\\n" "$@" >"$BOX"\n',
    "sleeper": 'trap \'echo stopped >>"$LOG"; exit 143\' TERM\n' + LOGGED + 'while :; do sleep 0.1; done\n'}
failures = []


def write(path, text="", mode=0o644):
    (path := Path(path)).parent.mkdir(parents=True, exist_ok=True)
    path.write_text(text), path.chmod(mode)
    return path


def fake(kind, *paths):
    for path in paths:
        write(path, "#!/bin/bash\n" + FAKES[kind], 0o755)


def steam(root, *libraries, form="new", app=None):
    """A Steam root listing LIBRARIES (new form, or the old "1" "DIR"); with APP, the game in it."""
    lines = [f'"{at}"\n{{\n"path" "{lib}"\n}}' if form == "new" else f'"{at}" "{lib}"' for at, lib in enumerate(libraries)]
    write(f"{root}/steamapps/libraryfolders.vdf", '"libraryfolders"\n{\n' + "\n".join(lines) + "\n}\n")
    if app:
        return game(root, app)


def game(library, app="6980"):
    write(f"{library}/steamapps/common/Thief DS/sYsTeM/t3.EXE")
    write(f"{library}/steamapps/appmanifest_{app}.acf", '"AppState"\n{\n\t"installdir"\t\t"Thief DS"\n}\n')
    return f"{library}/steamapps/common/Thief DS"


def prefix(compat, proton=None, named=None, version=None, runtime=False):
    """A prefix in COMPAT/pfx made by PROTON (config_info naming it as NAMED, or an old Proton's
    version file); with runtime, a Proton that requires Steam's runtime."""
    write(f"{compat}/pfx/system.reg")
    if version:
        write(f"{compat}/version", f"{version}\n")
    elif proton:
        write(f"{compat}/config_info", f"8.0-5\n{named or f'{proton}/files'}/share/fonts/\n")
    if proton:
        fake("proton", f"{proton}/proton")
    if runtime:
        write(f"{proton}/toolmanifest.vdf", '"manifest"\n{\n  "require_tool_appid" "1628350"\n}\n')
    return Path(compat)


def line(*words):
    return "|".join(map(str, words))


def corvane(*args, compat="", wineprefix="", protonpath="", mounts="", folder=None):
    return line((folder or app) / "Corvane.exe", folder or app, compat, wineprefix, protonpath, mounts, *args)


def run(home, args, env=None, path=None, script=None, stop=False):
    """corvane-linux in HOME; with stop, Steam's Stop once the runner has started. Every program it
    started is ended with it, however the row went."""
    for stale in (LOG, BOX, app / "corvane-linux.log"):
        stale.unlink(missing_ok=True)
    environment = {"HOME": str(tmp / home), "PATH": path or f"{bin_}:{sys_bin}:{tmp}/dialog", "LOG": str(LOG),
                   "BOX": str(BOX), **(env or {})}
    process = subprocess.Popen([script or app / "corvane-linux", *args], cwd=tmp, env=environment, text=True,
                               stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE, start_new_session=True)
    try:
        while stop and not LOG.exists() and process.poll() is None:  # the runner logs itself as it starts
            time.sleep(0.1)
        process.send_signal(signal.SIGTERM) if stop else None
        out, err = process.communicate(timeout=60)
    except subprocess.TimeoutExpired:
        out, err = "", "(timed out)"
    finally:
        os.killpg(process.pid, signal.SIGKILL) if process.poll() is None else None
    process.stdout, process.stderr = out, err
    return process, (read(LOG) or "").splitlines() or None


def read(path):
    return path.read_text() if path.exists() else None


def check(what, ok, detail):
    if not ok:
        failures.append(f"{what}: {detail}")


def started(what, home, args, want, env=None, path=None, why="", script=None):
    """A run starts the programs WANT, as each logs itself, and shows no box; --print shows WHY, runs
    nothing, and its command runs exactly what the run did."""
    done, ran = run(home, args, env, path, script)
    check(what, done.returncode == 0 and ran == want and not BOX.exists(), f"exit {done.returncode}, {done.stderr} ran {ran}, wanted {want}")
    done, ran = run(home, ["--print", *args], env, path, script)
    check(what, ran is None and why in done.stdout, f"--print ran {ran} or shows {done.stdout}{done.stderr}")
    command = done.stdout.rpartition("command: ")[2]
    environment = {"LOG": str(LOG), "HOME": str(tmp / home), "PATH": path or f"{bin_}:{sys_bin}", **(env or {})}
    subprocess.run(["bash", "-c", command], cwd="/", env=environment, check=False, timeout=60)
    check(what, (read(LOG) or "").splitlines() == want, f"--print's command ran otherwise: {command}")


def refused(what, home, args, message, env=None, path=None, code=1, ran_too=None, script=None):
    """A refusal or a failure: on stderr, in zenity's box (stderr is no terminal) and in the log."""
    done, ran = run(home, args, env, path, script)
    box = (read(BOX) or "").partition("--text=")[2].rstrip("\n")
    logged = read((script.parent if script else app) / "corvane-linux.log") or ""
    check(what, done.returncode == code and message in box and box in done.stderr and box.splitlines()[0] in logged
          and ran == ran_too, f"exit {done.returncode}, {done.stderr!r}, box {box!r}, ran {ran}, wanted {message!r}")
    return done.stderr, logged


# The homes. The sandbox's own programs: links to /usr/bin less any wine, umu and dialog.
sys_bin, bin_, app = tmp / "sys", tmp / "bin", tmp / "my games/corvane"
sys_bin.mkdir()
for program in Path("/usr/bin").iterdir():
    if not program.is_dir() and not program.name.startswith("wine") and program.name not in ("zenity", "kdialog", "notify-send", "umu-run"):
        (sys_bin / program.name).symlink_to(program)
fake("handon", bin_ / "wine", tmp / "own/wine", bin_ / "gamemoderun")
fake("umu", tmp / "umu/umu-run")
fake("zenity", tmp / "dialog/zenity")
fake("corvane", app / "Corvane.exe")
subprocess.run([sys.executable, ROOT / "tools/build-corvane-linux.py", app / "corvane-linux"], check=True)
fp, sl = ".var/app/com.valvesoftware.Steam", ".local/share/Steam"
exe, ARGS, P8 = app / "Corvane.exe", ["/setgamepath", "D:\\Games\\T3 Mod it's\\"], "steamapps/common/Proton 8.0"
# A game moved to the SD card keeps its prefix on internal storage.
R = tmp / "native" / sl
T3 = steam(R, R, tmp / "native/sd card") or game(tmp / "native/sd card") + "/sYsTeM/t3.EXE"
pfx = prefix(R / "steamapps/compatdata/6980", R / P8)
# Flatpak Steam writes its sandbox's paths; the native Steam beside it has a Proton of the same name.
F = tmp / "flat" / fp / sl
steam(F, tmp / "flat" / sl, tmp / "flat/lib", form="old"), game(tmp / "flat" / fp / "lib")
prefix(F / "steamapps/compatdata/6980", F / P8, f"{tmp}/flat/{sl}/{P8}/files")
steam(tmp / "flat" / sl), fake("proton", tmp / "flat" / sl / P8 / "proton")
G = tmp / "flatge" / fp / "data/Steam"
ext = tmp / "flatge/.local/share/flatpak/runtime/com.valvesoftware.Steam.CompatibilityTool.GE-Proton/x86_64/stable/active/files"
steam(G, app="6980"), prefix(G / "steamapps/compatdata/6980", ext, "/app/share/steam/compatibilitytools.d/GE-Proton/dist")
# Native and Flatpak Steam both have the game.
for root in (tmp / "both" / sl, tmp / "both" / fp / sl):
    steam(root, app="6980"), prefix(root / "steamapps/compatdata/6980", root / "p")
# Proton 9 requires Steam's runtime, installed in one home and not in the other; the SD card's
# compatdata/6980 a link to a folder on it; a whole steamapps a link; an old Proton's prefix.
for home in ("sniper", "nosniper", "linked", "old", "oldgone"):
    steam(tmp / home / sl, app="6980")
    prefix(tmp / home / sl / "steamapps/compatdata/6980", tmp / home / sl / "steamapps/common/Proton 9.0",
           version="5.0-10" if "old" in home else None, runtime=home in ("sniper", "nosniper"))
sniper = tmp / f"sniper/{sl}/steamapps"
write(sniper / "appmanifest_1628350.acf", '"AppState"\n{\n\t"installdir"\t\t"SteamLinuxRuntime_sniper"\n}\n')
fake("chain", sniper / "common/SteamLinuxRuntime_sniper/run")
fake("proton", tmp / f"old/{sl}/steamapps/common/Proton 5.0/proton")
card = tmp / "linked/card"
shutil.move(tmp / f"linked/{sl}/steamapps/compatdata/6980", card)
(tmp / f"linked/{sl}/steamapps/compatdata/6980").symlink_to(card)
steam(tmp / "exfat", app="6980"), prefix(tmp / "exfat/steamapps/compatdata/6980", tmp / "exfat" / P8)
(tmp / "whole" / sl).mkdir(parents=True), (tmp / "whole" / sl / "steamapps").symlink_to(tmp / "exfat/steamapps")
# The GOG copy: a non-Steam game in Steam; in Heroic with GE-Proton (through umu: a pfx link to
# itself), in a prefix written with ~; in Lutris by its defaults; in a bottle.
steam(tmp / "shortcut" / sl)
write(tmp / f"shortcut/{sl}/userdata/1234/config/shortcuts.vdf").write_bytes(
    b"\x00shortcuts\x00\x000\x00\x02appid\x00" + struct.pack("<I", 3000000000) +
    b"\x01AppName\x00Thief\x00\x01Exe\x00" + f'"{tmp}/gog/Thief/SYSTEM/T3.exe"'.encode() + b"\x00\x08\x08\x08")
write(tmp / "gog/Thief/SYSTEM/T3.exe")
prefix(tmp / f"shortcut/{sl}/steamapps/compatdata/3000000000", tmp / f"shortcut/{sl}/compatibilitytools.d/GE-Proton9")
heroic, H = tmp / "heroic/.config/heroic", tmp / "heroic/Games/Heroic/Prefixes/Thief"
ge = heroic / "tools/proton/GE-Proton9-20"
write(H / "system.reg"), (H / "pfx").symlink_to(".")
write(H / "config_info", f"GE-Proton9-20\n{ge}/files/share/fonts/\n"), fake("proton", ge / "proton")
write(heroic / "gog_store/installed.json", f'{{"installed": [{{"appName": "1", "install_path": "{tmp}/gog/Thief"}}]}}')
write(heroic / "GamesConfig/1.json", f'{{"1": {{"winePrefix": "~/Games/Heroic/Prefixes/Thief", "wineVersion": {{"bin": "{ge}/proton", "type": "proton"}}}}}}')
fake("umu", heroic / "tools/runtimes/umu/umu_run.py")
L, lutris = tmp / "lutris/Games/thief", tmp / "lutris/.local/share/lutris"
lwine = lutris / "runners/wine/wine-ge-8-26-x86_64/bin/wine"
write(L / "system.reg"), fake("handon", lwine)
write(lutris / "games/thief-1.yml", "game:\n  exe: sYsTeM/T3.exe\n  prefix: '~/Games/thief'\nsystem: {}\nwine: {}\n")
write(lutris / "runners/wine.yml", "wine:\n  version: wine-ge-8-26-x86_64\n")
shutil.copytree(tmp / "gog/Thief", tmp / "lutris/Games/gog/Thief")
with sqlite3.connect(lutris / "pga.db") as database:
    database.execute("CREATE TABLE games (configpath TEXT, directory TEXT)")
    database.execute("INSERT INTO games VALUES ('thief-1', ?)", (f"{tmp}/lutris/Games/GOG/thief",))
shutil.copytree(tmp / "lutris", tmp / "lutrisge", symlinks=True)
(tmp / "lutrisge/.local/share/lutris/runners/wine.yml").unlink()
fake("proton", tmp / f"lutrisge/{sl}/compatibilitytools.d/GE-Proton10-1/proton")
bottle = tmp / "bottles/.local/share/bottles/bottles/Thief"
soda = tmp / "bottles/.local/share/bottles/runners/soda-9.0-1/bin/wine64"
write(bottle / "system.reg"), fake("handon", soda, soda.with_name("wine"))
write(bottle / "bottle.yml", f"Arch: win64\nExternal_Programs:\n  a1b2:\n    executable: T3.exe\n    path: {tmp}/gog/Thief/SYSTEM/T3.exe\n"
      "Name: Thief\nPath: Thief\nRunner: soda-9.0-1\n")
shutil.copytree(tmp / "bottles", tmp / "sysbottle", symlinks=True)
(tmp / "sysbottle/.local/share/bottles/bottles/Thief/bottle.yml").write_text("Path: Thief\nRunner: sys-wine-9.0\n")
# Errors: no prefix yet, a Proton gone, no config_info, no game with the SD card out, a Proton that
# can't be executed.
for home in ("noprefix", "gone", "noconfig", "nogame", "noexec"):
    steam(tmp / home / sl, tmp / home / sl, "/run/media/deck/sdcard", app=None if home == "nogame" else "6980")
prefix(tmp / f"gone/{sl}/steamapps/compatdata/6980", tmp / "gone/p"), shutil.rmtree(tmp / "gone/p")
prefix(tmp / f"noconfig/{sl}/steamapps/compatdata/6980")
prefix(tmp / f"noexec/{sl}/steamapps/compatdata/6980", tmp / "noexec/p"), (tmp / "noexec/p/proton").chmod(0o644)
write(tmp / "wineonly/.wine/system.reg"), write(tmp / "rel/pfx/system.reg")
repo = tmp / "repo"
shutil.copytree(ROOT / "launcher", repo / "launcher", ignore=shutil.ignore_patterns("*.cpp", "*.h", "__pycache__"))
fake("corvane", repo / "out/bin/Corvane.exe")
# What Steam's %command% holds for a Proton game: Steam's chain of wrappers, then Proton.
fake("chain", *(R / name for name in ("ubuntu12_32/reaper", "ubuntu12_32/steam-launch-wrapper", "steamapps/common/SteamLinuxRuntime_sniper/_v2-entry-point")))
STEAM = [f"{R}/ubuntu12_32/reaper", "SteamLaunch", "AppId=6980", "--", f"{R}/ubuntu12_32/steam-launch-wrapper", "--",
         f"{R}/steamapps/common/SteamLinuxRuntime_sniper/_v2-entry-point", "--verb=waitforexitandrun", "--", f"{R}/{P8}/proton", "waitforexitandrun"]


def proton_run(proton, compat, *switch):
    return [line(f"{proton}/proton", "run", exe, *switch), corvane(*switch, compat=compat)]


def steam_chain(*switch):
    return [line(*STEAM[start:], exe, *switch) for start in (0, 4, 6, 9)]


write(tmp / "mission/System/MyMission.t3u")
IN_STEAM = {"SteamAppId": "6980", "STEAM_COMPAT_DATA_PATH": f"{pfx}"}
UMU_PATH = f"{tmp}/umu:{bin_}:{sys_bin}:{tmp}/dialog"
outside = Path(tempfile.mkdtemp(dir="/dev/shm"))  # a folder that Steam's runtime doesn't show
atexit.register(shutil.rmtree, outside, True)

started("Proton of the prefix on internal storage, game on the SD card", "native", ARGS, proton_run(R / P8, pfx, *ARGS))
started("Flatpak sandbox paths, old libraryfolders.vdf", "flat", [], proton_run(F / P8, F / "steamapps/compatdata/6980"))
started("A Proton from a Flatpak extension", "flatge", ["/rungame"], proton_run(ext, G / "steamapps/compatdata/6980", "/rungame"))
write(app / "Corvane.ini", f"Z:{outside}\\Editor\\\r\nZ:\\gone\\\r\n\r\n".replace("/", "\\")), (outside / "Editor").mkdir()
started("Proton 9 in Steam's runtime, run as Valve documents, an editor's folder outside what it shows", "sniper", ["/rungame"],
        [line(sniper / "common/SteamLinuxRuntime_sniper/run", "--", sniper / "common/Proton 9.0/proton", "run", exe, "/rungame"),
         line(sniper / "common/Proton 9.0/proton", "run", exe, "/rungame"),
         corvane("/rungame", compat=sniper / "compatdata/6980", mounts=f"{outside}/Editor")],
        why=f"'STEAM_COMPAT_INSTALL_PATH={sniper}/common/Thief DS'")
(app / "Corvane.ini").unlink()
started("compatdata/6980 a link to the SD card, given by the card's path with --prefix=", "linked", ["--prefix=" + str(card / "pfx")],
        proton_run(tmp / f"linked/{sl}/steamapps/common/Proton 9.0", tmp / f"linked/{sl}/steamapps/compatdata/6980"), path=UMU_PATH)
started("A whole steamapps a link, umu at hand", "whole", [], proton_run(tmp / "exfat" / P8, tmp / f"whole/{sl}/steamapps/compatdata/6980"), path=UMU_PATH)
started("An old Proton's prefix, named by its version file", "old", [], proton_run(tmp / f"old/{sl}/steamapps/common/Proton 5.0",
        tmp / f"old/{sl}/steamapps/compatdata/6980"), why="the prefix's version file says 5.0-10: Proton 5.0")
started("STEAM_DIR, an odd place for Steam", "empty", [], proton_run(R / P8, pfx), env={"STEAM_DIR": str(R)})
started("--wine wins over the prefix's Proton, and says so", "native", ["--wine", str(tmp / "own/wine"), *ARGS],
        [line(tmp / "own/wine", exe, *ARGS), corvane(*ARGS, wineprefix=pfx / "pfx")], why=f"the prefix names its Proton, as Steam ({R})")
started("No Steam: wine in ~/.wine, isolated from the player's Python", "wineonly", ["--", "/setgamesys", "-x.t3u"],
        [line(bin_ / "wine", exe, "/setgamesys", "-x.t3u"), corvane("/setgamesys", "-x.t3u", wineprefix=tmp / "wineonly/.wine")],
        env={"PYTHONPATH": str(write(tmp / "poison/json.py", "raise SystemExit(9)\n").parent)})
started("The GOG copy as a non-Steam game in Steam", "shortcut", [], proton_run(tmp / f"shortcut/{sl}/compatibilitytools.d/GE-Proton9",
        tmp / f"shortcut/{sl}/steamapps/compatdata/3000000000"))
umu_chain = [line(ge / "proton", "run", exe, "/rungame"), corvane("/rungame", compat=H, wineprefix=H, protonpath=ge)]
started("A Heroic prefix made by GE-Proton, written with ~, runs through umu with the verb run", "heroic", ["/rungame"],
        [line(tmp / "umu/umu-run", exe, "/rungame")] + umu_chain, path=UMU_PATH, why="through " + str(tmp / "umu/umu-run"))
started("Heroic's own umu where umu-run is missing", "heroic", ["/rungame"],
        [line(heroic / "tools/runtimes/umu/umu_run.py", exe, "/rungame")] + umu_chain)
U = shutil.copytree(H, tmp / "heroic/Games/umu/umu-default", symlinks=True)
started("A prefix that umu made, that no launcher names, with its Proton", "heroic", ["--prefix", str(U)],
        [line(tmp / "umu/umu-run", exe), line(ge / "proton", "run", exe), corvane(compat=U, wineprefix=U, protonpath=ge)], path=UMU_PATH)
started("A Lutris game by its runner's defaults, its exe relative and in another case", "lutris", [], [line(lwine, exe), corvane(wineprefix=L)], why="the Wine that Lutris")
started("A Lutris game on Lutris's own default, GE-Proton through umu", "lutrisge", [],
        [line(tmp / "umu/umu-run", exe), line(tmp / f"lutrisge/{sl}/compatibilitytools.d/GE-Proton10-1/proton", "run", exe),
         corvane(compat=tmp / "lutrisge/Games/thief", wineprefix=tmp / "lutrisge/Games/thief", protonpath="GE-Proton")], path=UMU_PATH)
started("A bottle, found by its programs, with the runner that bottle.yml names", "bottles", [],
        [line(soda, exe), corvane(wineprefix=bottle)], why="the Wine that Bottles")
started("Steam's command, a switch before it", "native", ["/rungame", *STEAM, T3], steam_chain("/rungame") +
        [corvane("/rungame", compat=pfx)], env=IN_STEAM)
started("Wrappers and variables after the script, the game's own arguments dropped", "native",
        ["/setgamesys", str(tmp / "mission/System/MyMission.t3u"), "PROTON_LOG=1", "gamemoderun", *STEAM, T3, "-nointro"],
        [line(bin_ / "gamemoderun", *STEAM, exe, "/setgamesys", tmp / "mission/System/MyMission.t3u")] +
        steam_chain("/setgamesys", tmp / "mission/System/MyMission.t3u") + [corvane("/setgamesys", tmp / "mission/System/MyMission.t3u", compat=pfx)],
        env=IN_STEAM, why="the game's own arguments, which can't reach the game through Corvane: -nointro")
started("SteamAppId=0 without Steam's command: a start from the desktop", "native", ["/rungame"], proton_run(R / P8, pfx, "/rungame"),
        env={"SteamAppId": "0"})
started("A relative WINEPREFIX, from the source tree", "empty", ARGS, [line(bin_ / "wine", repo / "out/bin/Corvane.exe", *ARGS),
        corvane(*ARGS, wineprefix=tmp / "rel/pfx", folder=repo / "out/bin")], env={"WINEPREFIX": "rel/pfx", "BUILD_DIR": "out"},
        script=repo / "launcher/corvane-linux")

# The prefix Steam used last settles two: a Play through Flatpak Steam's launch options notes it,
# as the sandbox sees it, in the one state folder, and a start from the desktop reads it there.
both, sandboxed = tmp / f"both/{fp}/{sl}/steamapps/compatdata/6980", f"{tmp}/both/{sl}/steamapps/compatdata/6980"
refused("Two prefixes", "both", [], f"has more than one Wine prefix:\n  {sandboxed}/pfx (Steam")
run("both", [*STEAM, T3], {"SteamAppId": "6980", "STEAM_COMPAT_DATA_PATH": sandboxed, "FLATPAK_ID": "com.valvesoftware.Steam",
                           "XDG_STATE_HOME": f"{tmp}/both/{fp}/.local/state"})
started("Two prefixes, settled by the one Flatpak Steam's Play button used last", "both", [], proton_run(tmp / f"both/{fp}/{sl}/p", both),
        why="the one Steam's Play button used last")

refused("--prefix twice", "native", ["--prefix", str(pfx / "pfx"), "--prefix=/x"], "--prefix is given twice")
refused("An unknown option", "native", ["--verbose"], "Unknown option --verbose")
refused("Two switches", "native", ["/rungame", "/setgame"], "/setgame follows /rungame")
refused("A switch without its value", "native", ["/setgamepath"], "/setgamepath needs a value")
refused("A word that names a file is no Steam command outside Steam", "native", ["/rungame", T3], f"{T3} is neither an option")
refused("--prefix in Steam's launch options", "native", ["--prefix", str(pfx / "pfx"), *STEAM, T3], "Steam chooses the game's", IN_STEAM)
refused("A word before Steam's command that is no program", "native", ["/rungame", "extra", *STEAM, T3], "extra is neither", IN_STEAM)
refused("Steam's command without the game", "native", ["/rungame", *STEAM, f"{tmp}/gog/Thief/Bin/T3.exe"],
        f"Set the game's launch options in Steam to: \"{app}/corvane-linux\" %command%", IN_STEAM)
refused("A switch after %command%", "native", [*STEAM, T3, "/setgamesys", "My Mission.t3u"],
        f"Put it before: \"{app}/corvane-linux\" /setgamesys 'My Mission.t3u' %command%", IN_STEAM)
refused("Proton 9 without Steam's runtime", "nosniper", [], "runs only in Steam Linux Runtime 3.0 (sniper) (Steam app 1628350)")
refused("A Proton that can't be executed", "noexec", [], "can't be run (Permission denied)")
refused("No Wine", "wineonly", [], "No Wine found: install Wine or pass --wine.", path=f"{sys_bin}:{tmp}/dialog")
refused("A bottle on the system's Wine, with none", "sysbottle", ["--prefix", str(tmp / "sysbottle/.local/share/bottles/bottles/Thief")],
        "wine (the Wine that Bottles (", path=f"{sys_bin}:{tmp}/dialog")
write(tmp / "heroicnone/.config/heroic/GamesConfig/1.json", '{"1": {"winePrefix": "~/Thief"}}'), write(tmp / "heroicnone/Thief/pfx/system.reg")
refused("A Heroic prefix whose Wine Heroic's settings don't name", "heroicnone", ["--prefix", str(tmp / "heroicnone/Thief/pfx")], "belongs to Heroic (")
refused("The SD card out", "nogame", [], "Steam lists libraries that aren't there: /run/media/deck/sdcard.")
refused("No prefix yet", "noprefix", [], "has no Wine prefix yet: start the game once")
refused("A Proton gone", "gone", [], "(8.0-5) is no longer installed: install it in Steam")
refused("No config_info", "noconfig", [], "does not say which Proton made it")
refused("An old Proton gone", "oldgone", [], "made by Proton 5.0 (its version file says 5.0-10), which is not installed")
refused("Not a prefix", "native", ["--prefix", str(tmp / "none")], f"{tmp}/none (given with --prefix) is no Wine prefix")
refused("The folder above a prefix", "native", ["--prefix", str(pfx)], f"is the folder above the Wine prefix: pass {pfx}/pfx.")
refused("Corvane.exe missing", "empty", [], f"not found next to this script ({repo}/launcher) nor in {repo}/missing/bin",
        {"BUILD_DIR": "missing"}, script=repo / "launcher/corvane-linux")
# Failures after the hand-over, told from Corvane's own refusal by what Corvane noted.
refused("A chain that can't execute Proton", "noexec", [str(bin_ / "gamemoderun"), str(tmp / "noexec/p/proton"), "run", T3],
        "ended with exit code 126", IN_STEAM, code=126, ran_too=[line(bin_ / "gamemoderun", tmp / "noexec/p/proton", "run", exe)])
said = refused("Proton's own fault, exit 1", "native", [], "Corvane could not be started: " + str(R / P8 / "proton") + " ended with exit code 1",
                 {"FAKE_PROTON_FAULT": "'STEAM_COMPAT_CLIENT_INSTALL_PATH'"}, ran_too=[line(R / P8 / "proton", "run", exe)])
check("the runner's last lines go on to stderr, and the log keeps them", all("Traceback (most" in text for text in said), said)
refused("umu without its runtime ends 0 and runs nothing", "heroic", [], "ended with exit code 0, and Corvane did not run",
        {"FAKE_OFFLINE": "1"}, UMU_PATH, ran_too=[line(tmp / "umu/umu-run", exe)])
refused("umu run as root", "heroic", [], "It said: ERROR: This script should never be run as the root user",
        {"FAKE_EUID": "0"}, UMU_PATH, ran_too=[line(tmp / "umu/umu-run", exe)])
done, ran = run("native", [*STEAM, T3], {**IN_STEAM, "FAKE_REFUSE": "1"})
check("Corvane's own refusal is not shown twice", done.returncode == 1 and not BOX.exists() and
      "Corvane refused, and said why in its own box: The Thief 3 folder was not found" in (read(app / "corvane-linux.log") or ""), done.stderr)
done, ran = run("native", ["/rungame", "--print"])
check("--print after a switch runs nothing", done.returncode == 0 and "command: " in done.stdout and ran is None, done.stderr)
done, ran = run("native", ["/rungame", "-h"])
check("-h shows the usage and runs nothing", done.returncode == 0 and done.stdout.startswith("Usage:") and ran is None, done.stdout)

# Steam's Stop goes on to the program that runs Corvane, and is no failure.
fake("sleeper", tmp / "sleeper")
done, ran = run("native", [str(tmp / "sleeper"), T3], IN_STEAM, f"{sys_bin}:{tmp}/dialog", stop=True)
check("Steam's Stop", done.returncode == 143 and (ran or [""])[-1] == "stopped" and not BOX.exists()
      and "stopped by" in (read(app / "corvane-linux.log") or ""), f"exit {done.returncode}, {ran}")

print("\n".join(f"FAIL: {failure}" for failure in failures) or "corvane-linux: all checks passed", file=sys.stderr if failures else sys.stdout)
sys.exit(1 if failures else 0)
