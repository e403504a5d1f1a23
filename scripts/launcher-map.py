#!/usr/bin/env python3
"""What makes up FunkelisTools.exe, from the link map the win32 build writes beside it.

usage: scripts/launcher-map.py [MAP] [--objects N]

MAP defaults to build/win32/FunkelisTools.map. Prints the bytes each part contributes to the image's
sections (code, read-only data, unwind tables, resources, ...), grouped into the static C++ runtime,
its unwinder and threads, the MinGW C runtime, the project's own code and the resources, and then the
N largest single objects. Bytes of section contents in the file (no .bss); the file adds headers and
alignment padding.
"""
import argparse
import collections
import os
import re
import sys

CONTRIBUTION = re.compile(r"^ (\S+)\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$")
NAME_ONLY = re.compile(r"^ (\S+)$")
CONTINUED = re.compile(r"^\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$")
OUTPUT_SECTION = re.compile(r"^(\.\S+)\s+0x")
ENCODER = ("lznt1_encoder", "lznt1_parallel", "compression_service")
IMPORT_LIBRARIES = re.compile(r"lib(kernel32|user32|gdi32|shell32|ole32|oleaut32|ntdll|advapi32|comdlg32|"
                              r"winspool|uuid)\.a")


def part_of(source):
    if "libstdc++" in source:
        return "C++ runtime (libstdc++)"
    if "libgcc" in source:
        return "unwinder and helpers (libgcc, libgcc_eh)"
    if "libpthread" in source or "winpthread" in source:
        return "threads for the C++ runtime (winpthreads)"
    if re.search(r"crt2\.o|crtbegin|crtend|libmingw|libmoldname|libmsvcrt", source):
        return "MinGW C runtime and msvcrt stubs"
    if IMPORT_LIBRARIES.search(source):
        return "Windows import tables"
    if source.endswith(".res"):
        return "resources (manifest, icon, version, packed tools)"
    if any(name in source for name in ENCODER):
        return "own code: LZNT1 encoder, threads"
    if source.endswith(".obj") or "libfunkelis" in source:
        return "own code"
    if source == "dll stuff":
        return "base relocations"
    return "other"


def contributions(map_text):
    """(output section, input file, bytes) for every input section placed in the image."""
    start = map_text.find("Linker script and memory map")
    if start < 0:
        sys.exit("launcher-map: not a GNU ld map")
    section = None
    pending = False
    for line in map_text[start:].splitlines():
        match = OUTPUT_SECTION.match(line)
        if match:
            section, pending = match.group(1), False
            continue
        match = CONTRIBUTION.match(line)
        if match:
            pending = False
            yield section, match.group(3), int(match.group(2), 16)
            continue
        if NAME_ONLY.match(line):
            pending = True
            continue
        match = CONTINUED.match(line) if pending else None
        if match:
            yield section, match.group(2), int(match.group(1), 16)
        pending = False


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("map", nargs="?", default="build/win32/FunkelisTools.map")
    parser.add_argument("--objects", type=int, default=15)
    args = parser.parse_args()
    with open(args.map) as source:
        found = list(contributions(source.read()))
    parts = collections.defaultdict(collections.Counter)
    objects = collections.Counter()
    for section, source, size in found:
        if section == ".bss":
            continue  # takes memory, not file bytes
        parts[part_of(source)][section] += size
        objects[os.path.basename(source)] += size
    exe = os.path.splitext(args.map)[0] + ".exe"
    if os.path.exists(exe):
        print(f"{os.path.getsize(exe):9d}  {exe}")
    total = 0
    for part, sections in sorted(parts.items(), key=lambda item: -sum(item[1].values())):
        size = sum(sections.values())
        total += size
        detail = ", ".join(f"{name} {bytes_}" for name, bytes_ in sections.most_common(4))
        print(f"{size:9d}  {part}: {detail}")
    print(f"{total:9d}  section contents in all")
    print("largest objects:")
    for name, size in objects.most_common(args.objects):
        print(f"{size:9d}  {name}")


if __name__ == "__main__":
    main()
