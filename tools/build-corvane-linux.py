#!/usr/bin/env python3
"""Makes corvane-linux, the one file that players get, of the package in launcher/linux: a zip that
Python runs, behind two lines that start it with the python3 on PATH in isolated mode, so that the
player's PYTHONPATH, user site-packages and files lying beside it change nothing. The same sources
give the same bytes.
    tools/build-corvane-linux.py OUTPUT"""
import io
import sys
import zipfile
from pathlib import Path

PREAMBLE = b'#!/bin/sh\nexec python3 -I "$0" "$@"\n'
source = Path(__file__).resolve().parent.parent / "launcher/linux"
archive = io.BytesIO()
with zipfile.ZipFile(archive, "w") as package:
    for path in sorted(source.rglob("*.py")):
        entry = zipfile.ZipInfo(path.relative_to(source).as_posix(), (1980, 1, 1, 0, 0, 0))
        package.writestr(entry, path.read_bytes(), zipfile.ZIP_DEFLATED)
output = Path(sys.argv[1])
output.write_bytes(PREAMBLE + archive.getvalue())
output.chmod(0o755)
