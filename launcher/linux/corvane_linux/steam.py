"""Steam's prefixes: its libraries, the game in them, the Proton that made a prefix, Steam's
runtime, and Steam's own command when the launch options start Corvane."""

import os
import re
import shlex
import shutil
from dataclasses import dataclass, field
from pathlib import Path

from .command_line import SWITCHES, VALUE_SWITCHES
from .common import HOME, Claim, Refusal, first, is_game, is_game_exe, is_prefix, read_text, real, vdf_values

THIEF = "6980"
FLATPAK_STEAM = f"{HOME}/.var/app/com.valvesoftware.Steam"
ROOTS = (".steam/steam", ".steam/root", ".local/share/Steam", ".var/app/com.valvesoftware.Steam/.local/share/Steam",
         ".var/app/com.valvesoftware.Steam/data/Steam", "snap/steam/common/.local/share/Steam")
# Steam's own tools that a Proton can require, by app id, as Steam's library lists them.
RUNTIMES = {"1628350": "Steam Linux Runtime 3.0 (sniper)", "1391110": "Steam Linux Runtime 2.0 (soldier)",
            "1070560": "Steam Linux Runtime 1.0 (scout)"}


@dataclass
class Steam:
    root: str
    flatpak: bool
    libraries: list = field(default_factory=list)   # real paths
    missing: list = field(default_factory=list)     # listed in libraryfolders.vdf, but not there


def host_path(path, flatpak):
    """Flatpak Steam writes paths as its sandbox sees them: its home is ~/.var/app/..., except for
    the folders of the real home it was given, and its Proton add-ons are Flatpak extensions."""
    if not flatpak:
        return path
    if path.startswith(f"{HOME}/"):
        rest = path[len(HOME) + 1:]
        if os.path.exists(f"{FLATPAK_STEAM}/{rest.split('/')[0]}"):
            return f"{FLATPAK_STEAM}/{rest}"
    tools = "/app/share/steam/compatibilitytools.d/"
    if path.startswith(tools):
        name, _, rest = path[len(tools):].partition("/")
        for store in (f"{HOME}/.local/share/flatpak", "/var/lib/flatpak"):
            pattern = f"runtime/com.valvesoftware.Steam.CompatibilityTool.{name}/x86_64/*/active/files"
            for files in sorted(Path(store).glob(pattern)):
                return str(files / rest) if rest else str(files)
    return path


def inside_flatpak_steam():
    return os.environ.get("FLATPAK_ID") == "com.valvesoftware.Steam"


def find_steams():
    """Every Steam here: its root, its libraries, and the libraries it lists that aren't there."""
    steams, roots, seen = [], set(), set()
    given = [os.environ["STEAM_DIR"]] if os.environ.get("STEAM_DIR") else []
    for root in given + [f"{HOME}/{name}" for name in ROOTS]:
        root = real(root)
        if root in roots or not os.path.isdir(f"{root}/steamapps"):
            continue
        roots.add(root)
        steam = Steam(root, root.startswith(f"{FLATPAK_STEAM}/"))
        for path in [root] + vdf_values(r"path|\d+", f"{root}/steamapps/libraryfolders.vdf"):
            if not path.startswith("/"):
                continue  # the old form numbers other values than folders too
            library = real(host_path(path, steam.flatpak))
            if not os.path.isdir(f"{library}/steamapps"):
                steam.missing.append(path)
            elif library not in seen:
                seen.add(library)
                steam.libraries.append(library)
        steams.append(steam)
    return steams


def game_claims(steam):
    """The game's prefixes in one Steam: compatdata/<app id>/pfx in any of its libraries, as a game
    moved to another drive keeps its prefix where it was; a copy added as a non-Steam game too.
    A game without a prefix yet gives a claim without one."""
    games = []
    for library in steam.libraries:
        folder = first(vdf_values("installdir", f"{library}/steamapps/appmanifest_{THIEF}.acf"))
        if folder and is_game(f"{library}/steamapps/common/{folder}"):
            games.append((THIEF, f"{library}/steamapps/common/{folder}", f"Steam ({steam.root})"))
    for shortcuts in Path(steam.root, "userdata").glob("*/config/shortcuts.vdf"):
        games += [(app, folder, f"a non-Steam game in Steam ({steam.root})") for app, folder in shortcut_games(shortcuts)]
    found = []
    for app, folder, source in games:
        prefixes = [f"{library}/steamapps/compatdata/{app}/pfx" for library in steam.libraries]
        found += [Claim(prefix, source, "Steam", True, steam=steam, app=app, install=folder)
                  for prefix in prefixes if is_prefix(prefix)] or [Claim("", source, "Steam", True)]
    return found


def shortcut_games(path):
    """The app ids and folders of the non-Steam games in a binary shortcuts.vdf that are the game."""
    try:
        data = Path(path).read_bytes()
    except OSError:
        return []
    # Each entry gives its app id, a 32-bit number, before its program.
    found = re.findall(rb"\x02appid\x00(.{4}).*?\x01exe\x00([^\x00]*)\x00", data, re.IGNORECASE | re.DOTALL)
    exes = [(appid, exe.decode(errors="surrogateescape").strip('"')) for appid, exe in found]
    return [(str(int.from_bytes(appid, "little")), os.path.dirname(os.path.dirname(exe))) for appid, exe in exes
            if is_game_exe(exe)]


def claim_of(prefix, steams):
    """The Steam whose library holds PREFIX (a real path). Links are resolved on both sides: pfx,
    compatdata/<app id> or a whole steamapps may be a link to another drive."""
    for steam in steams:
        for claim in game_claims(steam):
            if claim.prefix and real(claim.prefix) == prefix:
                return claim
        for library in steam.libraries:
            compat = real(f"{library}/steamapps/compatdata")
            app, _, rest = prefix[len(compat) + 1:].partition("/") if prefix.startswith(f"{compat}/") else ("", "", "")
            if rest == "pfx":
                return Claim(f"{library}/steamapps/compatdata/{app}/pfx", f"Steam ({steam.root})", "Steam", steam=steam,
                             app=app, install=install_of(app, steam))
    return None


def install_of(app, steam):
    for library in steam.libraries:
        folder = first(vdf_values("installdir", f"{library}/steamapps/appmanifest_{app}.acf"))
        if folder:
            return f"{library}/steamapps/common/{folder}"
    return ""


def proton_of(compat, flatpak):
    """config_info names files inside the Proton that made the prefix (its files/ or, in older ones,
    dist/): a prefix runs with that Proton, as another one would upgrade it under the game's feet."""
    for line in read_text(f"{compat}/config_info").splitlines()[1:]:
        line = host_path(line.strip(), flatpak)
        for inside in ("/files/", "/dist/"):
            top = line.rpartition(inside)[0]
            if top and os.path.isfile(f"{top}/proton"):
                return top
    return None


def made_by(compat):
    return first(read_text(f"{compat}/config_info").splitlines()) or "?"


def steam_proton(claim, why):
    """The Proton that made a prefix of Steam's: config_info names it; a Proton of 5.0 or older
    wrote none, and its version file gives the Proton by its number."""
    compat, steam = claim.prefix[:-len("/pfx")], claim.steam
    if os.path.isfile(f"{compat}/config_info"):
        proton = proton_of(compat, steam.flatpak)
        if not proton:
            raise Refusal(f"The Proton that made the game's prefix ({made_by(compat)}) is no longer installed:"
                          " install it in Steam, or pick another in the game's Compatibility settings and start"
                          " the game once, or pass --wine.")
        return proton
    version = first(read_text(f"{compat}/version").split())
    if not version:
        raise Refusal(f"The game's prefix ({claim.prefix}) does not say which Proton made it: pick a Proton in the"
                      " game's Properties, Compatibility in Steam, start the game once, then run this again; or"
                      " pass --wine.")
    name = f"Proton {version.partition('-')[0]}"
    proton = next((f"{library}/steamapps/common/{name}" for library in steam.libraries
                   if os.path.isfile(f"{library}/steamapps/common/{name}/proton")), None)
    if not proton:
        raise Refusal(f"The game's prefix was made by {name} (its version file says {version}), which is not"
                      f" installed: install {name} in Steam (Library, Tools), or pass --wine.")
    why.append(f"the prefix's version file says {version}: {name}")
    return proton


def runtime_of(proton, steam):
    """The Steam runtime that the Proton's toolmanifest.vdf requires, if any: its run script."""
    tool = first(vdf_values("require_tool_appid", f"{proton}/toolmanifest.vdf"))
    if not tool:
        return None
    for library in steam.libraries:
        folder = first(vdf_values("installdir", f"{library}/steamapps/appmanifest_{tool}.acf"))
        if folder and os.path.isfile(f"{library}/steamapps/common/{folder}/run"):
            return f"{library}/steamapps/common/{folder}/run"
    raise Refusal(f"{proton} runs only in {RUNTIMES.get(tool, 'a Steam tool')} (Steam app {tool}), which is not"
                  " installed: install it in Steam (Library, Tools), or play any game with this Proton once,"
                  " then run this again; or pass --wine.")


def plan_proton(plan, claim):
    """Proton run as Steam runs it, outside Steam: in the Steam runtime that Proton requires, the
    way Valve documents it (SteamLinuxRuntime_*/run -- proton run)."""
    proton = steam_proton(claim, plan.why)
    compat, steam = claim.prefix[:-len("/pfx")], claim.steam
    plan.environment.update(STEAM_COMPAT_DATA_PATH=compat, STEAM_COMPAT_CLIENT_INSTALL_PATH=steam.root,
                            SteamAppId=claim.app, SteamGameId=claim.app)
    plan.runner, plan.command = f"{proton}/proton", [f"{proton}/proton", "run", plan.exe] + plan.switch
    runtime = runtime_of(proton, steam)
    if runtime:
        plan.environment.update(STEAM_COMPAT_INSTALL_PATH=claim.install or plan.folder,
                                STEAM_COMPAT_LIBRARY_PATHS=":".join(steam.libraries), STEAM_COMPAT_TOOL_PATHS=proton)
        plan.command = [runtime, "--"] + plan.command
        plan.container = True
        plan.why.append(f"through Steam's runtime {os.path.dirname(runtime)}, which this Proton requires")


def launch_options_plan(plan, parsed):
    """Steam's own command with Corvane.exe in the game's place, so that Corvane, and the game it
    starts, run in the game's Proton session: its runtime, DXVK, fsync, overlay and play time."""
    if "prefix" in parsed.options or "wine" in parsed.options:
        raise Refusal("--prefix and --wine have no place in Steam's launch options: Steam chooses the game's"
                      " prefix and Proton there. Take them out of the launch options.")
    chain = parsed.chain
    game = next((at for at, word in enumerate(chain) if is_game_exe(word)), None)
    if game is None:
        raise Refusal(f"Steam's command holds no System/T3.exe of Thief: Deadly Shadows ({' '.join(chain)})."
                      f" Set the game's launch options in Steam to: \"{plan.script}\" %command%")
    if game == 0:
        raise Refusal("Steam's command starts the game's own exe, without Proton: pick a Proton in the game's"
                      " Properties, Compatibility, then press Play again.")
    if not (shutil.which(chain[0]) or os.path.isfile(chain[0])):
        raise Refusal(f"{chain[0]} is neither an option of corvane-linux, nor a switch of Corvane, nor a"
                      " program that Steam's command can start with: see corvane-linux --help.")
    after = chain[game + 1:]
    late = next((at for at, word in enumerate(after) if word in SWITCHES + VALUE_SWITCHES), None)
    if late is not None:
        words = after[late:late + (2 if after[late] in VALUE_SWITCHES else 1)]
        raise Refusal(f"{after[late]} comes after %command%, where Steam hands it to the game, not to Corvane."
                      f" Put it before: \"{plan.script}\" {shlex.join(words)} %command%")
    compat = os.environ.get("STEAM_COMPAT_DATA_PATH", "")
    plan.prefix = f"{compat}/pfx" if compat else "the one Steam gives"
    plan.environment.update(parsed.variables)
    plan.runner, plan.command = chain[0], chain[:game] + [plan.exe] + plan.switch
    plan.container = True
    if after:
        plan.why.append(f"dropped the game's own arguments, which can't reach the game through Corvane: {' '.join(after)}")
    if compat:
        # A Play through Flatpak Steam notes the host's paths, as a start from the desktop sees them.
        flatpak = inside_flatpak_steam()
        proton = next((word for word in chain[:game] if os.path.basename(word) == "proton"), "")
        plan.record = {"prefix": host_path(plan.prefix, flatpak), "proton": host_path(proton, flatpak),
                       "game": host_path(os.path.dirname(os.path.dirname(chain[game])), flatpak)}
