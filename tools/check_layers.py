#!/usr/bin/env python3
"""Holds the tree to its layers.

Each library folder may use only the libraries its row below allows: lower layers, never a
sibling of the same layer. A file of a library may include its own headers and those of libraries
its target links directly; every project library a target links must be included by it; only
platform/desktop among the platform rooms may include Qt. Tests, benchmarks and fuzz targets may
include any library but nothing of each other.

Run from anywhere: tools/check_layers.py [ROOT]. Prints each violation and exits 1 when there is
any.
"""

import pathlib
import re
import sys

# Library folder -> (CMake target, layer). A library may use one of a strictly lower layer only.
LIBRARIES = {
    "platform/text": ("quorvane_text", 0),
    "platform/posix": ("quorvane_posix", 0),
    "platform/proc": ("quorvane_proc", 1),
    "platform/hive": ("quorvane_hive", 1),
    "platform/desktop": ("quorvane_desktop", 1),
    "platform/heap": ("quorvane_heap", 2),
    "platform/control": ("quorvane_control", 2),
    "platform/snapshot": ("quorvane_snapshot", 3),
    "toolkit": ("quorvane_toolkit", 10),
    "settings": ("quorvane_settings", 11),
    "controls/listview": ("quorvane_listview", 12),
    "controls/split": ("quorvane_split", 12),
    "dialogs": ("quorvane_dialogs", 13),
    "app": ("quorvane_app", 14),
}
# Folders of their own that build on the libraries and are never included by them.
LEAVES = ("tests", "bench", "fuzz")
QT_ROOMS = ("platform/desktop",)
SOURCE = re.compile(r"\.(cpp|h|c)$")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
LINK_CALL = re.compile(
    r"(?:quorvane_library\(\s*(\S+)\s+DEPENDS|target_link_libraries\(\s*(\S+)\s+(?:PUBLIC|PRIVATE))"
    r"([^)]*)\)",
    re.S,
)


def folder_of(path):
    """The library folder or leaf a tree path belongs to, or None."""
    for folder in LIBRARIES:
        if path == folder or path.startswith(folder + "/"):
            return folder
    top = path.split("/", 1)[0]
    return top if top in LEAVES else None


def declared_links(root):
    """Target -> the project libraries its CMakeLists.txt links."""
    targets = {target for target, _ in LIBRARIES.values()}
    links = {}
    for folder, (target, _) in LIBRARIES.items():
        text = (root / folder / "CMakeLists.txt").read_text()
        for match in LINK_CALL.finditer(re.sub(r"#.*", "", text)):
            if (match.group(1) or match.group(2)) == target:
                links.setdefault(target, set()).update(
                    word for word in match.group(3).split() if word in targets
                )
    return links


def check(root):
    problems = []
    target_folder = {target: folder for folder, (target, _) in LIBRARIES.items()}
    links = declared_links(root)
    included = {folder: set() for folder in LIBRARIES}
    tops = sorted({folder.split("/", 1)[0] for folder in LIBRARIES} | set(LEAVES))
    sources = (p for top in tops for p in (root / top).rglob("*") if SOURCE.search(p.name))
    for path in sorted(sources):
        relative = path.relative_to(root).as_posix()
        owner = folder_of(relative)
        if owner is None:
            continue
        for bracket, name in INCLUDE.findall(path.read_text(errors="replace")):
            if bracket == "<":
                if name.startswith("Q") and relative.startswith("platform/") and owner not in QT_ROOMS:
                    problems.append(f"{relative}: includes Qt <{name}>; only {QT_ROOMS[0]} may")
                continue
            used = folder_of(name)
            # A generated header is made from its template of the same name.
            if used is None or not any((root / f"{name}{end}").exists() for end in ("", ".in")):
                problems.append(f'{relative}: "{name}" names no header from the top of the tree')
                continue
            if used == owner:
                continue
            if used in LEAVES:
                if owner != used:
                    problems.append(f'{relative}: includes "{name}" of {used}/')
                continue
            if owner in LEAVES:
                continue
            included[owner].add(used)
            target, layer = LIBRARIES[owner]
            if LIBRARIES[used][1] >= layer:
                kind = "a sibling" if LIBRARIES[used][1] == layer else "a higher layer"
                problems.append(f'{relative}: includes "{name}" of {kind} ({used}/)')
            elif LIBRARIES[used][0] not in links.get(target, set()):
                problems.append(
                    f'{relative}: includes "{name}" but {target} does not link {LIBRARIES[used][0]}'
                )
    for folder, (target, _) in LIBRARIES.items():
        for unused in sorted(links.get(target, set()) - {LIBRARIES[u][0] for u in included[folder]}):
            problems.append(
                f"{folder}/CMakeLists.txt: {target} links {unused} but includes nothing of "
                f"{target_folder[unused]}/"
            )
    return problems


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
    problems = check(root.resolve())
    for problem in problems:
        print(f"layer check: {problem}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
