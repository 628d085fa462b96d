#!/usr/bin/env python3
"""What players and developers read covers what is there. Every message that a player can meet
has its entry in the troubleshooting section of README.md and of the zip's README.txt, keyed by the
message's first sentence: each box text of Corvane.exe (and its not-ready dialog), each refusal and
failure of corvane-linux, read from their sources. An entry is a quoted example of that sentence,
at the start of its line. And README.md's file map names every file of the program's folders."""
import ast
import re
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
LITERAL = r'"((?:[^"\\]|\\.)*)"'


def cpp_templates():
    """The texts given to ReportFailure, and the dialog's, with {} for each part computed."""
    for path in sorted(ROOT.glob("launcher/*.cpp")):
        for call in re.findall(r"\bReportFailure\(((?!const )[^;]*?)\);", path.read_text(), re.DOTALL):
            parts = re.split(LITERAL, call)
            yield path.name, "".join(re.sub(r"\\(.)", lambda m: {"n": "\n"}.get(m[1], m[1]), part) if odd else
                                     "{}" * bool(re.sub(r"[\s+()]|std::string", "", part)) for odd, part in
                                     ((at % 2, part) for at, part in enumerate(parts)))
    for text in re.findall(r'LTEXT ' + LITERAL, (ROOT / "resources/explorer_tree.rc").read_text()):
        yield "explorer_tree.rc", text.replace("%c", "{}").replace("\\n", "\n")


def python_templates():
    """The texts of corvane-linux's refusals and reports; a refusal must say its text where it is raised."""
    for path in sorted((ROOT / "launcher/linux").rglob("*.py")):
        for node in ast.walk(ast.parse(path.read_text())):
            name = getattr(getattr(node, "func", None), "id", getattr(getattr(node, "func", None), "attr", ""))
            if isinstance(node, ast.Call) and name in ("Refusal", "report") and node.args:
                text = node.args[0]
                if isinstance(text, ast.JoinedStr):
                    yield path.name, "".join(part.value if isinstance(part, ast.Constant) else "{}" for part in text.values)
                elif isinstance(text, ast.Constant):
                    yield path.name, text.value
                elif name == "Refusal":
                    yield path.name, None


def first_sentence(text):
    # The game's own name holds a colon that ends no sentence.
    text = text.replace("Thief: Deadly", "Thief\0 Deadly")
    return re.split(r"[.:](?=\s|\{\}|$)", text, maxsplit=1)[0].replace("\0", ":").strip()


def entries(document, heading, start):
    """The quoted phrases at the start of the lines of a document's troubleshooting section."""
    text = (ROOT / document).read_text()
    section = text.partition(heading)[2]
    section = re.split(r"\n## |\n[^\n]+\n-{4,}\n", section, maxsplit=1)[0]
    return {phrase for line in section.splitlines() if line.startswith(start) for phrase in re.findall(r'"([^"]+)"', line)}


failures = []
documents = {"README.md": entries("README.md", "## Troubleshooting", '- **"'),
             "docs/README.txt": entries("docs/README.txt", "Troubleshooting\n", '  "')}
keys = set()
for source, template in [*cpp_templates(), *python_templates()]:
    if template is None:
        failures.append(f"{source}: a refusal whose text is not written where it is raised")
        continue
    key = re.compile(re.escape(first_sentence(template)).replace(re.escape("{}"), ".+?"))
    keys.add(key)
    for document, phrases in documents.items():
        if not any(key.fullmatch(phrase) for phrase in phrases):
            failures.append(f"{document} has no entry for {source}'s {first_sentence(template)!r}")
for document, phrases in documents.items():
    failures += [f"{document}'s entry {phrase!r} is no message's" for phrase in phrases
                 if not any(key.fullmatch(phrase) for key in keys)]
mapped = set(re.findall(r"^\| `([^`]+)` \|", (ROOT / "README.md").read_text().partition("### The file map")[2], re.MULTILINE))
files = {path.relative_to(ROOT).as_posix() for folder in ("launcher", "platform", "toolkit", "explorer_tree")
         for path in (ROOT / folder).rglob("*") if path.is_file() and "__pycache__" not in path.parts}
failures += [f"README.md's file map does not name {path}" for path in sorted(files - mapped)]
print("\n".join(f"FAIL: {failure}" for failure in failures) or f"docs: all {len(keys)} messages and {len(files)} files have their entries",
      file=sys.stderr if failures else sys.stdout)
sys.exit(1 if failures else 0)
