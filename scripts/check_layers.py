#!/usr/bin/env python3
"""Fails when a source file includes a header of a layer above its own.

Layers, bottom up: platform, transforms, core, stream, bits, carriers, jobs, then the front ends
(cli, ui) and app. Inside carriers/, common/ sees no format, and a format folder sees only
common/ and itself (the module format also uses the BMP and WAV handlers).
"""
import pathlib
import re
import sys

RANK = {"platform": 0, "transforms": 1, "core": 2, "stream": 3, "bits": 4, "carriers": 5,
        "jobs": 6, "cli": 7, "ui": 7, "app": 8}
FORMAT_USES = {"pe": {"bmp", "wav"}}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def carriers_fault(source, header):
    """Why a file under carriers/ may not include a header under carriers/, or None."""
    own = source.parts[1] if len(source.parts) > 2 else None  # None: carriers/ itself
    other = header.parts[1] if len(header.parts) > 2 else None
    if own is None or other == own or other == "common":
        return None
    if own == "common":
        return "carriers/common/ sees no format and not the registry"
    if other is None:
        return "a format folder sees only carriers/common/ and itself"
    if other in FORMAT_USES.get(own, set()):
        return None
    return "a format folder does not include another format"


def main(root):
    root = pathlib.Path(root)
    faults = []
    for path in sorted(root.rglob("*")):
        if path.suffix not in (".h", ".cpp") or not path.is_file():
            continue
        source = path.relative_to(root)
        layer = source.parts[0]
        if layer not in RANK:
            continue
        for name in INCLUDE.findall(path.read_text(errors="replace")):
            header = pathlib.PurePosixPath(name)
            other = header.parts[0]
            if other not in RANK or len(header.parts) < 2:
                continue
            if RANK[other] > RANK[layer] or (RANK[other] == RANK[layer] and other != layer):
                faults.append(f"{source}: includes {name} from a layer above or beside {layer}/")
            elif layer == "carriers" and other == "carriers":
                why = carriers_fault(source, header)
                if why:
                    faults.append(f"{source}: includes {name}: {why}")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent))
