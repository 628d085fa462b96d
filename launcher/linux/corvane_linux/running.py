"""Running the plan, and telling how the run ended: Corvane notes each box it shows and its exit
in a file that this script names, since Proton, umu and Corvane end with the same codes."""

import collections
import os
import signal
import subprocess
import sys
import threading

from . import state
from .common import Refusal
from .planning import shown


def outcome_file():
    """An empty file beside Corvane.exe for Corvane's own account of the run; None where it can't be made."""
    path = state.path(f".corvane-linux-{os.getpid()}.outcome")
    try:
        open(path, "w").close()
    except OSError:
        return None
    return path


def read_outcome(path):
    try:
        with open(path, errors="replace") as file:
            return file.read().splitlines()
    except OSError:
        return []
    finally:
        os.unlink(path)


def copy_stderr(stream, tail):
    """The runner's messages still reach the terminal or Steam's log; the last ones are kept for ours."""
    for line in stream:
        sys.stderr.buffer.write(line)
        sys.stderr.flush()
        tail.append(line.decode(errors="replace").rstrip())


def judge(code, plan, stopped, record, tail):
    """How the run ended: in the log, and in a box when the player has to know and nobody said it yet."""
    ended = next((line for line in reversed(record or []) if line.startswith("exit ")), None)
    boxes = [line[len("box "):] for line in record or [] if line.startswith("box ")]
    if stopped:
        state.note(f"stopped by {signal.strsignal(stopped)}, which went on to {plan.runner}: it ended with {code}")
        return 128 + stopped
    if ended == "exit 0" or (record is None and code == 0):
        state.note("ended" + (f"; {plan.runner} then ended with exit code {code}" if code else ""))
        return 0
    if ended:
        state.note(f"ended with {ended}: Corvane refused, and said why in its own box: {(boxes or ['?'])[-1]}")
        return int(ended.split()[1])
    reasons = {126: "a program in it can't be executed (a drive mounted noexec, or a file without its run bit)",
               127: "a program in it was not found"}
    reason = f"signal {-code} ({signal.strsignal(-code)})" if code < 0 else f"exit code {code}"
    state.note("its last lines:\n  " + "\n  ".join(tail) if tail else "it said nothing")
    said = f" It said: {tail[-1]}" if tail else ""
    state.report(f"Corvane could not be started: {plan.runner} ended with {reason}, and Corvane did not run to its"
                 f" end: {reasons.get(code, 'it reported an error')}.{said} Run it from a terminal to see all its"
                 " messages; Proton writes a log with PROTON_LOG=1.")
    return code if code > 0 else 1


def run(plan):
    env = dict(os.environ, **plan.environment)
    record = outcome_file()
    if record:
        env["CORVANE_OUTCOME"] = "Z:" + record.replace("/", "\\")
    state.note(f"started in {plan.folder}: {shown(plan)}")
    # This process stays in the chain, so that it can say how the run ended: Steam's Stop and a
    # terminal's Ctrl+C go on to the program that runs Corvane.
    child = {"stopped": 0}

    def stop(number, _):
        child["stopped"] = number
        if "process" in child:
            child["process"].send_signal(number)
    for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(number, stop)
    try:
        child["process"] = subprocess.Popen(plan.command, cwd=plan.folder, env=env, stderr=subprocess.PIPE)
    except OSError as error:
        if record:
            os.unlink(record)
        raise Refusal(f"Corvane could not be started: {plan.command[0]} can't be run ({error.strerror}):"
                      " a drive mounted noexec, or a file without its run bit?")
    tail = collections.deque(maxlen=10)
    # A game that Corvane starts may hold the pipe long after: the copy is never waited for.
    copy = threading.Thread(target=copy_stderr, args=(child["process"].stderr, tail), daemon=True)
    copy.start()
    code = child["process"].wait()
    copy.join(0.5)
    return judge(code, plan, child["stopped"], read_outcome(record) if record else None, list(tail))
