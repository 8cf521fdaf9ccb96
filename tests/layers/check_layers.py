#!/usr/bin/env python3
"""Fails on an #include that crosses from one folder to another where layers.txt allows no such edge.

usage: check_layers.py PROJECT_FOLDER LAYERS_FILE
Every quoted include is rooted at the project folder. A file belongs to the longest folder
of layers.txt that holds it; a source file under no listed folder is an error too, so a new
folder has to take its place in the graph.
"""
import pathlib
import re
import sys

SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".cc", ".c"}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def read_layers(path):
    allowed = {}
    for line in path.read_text().splitlines():
        line = line.split("#", 1)[0].strip()
        if line:
            folder, _, uses = line.partition(":")
            allowed[folder.strip()] = set(uses.split())
    return allowed


def owner(path, folders):
    """The longest listed folder that holds `path`, or None."""
    best = None
    for folder in folders:
        if (path == folder or path.startswith(folder + "/")) and len(folder) > len(best or ""):
            best = folder
    return best


def sources(root):
    for path in sorted(root.rglob("*")):
        relative = path.relative_to(root)
        if relative.parts[0].startswith((".", "build")) or path.suffix not in SOURCE_SUFFIXES:
            continue
        yield relative.as_posix(), path


def main():
    root, layers_file = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    allowed = read_layers(layers_file)
    faults = []
    for relative, path in sources(root):
        own = owner(relative, allowed)
        if own is None:
            faults.append(f"{relative}: its folder is not in {layers_file.name}")
            continue
        for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
            match = INCLUDE.match(line)
            target = match and owner(match.group(1), allowed)
            if target and target != own and target not in allowed[own]:
                faults.append(f"{relative}:{number}: {own} may not include {match.group(1)} "
                              f"({target} is not among its layers in {layers_file.name})")
    print("\n".join(faults) or "every include keeps to the layers")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
