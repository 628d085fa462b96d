#!/usr/bin/env python3
"""What players and developers read covers what is there. Every message that a player can meet
(each "Error" box text of Corvane.exe and its not-ready dialog, each refusal and failure of
corvane-linux, read from their sources) has its entry in the troubleshooting sections of README.md
and of the zip's README.txt: a quoted example of its first sentence at the start of a line. And
README.md's file map names every file of the program's folders."""
import ast
import re
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
LITERAL = r'"((?:[^"\\]|\\.)*)"'


def templates():
    """Each message with {} for what is computed, and where it comes from; None for a refusal whose
    text is not written where it is raised."""
    for path in sorted(ROOT.glob("launcher/*.cpp")):
        for call in re.findall(r"\bReportFailure\(((?!const )[^;]*?)\);", path.read_text(), re.DOTALL):
            parts = re.split(LITERAL, call)  # code, a literal, code, ...
            yield path.name, "".join(re.sub(r"\\(.)", lambda m: "\n" if m[1] == "n" else m[1], part) if at % 2 else
                                     "{}" * bool(re.sub(r"[\s+()]|std::string", "", part)) for at, part in enumerate(parts))
    for text in re.findall(r"LTEXT " + LITERAL, (ROOT / "resources/explorer_tree.rc").read_text()):
        yield "explorer_tree.rc", text.replace("%c", "{}").replace("\\n", "\n")
    for path in sorted((ROOT / "launcher/linux").rglob("*.py")):
        for node in ast.walk(ast.parse(path.read_text())):
            name = getattr(getattr(node, "func", None), "id", getattr(getattr(node, "func", None), "attr", ""))
            if isinstance(node, ast.Call) and name in ("Refusal", "report") and node.args:
                text = node.args[0]
                parts = text.values if isinstance(text, ast.JoinedStr) else [text]
                if all(isinstance(part, (ast.Constant, ast.FormattedValue)) for part in parts):
                    yield path.name, "".join(part.value if isinstance(part, ast.Constant) else "{}" for part in parts)
                elif name == "Refusal":
                    yield path.name, None


def first_sentence(text):
    # The game's own name holds a colon that ends no sentence.
    return re.split(r"[.:](?=\s|\{\}|$)", text.replace("Thief: ", "Thief\0 "), maxsplit=1)[0].replace("\0", ":").strip()


def entries(document, heading, start):
    section = re.split(r"\n## |\n[^\n]+\n-{4,}\n", (ROOT / document).read_text().partition(heading)[2], maxsplit=1)[0]
    return {phrase for line in section.splitlines() if line.startswith(start) for phrase in re.findall(r'"([^"]+)"', line)}


failures, keys = [], set()
documents = {"README.md": entries("README.md", "## Troubleshooting", '- **"'),
             "docs/README.txt": entries("docs/README.txt", "Troubleshooting\n", '  "')}
for source, template in templates():
    if template is None:
        failures.append(f"{source}: a refusal whose text is not written where it is raised")
        continue
    keys.add(key := re.compile(re.escape(first_sentence(template)).replace(re.escape("{}"), ".+?")))
    failures += [f"{document} has no entry for {source}'s {first_sentence(template)!r}"
                 for document, phrases in documents.items() if not any(map(key.fullmatch, phrases))]
failures += [f"{document}'s entry {phrase!r} is no message's" for document, phrases in documents.items()
             for phrase in phrases if not any(key.fullmatch(phrase) for key in keys)]
mapped = set(re.findall(r"^\| `([^`]+)` \|", (ROOT / "README.md").read_text().partition("### The file map")[2], re.MULTILINE))
files = {path.relative_to(ROOT).as_posix() for folder in ("launcher", "platform", "toolkit", "explorer_tree")
         for path in (ROOT / folder).rglob("*") if path.is_file() and "__pycache__" not in path.parts}
failures += [f"README.md's file map does not name {path}" for path in sorted(files - mapped)]
print("\n".join(f"FAIL: {failure}" for failure in failures) or f"docs: all {len(keys)} messages and {len(files)} files have their entries",
      file=sys.stderr if failures else sys.stdout)
sys.exit(1 if failures else 0)
