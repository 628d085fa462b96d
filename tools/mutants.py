#!/usr/bin/env python3
"""Seeds one-line faults into Corvane's code one at a time, rebuilds, runs the tests and says which
faults the tests caught. Two sources of faults:

- the hand list, tools/mutants.txt: faults a generator can't make, each with the rule it breaks;
- a random sample of faults that this script generates from the code itself, by kinds, the way
  mutation tools for other languages do. MUTANTS_N (30) sets how many of them are tried, MUTANTS_SEED
  the seed of the draw (printed, so that a run can be repeated); a drawn fault that doesn't compile
  is skipped and the next one drawn in its place. Faults that can't change what Corvane does are
  listed with their reason in tools/mutants-equivalent.txt and never drawn.

For developers: it takes a while, and it works in a build folder of its own (MUTANTS_BUILD_DIR,
build-mutants), so the usual build stays as it is. A fault that doesn't compile is skipped, not
counted as caught.

  tools/mutants.py                 both: the hand list, then the generated sample
  tools/mutants.py hand [N...]     the hand list (or its entries N..., counted from 1)
  tools/mutants.py generated       the generated sample
  tools/mutants.py list            every fault the generator can make, with its number; nothing run
"""
import os
import random
import re
import subprocess
import sys
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
FOLDERS = ("launcher", "platform", "toolkit", "explorer_tree")
HAND_LIST = ROOT / "tools" / "mutants.txt"
EQUIVALENT = ROOT / "tools" / "mutants-equivalent.txt"
NEWLINE = " <NL> "  # joins the two lines of a swap in the lists


@dataclass
class Fault:
    file: str      # relative to the root
    line: int      # index of the first line it changes
    before: list   # the lines as they are
    after: list    # the lines with the fault
    kind: str

    def key(self):
        return (self.file, NEWLINE.join(s.strip() for s in self.before),
                NEWLINE.join(s.strip() for s in self.after))


# --- Reading C++ lines -------------------------------------------------------------------------

def code_part(line):
    """The line without a trailing // comment, where the // is outside any string or character."""
    quote = None
    for at, c in enumerate(line):
        if quote:
            if c == "\\":
                continue
            if c == quote and line[at - 1] != "\\" or c == quote and line[at - 2:at] == "\\\\":
                quote = None
        elif c in "\"'":
            quote = c
        elif line.startswith("//", at):
            return line[:at]
    return line


def strings_at(code):
    """(start, end) of each string literal, end past its closing quote."""
    spans, at = [], 0
    while at < len(code):
        c = code[at]
        if c in "\"'":
            end = at + 1
            while end < len(code) and code[end] != c:
                end += 2 if code[end] == "\\" else 1
            if c == '"':
                spans.append((at, end + 1))
            at = end + 1
        else:
            at += 1
    return spans


def outside_strings(code):
    """The code with every string and character literal blanked, same length."""
    out = list(code)
    for start, end in strings_at(code) + [(m.start(), m.end()) for m in re.finditer(r"'(\\.|[^'])'", code)]:
        for i in range(start + 1, min(end, len(code)) - 1):
            out[i] = " "
    return "".join(out)


def closing(text, opening):
    """The index of the bracket that closes text[opening], or -1."""
    pairs = {"(": ")", "[": "]", "{": "}"}
    depth = 0
    for at in range(opening, len(text)):
        if text[at] in pairs:
            depth += 1
        elif text[at] in pairs.values():
            depth -= 1
            if depth == 0:
                return at
    return -1


def top_level(text, start, end, separators):
    """Positions of the separators in text[start:end] outside nested brackets."""
    found, depth, at = [], 0, start
    while at < end:
        c = text[at]
        if c in "([{":
            depth += 1
        elif c in ")]}":
            depth -= 1
        elif depth == 0:
            for sep in separators:
                if text.startswith(sep, at):
                    found.append((at, sep))
                    at += len(sep) - 1
                    break
        at += 1
    return found


# --- The kinds of fault ------------------------------------------------------------------------

def conditions(plain):
    """(start, end) of each if/while condition, between its parentheses, closed on the line."""
    for m in re.finditer(r"\b(if|while)\s*\(", plain):
        opening = m.end() - 1
        end = closing(plain, opening)
        if end > 0:
            yield opening + 1, end


def negate_condition(line, plain):
    for start, end in conditions(plain):
        yield line[:start] + "!(" + line[start:end] + ")" + line[end:]


def drop_operand(line, plain):
    spans = list(conditions(plain))
    m = re.search(r"\breturn\s+(.*);", plain)
    if m:
        spans.append((m.start(1), m.end(1)))
    for start, end in spans:
        cuts = [start] + [at for at, _ in top_level(plain, start, end, ("&&", "||"))] + [end]
        for i in range(len(cuts) - 1):
            if len(cuts) == 2:
                break
            # The operand with the operator after it (the first) or before it (the others).
            kept = line[cuts[1] + 2:end] if i == 0 else line[start:cuts[i]] + line[cuts[i + 1]:end]
            yield line[:start] + kept.strip() + line[end:]


def swap_comparison(line, plain):
    swaps = {" == ": " != ", " != ": " == ", " < ": " <= ", " <= ": " < ", " > ": " >= ", " >= ": " > "}
    for op, other in swaps.items():
        for m in re.finditer(re.escape(op), plain):
            yield line[:m.start()] + other + line[m.end():]


def flip_constant(line, plain):
    flips = {"true": "false", "false": "true", "0": "1", "1": "0"}
    for m in re.finditer(r"\b(true|false|0|1)\b", plain):
        before, after = plain[:m.start()].rstrip(), plain[m.end():].lstrip()
        is_argument = before.endswith(("(", ",")) and after.startswith((",", ")"))
        is_result = re.search(r"\breturn$", before) and after.startswith(";")
        if is_argument or is_result:
            yield line[:m.start()] + flips[m.group(1)] + line[m.end():]


CALL = re.compile(r"^(\s*)(?!return\b|if\b|while\b|for\b|else\b|case\b|delete\b|throw\b)"
                  r"[A-Za-z_][\w:]*((\.|->)[A-Za-z_]\w*)*\(.*\)\s*;\s*$")


def remove_call(line, plain):
    m = CALL.match(plain)
    if m and "=" not in re.sub(r"[=!<>]=", "", plain[:plain.index("(")]):
        yield m.group(1) + ";"


def swap_list_elements(line, plain):
    for m in re.finditer(r"(=|return)\s*\{", plain):
        opening = m.end() - 1
        end = closing(plain, opening)
        if end < 0:
            continue
        cuts = [opening] + [at for at, _ in top_level(plain, opening + 1, end, (",",))] + [end]
        items = [line[cuts[i] + 1:cuts[i + 1]].strip() for i in range(len(cuts) - 1)]
        for i in range(len(items) - 1):
            if items[i] != items[i + 1]:
                swapped = items[:i] + [items[i + 1], items[i]] + items[i + 2:]
                yield line[:opening + 1] + ", ".join(swapped) + line[end:]


def cut_string(line, plain):
    if plain.lstrip().startswith("#"):
        return
    for start, end in strings_at(code_part(line)):
        if end - start > 2:
            yield line[:start] + '""' + line[end:]


LINE_KINDS = [("negate a condition", negate_condition), ("drop an operand", drop_operand),
              ("swap a comparison", swap_comparison), ("flip a constant", flip_constant),
              ("remove a call", remove_call), ("swap list entries", swap_list_elements),
              ("cut a string", cut_string)]

TABLE_ROW = re.compile(r"^\s*\{.*\},\s*(//.*)?$")


def faults_of(file):
    lines = (ROOT / file).read_text().split("\n")
    in_comment = False
    for index, line in enumerate(lines):
        stripped = line.strip()
        if in_comment or stripped.startswith("/*"):
            in_comment = "*/" not in stripped
            continue
        if not stripped or stripped.startswith(("//", "#", "*")):
            continue
        code = code_part(line)
        plain = outside_strings(code)
        for kind, make in LINE_KINDS:
            for changed in make(code, plain):
                changed += line[len(code):]
                if changed != line:
                    yield Fault(file, index, [line], [changed], kind)
        following = lines[index + 1] if index + 1 < len(lines) else ""
        if TABLE_ROW.match(line) and TABLE_ROW.match(following) and line.strip() != following.strip():
            yield Fault(file, index, [line, following], [following, line], "swap table rows")


def all_faults():
    files = sorted(str(p.relative_to(ROOT)) for folder in FOLDERS for p in (ROOT / folder).rglob("*")
                   if p.suffix in (".cpp", ".h"))
    seen, faults = set(), []
    for file in files:
        for fault in faults_of(file):
            if fault.key() not in seen:
                seen.add(fault.key())
                faults.append(fault)
    return faults


# --- The lists ---------------------------------------------------------------------------------

def read_entries(path, fields):
    """The file's entries: blocks of 'name: value' lines, each with every one of fields."""
    entries, entry = [], {}
    for line in path.read_text().split("\n") + [""]:
        m = re.match(r"(\w+): ?(.*)$", line)
        if m and m.group(1) in fields:
            entry[m.group(1)] = m.group(2)
        elif not line.strip() and entry:
            if set(entry) != set(fields):
                sys.exit(f"{path}: an entry lacks one of {', '.join(fields)}: {entry}")
            entries.append(entry)
            entry = {}
    return entries


def equivalent_keys():
    if not EQUIVALENT.exists():
        return set()
    return {(e["file"], e["before"], e["after"]) for e in read_entries(EQUIVALENT, ("file", "before", "after", "why"))}


def hand_faults():
    faults = []
    for entry in read_entries(HAND_LIST, ("file", "before", "after", "rule")):
        lines = (ROOT / entry["file"]).read_text().split("\n")
        matches = [i for i, line in enumerate(lines) if entry["before"] in line]
        count = sum(line.count(entry["before"]) for line in lines)
        if count != 1:
            faults.append(Fault(entry["file"], -1, [], [], f"STALE: the text before is there {count} times"))
            continue
        line = lines[matches[0]]
        faults.append(Fault(entry["file"], matches[0], [line], [line.replace(entry["before"], entry["after"])],
                            entry["rule"]))
    return faults


# --- Running -----------------------------------------------------------------------------------

def shell(command, quiet=True):
    return subprocess.run(["bash", "-c", command], cwd=ROOT, env=os.environ,
                          stdout=subprocess.DEVNULL if quiet else None,
                          stderr=subprocess.DEVNULL if quiet else None).returncode


def build():
    # Both builds: the 32-bit Corvane.exe that the 32-bit rows run carries the fault too.
    return shell("tools/build.sh") == 0


def verdict(fault):
    path = ROOT / fault.file
    original = path.read_text()
    lines = original.split("\n")
    if lines[fault.line:fault.line + len(fault.before)] != fault.before:
        return "STALE"
    lines[fault.line:fault.line + len(fault.before)] = fault.after
    try:
        path.write_text("\n".join(lines))
        if not build():
            return "NO BUILD"
        return "caught" if shell("tools/run-tests.sh --stop-on-failure") else "SURVIVED"
    finally:
        path.write_text(original)


def describe(fault):
    if fault.line < 0:
        return f"{fault.file}: {fault.kind}"
    before, after = (NEWLINE.join(s.strip() for s in side) for side in (fault.before, fault.after))
    return f"{fault.file}:{fault.line + 1}: {fault.kind}\n       - {before}\n       + {after}"


def seeded_order(seed, size):
    """Every index below size once, in the order random.sample draws them from a large population."""
    generator, drawn = random.Random(seed), set()
    while len(drawn) < size:
        index = generator.randrange(size)
        if index not in drawn:
            drawn.add(index)
            yield index


def run(title, numbered, wanted=None):
    """Tries the faults in turn; with wanted, until that many were tried (built and tested)."""
    counts = {"caught": 0, "SURVIVED": 0}
    print(title, flush=True)
    for number, fault in numbered:
        if wanted is not None and counts["caught"] + counts["SURVIVED"] >= wanted:
            break
        result = verdict(fault) if fault.line >= 0 else "STALE"
        counts[result] = counts.get(result, 0) + 1
        print(f"{number:4d}  {result:9s} {describe(fault)}", flush=True)
    tried = counts["caught"] + counts["SURVIVED"]
    skipped = sum(v for k, v in counts.items() if k not in ("caught", "SURVIVED"))
    share = f"{100 * counts['caught'] // tried}%" if tried else "none tried"
    print(f"{title.split(':')[0]}: caught {counts['caught']} of {tried} faults ({share}); "
          f"{skipped} skipped (no build or stale)\n", flush=True)
    return tried > 0


def main():
    what = sys.argv[1] if len(sys.argv) > 1 else "both"
    if what == "list":
        for number, fault in enumerate(all_faults(), 1):
            print(f"{number:4d}  {describe(fault)}")
        return 0
    os.environ["BUILD_DIR"] = os.environ.get("MUTANTS_BUILD_DIR", str(ROOT / "build-mutants"))
    if shell("tools/build.sh") != 0:
        sys.exit("The unchanged code does not build.")
    ok = True
    if what in ("both", "hand"):
        faults = list(enumerate(hand_faults(), 1))
        chosen = {int(n) for n in sys.argv[2:]}
        ok &= run("Hand list: tools/mutants.txt", [f for f in faults if not chosen or f[0] in chosen])
    if what in ("both", "generated"):
        seed = int(os.environ.get("MUTANTS_SEED") or random.SystemRandom().randrange(1, 10**6))
        count = int(os.environ.get("MUTANTS_N") or 30)
        equivalent = equivalent_keys()
        candidates = [f for f in all_faults() if f.key() not in equivalent]
        drawn = (candidates[index] for index in seeded_order(seed, len(candidates)))
        ok &= run(f"Generated: {count} of {len(candidates)} faults, MUTANTS_SEED={seed}", enumerate(drawn, 1), count)
    build()
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
