"""Drops from clang-tidy's warnings (standard input) those on a name of the design that a line of
the list (the first argument) allows in the header where it is declared; prints the rest."""
import re
import sys

allowed = set()
with open(sys.argv[1], encoding="utf-8") as names:
    for line in names:
        line = line.split("#", 1)[0].strip()
        if line:
            header, words = line.split(":", 1)
            allowed.update((header.strip(), word) for word in words.split())

root = sys.argv[2].rstrip("/") + "/"
naming = re.compile(r"^(?P<path>[^:]+):\d+:\d+: warning: invalid case style for [^']*'(?P<name>[^']+)'")
for warning in sys.stdin:
    match = naming.match(warning)
    if match:
        # A header reached through a layer's include root is the layer's own.
        path = re.sub(r"^.*/include-roots/[^/]+/", "", match["path"]).removeprefix(root)
        if (path, match["name"]) in allowed:
            continue
    sys.stdout.write(warning)
