"""What corvane-linux keeps and says: its log and the record of the prefix that Steam's Play
button used last, both beside Corvane.exe, where every start can write (Flatpak Steam is given
that folder for Corvane itself); and the dialog that says what went wrong where no terminal shows."""

import datetime
import json
import os
import shutil
import subprocess
import sys

from .common import read_json

LOG, STEAM_RUN = "corvane-linux.log", "corvane-linux-steam.json"
place = {"folder": ""}


def settle(folder):
    place["folder"] = folder


def path(name):
    return os.path.join(place["folder"], name)


def note(text):
    """The log keeps what Steam, a desktop entry or Game Mode would otherwise swallow."""
    if not place["folder"]:
        return
    try:
        with open(path(LOG), "a", errors="surrogateescape") as log:
            log.write(f"{datetime.datetime.now():%Y-%m-%d %H:%M:%S} {text}\n")
    except OSError:
        pass


def show(text):
    """Started from a desktop entry or from Steam nobody sees stderr: a dialog says it there."""
    for program, *words in (("zenity", "--error", "--title=Corvane", "--no-markup", f"--text={text}"),
                            ("kdialog", "--title", "Corvane", "--error", text),
                            ("notify-send", "--app-name=Corvane", "Corvane", text)):
        if shutil.which(program):
            subprocess.run([program, *words], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, check=False)
            return


def report(text):
    print(text, file=sys.stderr)
    note(text)
    if not sys.stderr.isatty():
        show(text)


def last_steam_run():
    return read_json(path(STEAM_RUN))


def record_steam_run(record):
    try:
        with open(path(STEAM_RUN), "w") as file:
            json.dump(dict(record, time=f"{datetime.datetime.now():%Y-%m-%d %H:%M}"), file)
    except OSError:
        pass
