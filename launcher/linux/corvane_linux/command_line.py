"""corvane-linux's command line: its own options, Corvane's switch, and under Steam the words
of Steam's command, each read by its own program's grammar."""

import re
from dataclasses import dataclass, field

from .common import Refusal

USAGE = """\
Usage: corvane-linux [--prefix DIR] [--wine PATH] [--print] [CORVANE SWITCH [VALUE]]
       corvane-linux [CORVANE SWITCH [VALUE]] [VAR=value...] [WRAPPER...] STEAM'S GAME COMMAND

In Steam (the way to use first): set the game's launch options to
    "/path/to/corvane-linux" %command%
or with a switch, e.g. "/path/to/corvane-linux" /rungame %command%
Steam then starts Corvane in place of the game, in the game's own Proton session. Corvane's
switch goes before %command%; wrappers such as gamemoderun and variables such as PROTON_LOG=1
go before the script's path, as for any game.

Outside Steam (a desktop entry, a terminal), it finds the game's prefix in your Steam libraries
(native, Flatpak or Snap Steam, or STEAM_DIR), in Heroic's, Lutris's and Bottles' games, and
starts Corvane there with the Proton or Wine that prefix belongs to.

  --prefix DIR   use this Wine prefix (the folder that holds system.reg)
  --wine PATH    use this wine program, even for a prefix that names another
  --print        print what would be run, and run nothing
  --help, -h     show this text
  --             end of the options: a switch value that begins with - may follow

Corvane's switches: /rungame /runeditor /setgame /reset /seteditor, or /setgamepath FOLDER,
/seteditorpath FOLDER, /setgamesys NAME: one at a time, as on Windows.
What went wrong, and how each run ended, goes to corvane-linux.log beside Corvane.exe.
"""

SWITCHES = ("/reset", "/setgame", "/seteditor", "/rungame", "/runeditor")
VALUE_SWITCHES = ("/setgamepath", "/seteditorpath", "/setgamesys")
VARIABLE = re.compile(r"[A-Za-z_][A-Za-z0-9_]*=")


@dataclass
class Parsed:
    options: dict = field(default_factory=dict)
    switch: list = field(default_factory=list)
    variables: dict = field(default_factory=dict)
    chain: list = field(default_factory=list)   # Steam's command: wrappers, then the game's
    options_open: bool = True


def read_option(words, at, parsed):
    """The option at words[at], in the --name VALUE or --name=VALUE form; returns the next index."""
    name, given, value = words[at].partition("=")
    if name in ("--help", "-h", "--print") and not given:
        key = "help" if name == "-h" else name[2:]
    elif name in ("--prefix", "--wine"):
        key = name[2:]
        if not given and at + 1 < len(words):
            at, value = at + 1, words[at + 1]
        if not value:
            raise Refusal(f"{name} needs a value: see corvane-linux --help.")
    else:
        raise Refusal(f"Unknown option {words[at]}: see corvane-linux --help.")
    if key in parsed.options:
        raise Refusal(f"{name} is given twice: give it once.")
    parsed.options[key] = value or True
    return at + 1


def read_switch(words, at, parsed):
    """Corvane's switch at words[at], with its value where it takes one; returns the next index."""
    switch = words[at]
    if parsed.switch:
        raise Refusal(f"{switch} follows {parsed.switch[0]}: Corvane takes one switch at a time.")
    if switch in SWITCHES:
        parsed.switch = [switch]
        return at + 1
    if at + 1 >= len(words) or (words[at + 1].startswith("-") and parsed.options_open):
        raise Refusal(f"{switch} needs a value: {switch} \"VALUE\" (after -- when it begins with -).")
    parsed.switch = [switch, words[at + 1]]
    return at + 2


def parse(words, steam_environment):
    """The script's options and Corvane's switch; with Steam's environment, the words that follow
    are Steam's command, with the VAR=value words that Steam's shell would have set."""
    parsed, at = Parsed(), 0
    while at < len(words):
        word = words[at]
        if parsed.options_open and word == "--":
            parsed.options_open, at = False, at + 1
        elif parsed.options_open and word.startswith("-") and word != "-":
            at = read_option(words, at, parsed)
        elif word in SWITCHES or word in VALUE_SWITCHES:
            at = read_switch(words, at, parsed)
        elif steam_environment and VARIABLE.match(word):
            name, _, value = word.partition("=")
            parsed.variables[name] = value
            at += 1
        elif steam_environment:
            parsed.chain = words[at:]
            break
        else:
            raise Refusal(f"{word} is neither an option of corvane-linux nor a switch of Corvane:"
                          " see corvane-linux --help.")
    return parsed
