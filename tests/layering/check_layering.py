#!/usr/bin/env python3
"""Fails when a folder includes one above it in the layering, or a core folder includes Qt.

Usage: check_layering.py ROOT   (prints each offending line; exit 1 when there is any)
"""
import pathlib
import re
import sys

# What each folder may include besides itself. Folders not listed are not checked.
ALLOWED = {
    "base": set(),
    "config": {"base"},
    "platform": {"base", "config"},
    "ics": {"base", "config", "platform"},
    "hostednet": {"base", "config", "platform", "ics"},
    "helper": {"base", "platform"},
    "duilib": {"base"},
    "ui": {"base", "duilib"},
    "app": {"base", "config", "platform", "ics", "hostednet", "duilib", "ui"},
}
# These build without Qt and must stay so.
CORE = {"base", "config", "platform", "ics", "hostednet", "helper"}
# The interfaces in platform/ itself know no backend, and neither do the services every backend
# shares (platform/services/).
PLATFORM_BACKENDS = {"sim", "linux", "nm", "standalone", "services"}

OWN_INCLUDE = re.compile(r'^\s*#\s*include\s+"([A-Za-z0-9_]+)/([^"]*)"')
ANGLE_INCLUDE = re.compile(r"^\s*#\s*include\s+<([^>]+)>")
QT_HEADER = re.compile(r"^(Q[A-Z]\w*|Qt\w*/|q\w+\.h$)")


def offences(root):
    for folder, allowed in sorted(ALLOWED.items()):
        base = root / folder
        if not base.is_dir():
            continue
        for path in sorted(base.rglob("*")):
            if path.suffix not in (".h", ".cpp") or not path.is_file():
                continue
            rel = path.relative_to(root)
            interface = folder == "platform" and len(rel.parts) == 2
            shared = folder == "platform" and len(rel.parts) > 2 and rel.parts[1] == "services"
            for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
                where = f"{rel}:{number}: {line.strip()}"
                own = OWN_INCLUDE.match(line)
                if own:
                    target = own.group(1)
                    if target != folder and target in ALLOWED and target not in allowed:
                        yield f"{where}  ({folder}/ may not include {target}/)"
                    if interface and target == "platform":
                        sub = own.group(2).split("/")[0]
                        if sub in PLATFORM_BACKENDS and "/" in own.group(2):
                            yield f"{where}  (platform interfaces may not include a backend)"
                    if shared and target == "platform":
                        sub = own.group(2).split("/")[0]
                        if sub in PLATFORM_BACKENDS - {"services"} and "/" in own.group(2):
                            yield f"{where}  (the shared services know no backend)"
                    continue
                angle = ANGLE_INCLUDE.match(line)
                if angle and folder in CORE and QT_HEADER.match(angle.group(1)):
                    yield f"{where}  ({folder}/ builds without Qt)"


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    found = list(offences(pathlib.Path(sys.argv[1])))
    for line in found:
        print(line)
    if found:
        print(f"{len(found)} include(s) break the layering")
        return 1
    print("layering holds")
    return 0


if __name__ == "__main__":
    sys.exit(main())
