#!/usr/bin/env python3
"""launcher/corvane-linux in fake homes with fake Steam, Heroic and Lutris layouts. Fake programs
(wine, proton, umu-run, Steam's reaper, the runtime's entry point, gamemoderun, zenity) log how
they were started; nothing of the machine's own may answer."""
import atexit
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
from pathlib import Path

SCRIPT = Path(__file__).resolve().parent.parent / "launcher/corvane-linux"
tmp = Path(tempfile.mkdtemp()).resolve()
atexit.register(shutil.rmtree, tmp, True)
LOG, BOX = tmp / "log", tmp / "box"
# A fake logs its name, working folder, the variables that choose the prefix and its arguments.
FAKE = """#!/bin/bash
printf '%s\\n' "$0" "$PWD" "${STEAM_COMPAT_DATA_PATH-}" "${WINEPREFIX-}" "${PROTONPATH-}" "${PROTON_LOG-}" "$@" >>"$LOG"
exit "${FAKE_EXIT:-0}"
"""
failures = []


def write(path, text="", mode=0o644):
    Path(path).parent.mkdir(parents=True, exist_ok=True)
    Path(path).write_text(text)
    Path(path).chmod(mode)


def fake(*paths, text=FAKE):
    for path in paths:
        write(path, text, 0o755)


def steam(root, *libraries, form="new"):
    """A Steam root listing LIBRARIES (new form, or the old "1" "DIR"), with a decoy game whose
    T3.exe is outside System."""
    lines = [f'\t"{at}"\n\t{{\n\t\t"path"\t\t"{lib}"\n\t}}' if form == "new" else f'\t"{at}"\t\t"{lib}"'
             for at, lib in enumerate(libraries)]
    write(f"{root}/steamapps/libraryfolders.vdf", '"libraryfolders"\n{\n' + "\n".join(lines) + "\n}\n")
    write(f"{root}/steamapps/common/Other/Bin/T3.exe", "")
    write(f"{root}/steamapps/appmanifest_1.acf", '"AppState"\n{\n\t"installdir"\t\t"Other"\n}\n')


def game(library, id=6980):
    write(f"{library}/steamapps/common/Thief DS/sYsTeM/t3.EXE", "")
    write(f"{library}/steamapps/appmanifest_{id}.acf", '"AppState"\n{\n\t"installdir"\t\t"Thief DS"\n}\n')
    return f"{library}/steamapps/common/Thief DS/sYsTeM/t3.EXE"


def prefix(folder, proton=None, named_as=None):
    """A prefix in FOLDER/pfx, made by PROTON, whose files config_info names as NAMED_AS."""
    write(f"{folder}/pfx/system.reg", "")
    if proton:
        write(f"{folder}/config_info", f"8.0-5\n{named_as or f'{proton}/files'}/share/fonts/\n")
        fake(f"{proton}/proton")
    return f"{folder}/pfx"


def requires_runtime(proton):
    write(f"{proton}/toolmanifest.vdf", '"manifest"\n{\n  "commandline" "/proton %verb%"\n  "require_tool_appid" "1628350"\n}\n')


def shortcut(path, appid, exe):
    """A binary shortcuts.vdf with one non-Steam game."""
    write(path)
    Path(path).write_bytes(b"\x00shortcuts\x00\x000\x00\x02appid\x00" + struct.pack("<I", appid) +
                          b"\x01AppName\x00Thief\x00\x01Exe\x00" + f'"{exe}"'.encode() + b"\x00\x08\x08\x08")


# The homes. The sandbox's own programs: links to /usr/bin less any wine and any dialog.
sys_bin, bin_, app = tmp / "sys", tmp / "bin", tmp / "my games/corvane"
sys_bin.mkdir()
for program in Path("/usr/bin").iterdir():
    if not program.is_dir() and not program.name.startswith("wine") and program.name not in ("zenity", "kdialog", "notify-send", "umu-run"):
        (sys_bin / program.name).symlink_to(program)
fake(bin_ / "wine", tmp / "own/wine", tmp / "umu/umu-run", bin_ / "gamemoderun")
fake(tmp / "dialog/zenity", text='#!/bin/bash\nprintf "%s\\n" "$@" >"$BOX"\n')
write(app / "Corvane.exe", "")
shutil.copy(SCRIPT, app)
fp, sl = ".var/app/com.valvesoftware.Steam", ".local/share/Steam"
R = tmp / "native" / sl
# A game moved to the SD card keeps its prefix on internal storage.
steam(R, R, tmp / "native/sd card")
T3 = game(tmp / "native/sd card")
prefix(R / "steamapps/compatdata/6980", R / "steamapps/common/Proton 8.0")
# Flatpak Steam writes its sandbox's paths; the native Steam beside it has a Proton of the same name.
F = tmp / "flat" / fp / sl
steam(F, tmp / "flat" / sl, tmp / "flat/lib", form="old")
game(tmp / "flat" / fp / "lib")
prefix(F / "steamapps/compatdata/6980", F / "steamapps/common/Proton 8.0", f"{tmp}/flat/{sl}/steamapps/common/Proton 8.0/files")
steam(tmp / "flat" / sl)
fake(tmp / "flat" / sl / "steamapps/common/Proton 8.0/proton")
G = tmp / "flatge" / fp / "data/Steam"
ext = tmp / "flatge/.local/share/flatpak/runtime/com.valvesoftware.Steam.CompatibilityTool.GE-Proton/x86_64/stable/active/files"
steam(G), game(G)
prefix(G / "steamapps/compatdata/6980", ext, "/app/share/steam/compatibilitytools.d/GE-Proton/dist")  # as older Protons
# Native and Flatpak Steam both have the game.
for root in (tmp / "both" / sl, tmp / "both" / fp / sl):
    steam(root), game(root), prefix(root / "steamapps/compatdata/6980", root / "p")
# Proton 9 requires Steam's runtime, installed in one home and not in the other; Snap Steam.
for home in ("sniper", "nosniper", "snap/snap/steam/common"):
    root = tmp / home / sl
    steam(root), game(root), prefix(root / "steamapps/compatdata/6980", root / "steamapps/common/Proton 9.0")
    if "snap" not in home:
        requires_runtime(root / "steamapps/common/Proton 9.0")
write(tmp / f"sniper/{sl}/steamapps/appmanifest_1628350.acf", '"AppState"\n{\n\t"installdir"\t\t"SteamLinuxRuntime_sniper"\n}\n')
entry = tmp / f"sniper/{sl}/steamapps/common/SteamLinuxRuntime_sniper/_v2-entry-point"
fake(entry)
# The GOG copy: added to Steam as a non-Steam game; in Heroic with GE-Proton (through umu, a pfx link
# to itself); in Lutris with a Wine-GE build.
steam(tmp / "shortcut" / sl)
shortcut(tmp / f"shortcut/{sl}/userdata/1234/config/shortcuts.vdf", 3000000000, f"{tmp}/gog/Thief/SYSTEM/T3.exe")
write(tmp / "gog/Thief/SYSTEM/T3.exe", "")
prefix(tmp / f"shortcut/{sl}/steamapps/compatdata/3000000000", tmp / f"shortcut/{sl}/compatibilitytools.d/GE-Proton9")
H = tmp / "heroic/Games/Heroic/Prefixes/Thief"
ge = tmp / "heroic/.config/heroic/tools/proton/GE-Proton9-20"
write(H / "system.reg", ""), (H / "pfx").symlink_to(".")
write(H / "config_info", f"GE-Proton9-20\n{ge}/files/share/fonts/\n"), fake(ge / "proton")
write(tmp / "heroic/.config/heroic/gog_store/installed.json", f'{{"installed": [{{"appName": "1", "install_path": "{tmp}/gog/Thief"}}]}}')
write(tmp / "heroic/.config/heroic/GamesConfig/1.json",
      f'{{"1": {{"winePrefix": "{H}", "wineVersion": {{"bin": "{ge}/proton", "type": "proton"}}}}}}')
L, lwine = tmp / "lutris/Games/thief", tmp / "lutris/.local/share/lutris/runners/wine/wine-ge-8-26-x86_64/bin/wine"
write(L / "system.reg", ""), fake(lwine)
write(tmp / "lutris/.local/share/lutris/games/thief-1.yml",
      f"game:\n  exe: {tmp}/gog/Thief/SYSTEM/T3.exe\n  prefix: '{L}'\nsystem: {{}}\nwine:\n  version: wine-ge-8-26-x86_64\n")
# Errors: no prefix yet, a Proton gone, no config_info, no game with the SD card out, a Proton that
# can't be executed.
for home in ("noprefix", "gone", "noconfig", "nogame", "noexec"):
    steam(tmp / home / sl, tmp / home / sl, "/run/media/deck/sdcard")
    if home != "nogame":
        game(tmp / home / sl)
prefix(tmp / f"gone/{sl}/steamapps/compatdata/6980", tmp / "gone/p")
shutil.rmtree(tmp / "gone/p")
prefix(tmp / f"noconfig/{sl}/steamapps/compatdata/6980")
prefix(tmp / f"noexec/{sl}/steamapps/compatdata/6980", tmp / "noexec/p")
write(tmp / "noexec/p/proton", FAKE)  # without its run bit
write(tmp / "wineonly/.wine/system.reg", ""), write(tmp / "rel/pfx/system.reg", "")
repo = tmp / "repo"
write(repo / "out/bin/Corvane.exe", ""), (repo / "launcher").mkdir(), shutil.copy(SCRIPT, repo / "launcher")
(tmp / "link").symlink_to(R / "steamapps/compatdata/6980/pfx")
# What Steam's %command% holds for a Proton game; a wrapper that hands on to the next program.
fake(R / "ubuntu12_32/reaper")
STEAM = [f"{R}/ubuntu12_32/reaper", "SteamLaunch", "AppId=6980", "--", f"{R}/ubuntu12_32/steam-launch-wrapper", "--",
         f"{R}/steamapps/common/SteamLinuxRuntime_sniper/_v2-entry-point", "--verb=waitforexitandrun", "--",
         f"{R}/steamapps/common/Proton 8.0/proton", "waitforexitandrun"]
fake(tmp / "handon", text='#!/bin/bash\nexec "$@"\n')
write(tmp / "mission/System/MyMission.t3u", "")
ARGS = ["/setgamepath", "D:\\Games\\T3 Mod it's\\"]
IN_STEAM = {"SteamAppId": "6980", "STEAM_COMPAT_DATA_PATH": f"{R}/steamapps/compatdata/6980"}


def run(home, args, env=None, path=None, script=app):
    for stale in (LOG, BOX):
        stale.unlink(missing_ok=True)
    environment = {"HOME": str(tmp / home), "PATH": path or f"{bin_}:{sys_bin}:{tmp}/dialog", "LOG": str(LOG), "BOX": str(BOX)}
    done = subprocess.run([str(script / "corvane-linux"), *args], cwd=tmp, env={**environment, **(env or {})},
                          capture_output=True, text=True, stdin=subprocess.DEVNULL)
    return done, (read(LOG) or "").splitlines() or None


def log_of(home):
    return read(tmp / home / ".local/state/corvane/corvane-linux.log") or ""


def read(path):
    return path.read_text() if path.exists() else None


def check(what, ok, detail):
    if not ok:
        failures.append(f"{what}: {detail}")


def started(what, home, args, runner, compat="", wineprefix="", protonpath="", rest=(), env=None, path=None, why="",
            first=None, folder=app, script=app):
    """A run starts FIRST (the RUNNER unless a runtime or umu comes first) in Corvane's FOLDER with
    these variables and arguments; --print shows it, runs nothing, and its command runs exactly what
    the run did."""
    environment = {"LOG": str(LOG), "PATH": path or f"{bin_}:{sys_bin}", **(env or {})}
    want = [str(first or runner), str(folder), str(compat), str(wineprefix), str(protonpath), environment.get("PROTON_LOG", ""),
            *map(str, rest)]
    done, ran = run(home, args, env, path, script)
    check(what, done.returncode == 0 and ran == want, f"exit {done.returncode}, {done.stderr} ran {ran}, wanted {want}")
    done, ran = run(home, ["--print", *args], env, path, script)
    check(what, ran is None and f"runner:  {runner}\nfolder:  {folder}\n" in done.stdout and why in done.stdout,
          f"--print ran {ran} or shows {done.stdout}{done.stderr}")
    command = done.stdout.rpartition("command: ")[2]
    subprocess.run(["bash", "-c", command], cwd="/", env=environment, check=False)
    check(what, (read(LOG) or "").splitlines() == want, f"--print's command ran otherwise: {command}")


def refused(what, home, args, message, env=None, path=None, code=1, script=app):
    """A refusal: on stderr, in zenity's box (stderr is no terminal) and in the log; Corvane not run."""
    done, ran = run(home, args, env, path, script)
    box = (read(BOX) or "").partition("--text=")[2].rstrip("\n")
    check(what, done.returncode == code and message in box and box in done.stderr and box.splitlines()[0] in log_of(home)
          and (code != 1 or ran is None), f"exit {done.returncode}, {done.stderr!r}, box {box!r}, ran {ran}, wanted {message!r}")


pfx = R / "steamapps/compatdata/6980"
started("Proton of the prefix on internal storage, game on the SD card", "native", ARGS,
        R / "steamapps/common/Proton 8.0/proton", pfx, rest=["run", app / "Corvane.exe", *ARGS])
started("--prefix=DIR through a link", "native", ["--prefix=" + str(tmp / "link"), *ARGS],
        R / "steamapps/common/Proton 8.0/proton", pfx, rest=["run", app / "Corvane.exe", *ARGS])
started("Flatpak sandbox paths, old libraryfolders.vdf", "flat", [], F / "steamapps/common/Proton 8.0/proton",
        F / "steamapps/compatdata/6980", rest=["run", app / "Corvane.exe"])
started("A Proton from a Flatpak extension", "flatge", ["/rungame"], ext / "proton", G / "steamapps/compatdata/6980",
        rest=["run", app / "Corvane.exe", "/rungame"])
sniper = tmp / f"sniper/{sl}/steamapps"
started("Proton 9 in Steam's runtime, which it requires", "sniper", ["/rungame"], sniper / "common/Proton 9.0/proton",
        sniper / "compatdata/6980", first=entry, why="through Steam's runtime",
        rest=["--verb=run", "--", sniper / "common/Proton 9.0/proton", "run", app / "Corvane.exe", "/rungame"])
snap = tmp / f"snap/snap/steam/common/{sl}/steamapps"
started("Snap Steam", "snap", [], snap / "common/Proton 9.0/proton", snap / "compatdata/6980", rest=["run", app / "Corvane.exe"])
started("STEAM_DIR, an odd place for Steam", "empty", [], R / "steamapps/common/Proton 8.0/proton", pfx,
        rest=["run", app / "Corvane.exe"], env={"STEAM_DIR": str(R)})
started("--wine wins over the prefix's Proton", "native", ["--wine", str(tmp / "own/wine"), *ARGS], tmp / "own/wine",
        wineprefix=pfx / "pfx", rest=[app / "Corvane.exe", *ARGS])
started("No Steam: wine in ~/.wine", "wineonly", ["--", "/setgamesys", "-x.t3u"], bin_ / "wine",
        wineprefix=tmp / "wineonly/.wine", rest=[app / "Corvane.exe", "/setgamesys", "-x.t3u"])
started("The GOG copy as a non-Steam game in Steam", "shortcut", [], tmp / f"shortcut/{sl}/compatibilitytools.d/GE-Proton9/proton",
        tmp / f"shortcut/{sl}/steamapps/compatdata/3000000000", rest=["run", app / "Corvane.exe"])
started("A Heroic prefix made by GE-Proton runs through umu", "heroic", ["/rungame"], ge / "proton", first=tmp / "umu/umu-run",
        why="through " + str(tmp / "umu/umu-run"),
        wineprefix=H, protonpath=ge, rest=[app / "Corvane.exe", "/rungame"], path=f"{tmp}/umu:{bin_}:{sys_bin}:{tmp}/dialog")
started("A Lutris Wine-GE prefix runs with the Wine that its game file names", "lutris", ["--prefix", str(L)], lwine,
        wineprefix=L, rest=[app / "Corvane.exe"], why="the Wine that Lutris")
started("Steam's command, a switch before it", "native", ["/rungame", *STEAM, T3], STEAM[0], compat=pfx,
        rest=[*STEAM[1:], app / "Corvane.exe", "/rungame"], env=IN_STEAM)
started("Wrappers and variables after the script, the game's own arguments dropped", "native",
        ["/setgamesys", str(tmp / "mission/System/MyMission.t3u"), "PROTON_LOG=1", "gamemoderun", *STEAM, T3, "-nointro"],
        "gamemoderun", first=bin_ / "gamemoderun", compat=pfx, rest=[*STEAM, app / "Corvane.exe", "/setgamesys", tmp / "mission/System/MyMission.t3u"],
        env={**IN_STEAM, "PROTON_LOG": "1"})
check("the dropped arguments are logged", "dropped the game's own arguments" in log_of("native") and "-nointro" in log_of("native"), log_of("native"))

# The prefix Steam used last settles two: a Play through the launch options records it.
both = tmp / f"both/{fp}/{sl}/steamapps/compatdata/6980"
refused("Two prefixes", "both", [], f"has more than one Wine prefix:\n  {tmp}/both/{sl}/steamapps/compatdata/6980/pfx (Steam")
run("both", [*STEAM, T3], {"SteamAppId": "6980", "STEAM_COMPAT_DATA_PATH": str(both)})
started("Two prefixes, settled by the one Steam used last", "both", [], tmp / f"both/{fp}/{sl}/p/proton", both,
        rest=["run", app / "Corvane.exe"], why="the one Steam's Play button used last")

refused("--prefix twice", "native", ["--prefix", str(tmp / "link"), "--prefix=/x"], "--prefix is given twice")
refused("An unknown option", "native", ["--verbose"], "Unknown option --verbose")
refused("Two switches", "native", ["/rungame", "/setgame"], "/setgame follows /rungame")
refused("A switch without its value", "native", ["/setgamepath"], "/setgamepath needs a value")
refused("A word that names a file is no Steam command outside Steam", "native", ["/rungame", T3], f"{T3} is neither an option")
refused("--prefix in Steam's launch options", "native", ["--prefix", str(tmp / "link"), *STEAM, T3], "Steam chooses the game's", IN_STEAM)
refused("A word before Steam's command that is no program", "native", ["/rungame", "extra", *STEAM, T3], "extra is neither", IN_STEAM)
refused("Steam's command without the game", "native", ["/rungame", *STEAM, f"{R}/steamapps/common/Other/Bin/T3.exe"],
        f"Set the game's launch options in Steam to: \"{app}/corvane-linux\" %command%", IN_STEAM)
refused("A chain that can't execute Proton", "native", [str(tmp / "handon"), str(tmp / "noexec/p/proton"), "run", T3],
        "ended with exit code 126", IN_STEAM, code=126)
refused("A runtime that reports an error", "sniper", [], "ended with exit code 125", {"FAKE_EXIT": "125"}, code=125)
refused("Proton 9 without Steam's runtime", "nosniper", [], "runs only in Steam Linux Runtime 3.0 (sniper) (Steam app 1628350)")
refused("A Proton that can't be executed", "noexec", [], "can't be run (Permission denied)")
refused("No Wine", "wineonly", [], "No Wine found: install Wine or pass --wine.", path=f"{sys_bin}:{tmp}/dialog")
refused("Heroic's GE-Proton prefix without umu", "heroic", [], "was made by Proton (" + str(ge) + ") outside Steam: install umu-launcher")
refused("The SD card out", "nogame", [], "Steam lists libraries that aren't there: /run/media/deck/sdcard.")
started("The SD card out, the game on internal storage", "noexec", ["--wine", "wine"], bin_ / "wine",
        wineprefix=tmp / f"noexec/{sl}/steamapps/compatdata/6980/pfx", rest=[app / "Corvane.exe"],
        why="Steam lists the library /run/media/deck/sdcard, which isn't there")
refused("No prefix yet", "noprefix", [], "has no Wine prefix yet: start the game once")
refused("A Proton gone", "gone", [], "(8.0-5) is no longer installed: install it in Steam")
refused("No config_info", "noconfig", [], "does not say which Proton made it")
refused("Not a prefix", "native", ["--prefix", str(tmp / "none")], f"{tmp}/none (given with --prefix) is no Wine prefix")
refused("The folder above a prefix", "native", ["--prefix", str(pfx)], f"is the folder above the Wine prefix: pass {pfx}/pfx.")
started("A relative WINEPREFIX, in the repository", "empty", ARGS, bin_ / "wine", wineprefix=tmp / "rel/pfx",
        rest=[repo / "out/bin/Corvane.exe", *ARGS], env={"WINEPREFIX": "rel/pfx", "BUILD_DIR": "out"}, folder=repo / "out/bin",
        script=repo / "launcher")
refused("Corvane.exe missing", "empty", [], f"not found next to this script ({repo}/launcher) nor in {repo}/missing/bin",
        {"BUILD_DIR": "missing"}, script=repo / "launcher")
done, ran = run("native", ["/rungame", "--print"])
check("--print after a switch runs nothing", done.returncode == 0 and "command: " in done.stdout and ran is None, done.stderr)
done, ran = run("native", ["/rungame", "-h"])
check("-h shows the usage and runs nothing", done.returncode == 0 and done.stdout.startswith("Usage:") and ran is None, done.stdout)
done, _ = run("native", [*STEAM, T3], {**IN_STEAM, "FAKE_EXIT": "1"})
check("Corvane's own refusal is not shown twice", done.returncode == 1 and not BOX.exists() and "Corvane refused" in log_of("native"), done.stderr)

# A Heroic prefix that no Proton has run yet: the Proton that Heroic names for it.
(H / "config_info").unlink()
started("A Heroic prefix without config_info runs with the Proton that Heroic names", "heroic", [], ge / "proton",
        first=tmp / "umu/umu-run", why="Heroic", wineprefix=H, protonpath=ge, rest=[app / "Corvane.exe"],
        path=f"{tmp}/umu:{bin_}:{sys_bin}:{tmp}/dialog")
# Steam's Stop goes on to the program that runs Corvane, and is no failure.
fake(tmp / "sleeper", text='#!/bin/bash\ntrap \'echo stopped >>"$LOG"; exit 143\' TERM\necho started >>"$LOG"\nwhile :; do sleep 0.1; done\n')
LOG.unlink(missing_ok=True), BOX.unlink(missing_ok=True)
script = subprocess.Popen([app / "corvane-linux", tmp / "sleeper", T3], stderr=subprocess.DEVNULL,
                          env={"HOME": str(tmp / "native"), "PATH": f"{sys_bin}:{tmp}/dialog", "LOG": str(LOG), "BOX": str(BOX), **IN_STEAM})
deadline = time.monotonic() + 60  # only a hang takes a minute
while not LOG.exists() and time.monotonic() < deadline:
    time.sleep(0.1)
script.send_signal(15)
code = script.wait(60)
check("Steam's Stop", code == 143 and LOG.read_text() == "started\nstopped\n" and not BOX.exists() and "stopped by" in log_of("native"),
      f"exit {code}, {LOG.read_text()}")

print("\n".join(f"FAIL: {failure}" for failure in failures) or "corvane-linux: all checks passed", file=sys.stderr if failures else sys.stdout)
sys.exit(1 if failures else 0)
