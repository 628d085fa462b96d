"""Which prefix, and what runs Corvane in it: Steam's own command under Steam, else the Proton or
Wine that the prefix belongs to."""

import os
import shlex
import shutil

from . import bottles, heroic, lutris, state, steam, umu
from .common import HOME, Plan, Refusal, is_prefix, real

# What Steam's runtime shows of the host besides its own paths, as Valve's runtime documents it.
SHARED = (HOME, "/home", "/opt", "/media", "/mnt", "/run/media", "/srv", "/var/tmp", "/tmp", "/nix", "/gnu")


def real_prefix(given, how):
    """A prefix is a folder that holds system.reg: Wine would make a new one inside anything else."""
    if is_prefix(real(given)):
        return real(given)
    if is_prefix(f"{given}/pfx"):
        raise Refusal(f"{given} ({how}) is the folder above the Wine prefix: pass {given}/pfx.")
    raise Refusal(f"{given} ({how}) is no Wine prefix: pass the folder that holds system.reg, such as "
                  f"{HOME}/.local/share/Steam/steamapps/compatdata/6980/pfx or {HOME}/.wine.")


def launcher_claims(game_only, steams):
    libraries = [library for one in steams for library in one.libraries]
    return heroic.claims(game_only) + lutris.claims(game_only, libraries) + bottles.claims(game_only)


def game_claims(steams):
    return [claim for one in steams for claim in steam.game_claims(one)] + launcher_claims(True, steams)


def choose(found, steams, why):
    """The one prefix of the game, from every Steam, Heroic, Lutris and Bottles here."""
    if not found:
        places = ", ".join(one.root for one in steams) or "no Steam here"
        missing = [path for one in steams for path in one.missing]
        gone = f" Steam lists libraries that aren't there: {', '.join(missing)}. If the game is on one of them" \
            " (an SD card or a drive), put it in and try again." if missing else ""
        raise Refusal(f"Thief: Deadly Shadows was not found in any Steam library ({places}), nor in Heroic's,"
                      f" Lutris's or Bottles' games.{gone} If it is installed elsewhere, pass --prefix with its"
                      " Wine prefix.")
    prefixes = {}
    for claim in found:
        if claim.prefix and is_prefix(claim.prefix):
            prefixes.setdefault(real(claim.prefix), claim)
    if not prefixes:
        raise Refusal(f"Thief: Deadly Shadows ({found[0].source}) has no Wine prefix yet: start the game once"
                      " from there, then run this again.")
    if len(prefixes) == 1:
        return next(iter(prefixes.values()))
    last = state.last_steam_run()
    if real(last.get("prefix") or "/nowhere") in prefixes:
        why.append(f"of {len(prefixes)} prefixes, the one Steam's Play button used last ({last.get('time', '')})")
        return prefixes[real(last["prefix"])]
    listed = "".join(f"\n  {prefix} ({claim.source})" for prefix, claim in prefixes.items())
    raise Refusal(f"Thief: Deadly Shadows has more than one Wine prefix:{listed}\nPass the one the game uses with"
                  " --prefix, or press Play in Steam once with Corvane in the game's launch options: the next"
                  " start takes the prefix that Steam used.")


def claim_of(prefix, steams):
    """Who set up a prefix that was given by its path: links and ~ lead to the same claim."""
    return steam.claim_of(prefix, steams) or next(
        (claim for claim in launcher_claims(False, steams) if real(claim.prefix) == prefix), None)


def named(claim, made):
    """The runner that a prefix names for itself, in words."""
    if made:
        return f"the Proton that made it ({made[1]})"
    if claim and (claim.proton or claim.wine or claim.owner == "Steam"):
        return f"{claim.proton or claim.wine or 'its Proton'}, as {claim.source} says"
    return ""


def wine(plan, given, how):
    program = shutil.which(given) if "/" not in given else real(given)
    if not program or not os.access(program, os.X_OK) or os.path.isdir(program):
        raise Refusal(f"{given} ({how}) is not there, or is no program: install it, or pass --wine with the Wine"
                      " to use.")
    plan.environment["WINEPREFIX"] = plan.prefix
    plan.runner, plan.command = program, [program, plan.exe] + plan.switch


def desktop_prefix(plan, options, steams):
    """The prefix to run in, and who claims it: the one given, else the game's one, else ~/.wine."""
    given = options.get("prefix") or os.environ.get("WINEPREFIX")
    found = [] if given else game_claims(steams)
    if given:
        plan.prefix = real_prefix(given, "given with --prefix" if "prefix" in options else "in WINEPREFIX")
    elif steams or found:
        claim = choose(found, steams, plan.why)
        plan.prefix = real(claim.prefix)
        plan.why += [f"Steam lists the library {path}, which isn't there" for one in steams for path in one.missing]
        return claim
    else:
        plan.prefix = real_prefix(f"{HOME}/.wine", "Wine's default")
    return claim_of(plan.prefix, steams)


def desktop_plan(plan, options):
    """A prefix runs with the runner that made it or that its launcher names; the system's wine only
    where no launcher claims the prefix, and --wine where the player says so."""
    claim = desktop_prefix(plan, options, steam.find_steams())
    compat = (claim.prefix if claim else plan.prefix).removesuffix("/pfx")
    made = umu.maker(compat) if not claim or claim.owner != "Steam" else None
    if "wine" in options:
        wine(plan, options["wine"], "given with --wine")
        if named(claim, made):
            plan.why.append(f"the prefix names {named(claim, made)}; --wine runs {plan.runner} instead")
    elif claim and claim.owner == "Steam":
        steam.plan_proton(plan, claim)
    elif made:
        umu.plan_umu(plan, compat, *made)
    elif "/steamapps/compatdata/" in compat:
        raise Refusal(f"{plan.prefix} lies in a Steam library that no Steam here lists, and does not say which"
                      " Proton made it: start Corvane from Steam's launch options, or pass --wine.")
    elif claim and claim.proton:
        umu.plan_umu(plan, compat, claim.proton, claim.source)
    elif claim and claim.wine:
        wine(plan, claim.wine, f"the Wine that {claim.source} names for this prefix")
        plan.why.append(f"the Wine that {claim.source} names for this prefix")
    elif claim:
        raise Refusal(f"{plan.prefix} belongs to {claim.source}, whose settings name no Wine or Proton for it:"
                      f" choose one there and start the game once, or pass --wine with the Wine to use.")
    elif shutil.which("wine"):
        wine(plan, "wine", "found on PATH")
    else:
        raise Refusal("No Wine found: install Wine or pass --wine.")


def steam_start(parsed):
    """Steam's launch options: its environment and its command, both. SteamAppId alone, as Steam
    gives a non-Steam game such as this script itself, is a start from the desktop."""
    return bool(parsed.chain)


def mounts(plan):
    """Steam's runtime shows the host's home and media folders only: Corvane's own folder and both
    installations of its Corvane.ini that lie elsewhere (a drive mounted at /games) are shared too."""
    try:
        with open(os.path.join(plan.folder, "Corvane.ini"), encoding="cp1252", errors="replace") as settings:
            lines = settings.read().splitlines()[:2]
    except OSError:
        lines = []
    folders = [plan.folder] + ["/" + line[3:].replace("\\", "/").strip("/") for line in lines
                               if line[:3].upper() == "Z:\\"]
    outside = [folder for folder in folders if folder != "/" and os.path.isdir(folder)
               and not any(folder == top or folder.startswith(top.rstrip("/") + "/") for top in SHARED)]
    if outside:
        given = plan.environment.get("STEAM_COMPAT_MOUNTS", os.environ.get("STEAM_COMPAT_MOUNTS", ""))
        plan.environment["STEAM_COMPAT_MOUNTS"] = ":".join(filter(None, [given] + outside))


def shown(plan):
    return " ".join(map(shlex.quote, [f"{name}={value}" for name, value in plan.environment.items()] + plan.command))


def print_plan(plan):
    print(f"prefix:  {plan.prefix}\nrunner:  {plan.runner}\nfolder:  {plan.folder}")
    for line in plan.why:
        print(f"note:    {line}")
    print(f"command: cd {shlex.quote(plan.folder)} && env {shown(plan)}")


def make_plan(script, exe, parsed):
    plan = Plan(script, exe, parsed.switch)
    if steam_start(parsed):
        steam.launch_options_plan(plan, parsed)
    elif parsed.variables:
        name, value = next(iter(parsed.variables.items()))
        raise Refusal(f"{name}={value} is neither an option of corvane-linux nor a switch of Corvane: see"
                      " corvane-linux --help.")
    else:
        desktop_plan(plan, parsed.options)
    if plan.container:
        mounts(plan)
    return plan
