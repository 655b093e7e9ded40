"""Fails when a file of a front end (cli, app, lib, python) includes an engine header other than a public one.

The public face is engine/include/lumivex/, included as "lumivex/..." (or <lumivex/...>); everything else
under engine/ is the engine's own, and the public headers themselves may not reach it either.
Usage: check_includes.py SOURCE_ROOT
"""
import pathlib
import re
import sys

FRONT_ENDS = ("cli", "app", "lib", "python", "engine/include")
SOURCES = {".c", ".cc", ".cpp", ".cxx", ".h", ".hh", ".hpp", ".mm"}
ENGINE_INCLUDE = re.compile(r'^\s*#\s*include\s*[<"](engine/[^>"]*)[>"]')
PUBLIC = "engine/include/lumivex/"


def offending_lines(root):
    for front_end in FRONT_ENDS:
        for path in sorted((root / front_end).rglob("*")):
            if path.suffix not in SOURCES or not path.is_file():
                continue
            for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
                match = ENGINE_INCLUDE.match(line)
                if match and not match.group(1).startswith(PUBLIC):
                    yield f"{path.relative_to(root)}:{number}: {match.group(1)}"


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    found = list(offending_lines(root))
    for line in found:
        print(line)
    if found:
        print(f"{len(found)} include(s) of engine internals from a front end; use the headers in {PUBLIC}")
        return 1
    print("front ends include only the engine's public headers")
    return 0


if __name__ == "__main__":
    sys.exit(main())
