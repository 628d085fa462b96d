"""corvane-linux: starts Corvane in the Wine prefix of Thief: Deadly Shadows, so that the registry
values it writes are the ones the game reads: inside Steam's own Proton session when Steam starts
it, else the way Steam, umu, Heroic, Lutris or Bottles would start a program in that prefix."""

import os
import sys
import traceback

from . import state
from .command_line import USAGE, parse
from .common import Refusal
from .planning import make_plan, print_plan
from .running import run


def locate(script):
    """Corvane.exe beside this script, or in the build folder when it runs from the source tree;
    the log and the Steam record go beside it."""
    here = os.path.dirname(os.path.realpath(script))
    build = os.environ.get("BUILD_DIR") or "build"
    build = build if build.startswith("/") else f"{os.path.dirname(here)}/{build}"
    exe = next((os.path.realpath(exe) for exe in (f"{here}/Corvane.exe", f"{build}/bin/Corvane.exe")
                if os.path.isfile(exe)), None)
    state.settle(os.path.dirname(exe) if exe else here)
    return exe, here, build


def main(script, words):
    exe, here, build = locate(script)
    parsed = parse(words, bool(os.environ.get("STEAM_COMPAT_DATA_PATH") or os.environ.get("SteamAppId")))
    if "help" in parsed.options:
        print(USAGE, end="")
        return 0
    if not exe:
        raise Refusal(f"Corvane.exe not found next to this script ({here}) nor in {build}/bin: put the script next"
                      " to Corvane.exe, or build Corvane with make.")
    plan = make_plan(script, exe, parsed)
    if "print" in parsed.options:
        print_plan(plan)
        return 0
    if plan.record:
        state.record_steam_run(plan.record)
    for line in plan.why:
        state.note(line)
    return run(plan)


def start():
    # Linux names are bytes: a name that is no UTF-8 goes out as it came in.
    sys.stdout.reconfigure(errors="surrogateescape")
    # Run from the source tree, the package's folder stands for the script beside it.
    script = sys.argv[0]
    if os.path.isdir(script):
        script = os.path.join(os.path.dirname(os.path.abspath(script)), "corvane-linux")
    try:
        sys.exit(main(script, sys.argv[1:]))
    except Refusal as refusal:
        state.report(str(refusal))
        sys.exit(1)
    except Exception as error:  # a fault of this script: said where it can be seen, never swallowed
        state.note("".join(traceback.format_exception(type(error), error, error.__traceback__)).rstrip())
        state.report(f"corvane-linux failed with {type(error).__name__} ({error}); the log has the details:"
                     f" {state.path(state.LOG)}")
        sys.exit(1)
