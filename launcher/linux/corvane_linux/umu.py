"""Prefixes that Proton made outside Steam (Heroic or Lutris with GE-Proton, umu itself): they run
with that Proton again, through umu, which gives Proton what Steam would."""

import os
import shutil

from . import heroic, lutris
from .common import Refusal
from .steam import made_by, proton_of


def program():
    """umu-run on PATH, else the umu that Heroic or Lutris downloaded for itself."""
    found = shutil.which("umu-run") or next((path for path in heroic.umu_programs() + lutris.umu_programs()
                                             if os.path.isfile(path)), None)
    if found and not os.access(found, os.X_OK):
        return [shutil.which("python3") or "python3", found]
    return [found] if found else []


def maker(compat):
    """The Proton that config_info names for a prefix made outside Steam, and who made it."""
    if not os.path.isfile(f"{compat}/config_info"):
        return None
    return proton_of(compat, False) or "", made_by(compat)


def plan_umu(plan, compat, proton, made):
    if not proton:
        raise Refusal(f"The Proton that made {plan.prefix} ({made}) is no longer installed: install it"
                      " again in the launcher that made the prefix, or pass --wine.")
    umu = program()
    if not umu:
        raise Refusal(f"{plan.prefix} was made by Proton ({proton}) outside Steam, and runs through umu, which is"
                      " not here: start the game once in Heroic or Lutris, which fetch umu for themselves, or"
                      " install umu-launcher; or pass --wine with the Wine to use instead.")
    # The verb run, not umu's default waitforexitandrun, which would wait for a game that runs.
    plan.environment.update(WINEPREFIX=compat, GAMEID="umu-default", PROTONPATH=proton, PROTON_VERB="run")
    plan.runner, plan.command = f"{proton}/proton" if proton.startswith("/") else proton, umu + [plan.exe] + plan.switch
    plan.why.append(f"through {umu[-1]}, with the Proton of {made}")
