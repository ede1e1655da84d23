#!/usr/bin/env python3
"""Fails when two headers of one file name lie in folders that one compile searches together.

Usage: check-header-names.py COMPILE_COMMANDS ROOT

A compile searches the folder of its source and its -I (and -iquote) folders; which of two
same-named headers an #include "Name.h" gets then hangs on the order of those folders. Folders
and files are shown relative to ROOT.
"""
import collections
import json
import os
import shlex
import sys


def shown(path, root):
    relative = os.path.relpath(path, root)
    return path if relative.startswith("..") else relative


def searched_folders(entry):
    """The folders one compile command searches for quoted includes, in its order."""
    words = entry.get("arguments") or shlex.split(entry["command"])
    folders = [os.path.dirname(os.path.join(entry["directory"], entry["file"]))]
    for i, word in enumerate(words):
        for flag in ("-iquote", "-I"):
            if word == flag and i + 1 < len(words):
                folders.append(words[i + 1])
            elif word.startswith(flag) and word != flag:
                folders.append(word[len(flag):])
            else:
                continue
            break
    resolved = (os.path.normpath(os.path.join(entry["directory"], f)) for f in folders)
    return tuple(dict.fromkeys(resolved))


def main():
    commands, root = sys.argv[1], sys.argv[2]
    with open(commands) as file:
        entries = json.load(file)
    compiles = collections.defaultdict(list)  # searched folders -> the sources compiled with them
    for entry in entries:
        compiles[searched_folders(entry)].append(os.path.join(entry["directory"], entry["file"]))
    clashes = collections.defaultdict(list)  # (name, folders) -> the sources that search them
    for folders, sources in compiles.items():
        homes = collections.defaultdict(list)
        for folder in folders:
            if not os.path.isdir(folder):
                continue
            for name in os.listdir(folder):
                if name.endswith((".h", ".hpp")) and os.path.isfile(os.path.join(folder, name)):
                    homes[name].append(folder)
        for name, where in homes.items():
            if len(where) > 1:
                clashes[(name, tuple(sorted(where)))] += sources
    for (name, where), sources in sorted(clashes.items()):
        folders = " and ".join(shown(folder, root) + "/" for folder in where)
        # A source of the tree rather than one generated in the build's.
        source = min(sources, key=lambda s: (shown(s, root) == s, s))
        others = f" and {len(sources) - 1} other sources search" if len(sources) > 1 else " searches"
        print(f"{name} lies in {folders}, which {shown(source, root)}{others} together")
    return 1 if clashes else 0


if __name__ == "__main__":
    sys.exit(main())
