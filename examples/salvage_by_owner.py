#!/usr/bin/env python3
"""Salvage every deleted file below a folder that belongs to one user.

    salvage_by_owner.py \\\\FS1\\DATA\\HOME JSMITH          # list what would come back
    salvage_by_owner.py \\\\FS1\\DATA\\HOME JSMITH --yes    # salvage it

Looks at the deleted files of the folder and of every folder below it and picks those whose
owner (their creator) is the user. Without --yes it only lists them. A file whose name is taken
again comes back as "NAME (salvaged N)". Exit status 1 when a file could not be salvaged.
Needs the varnook module (PYTHONPATH=build/python) and the registered volume control.
"""

import argparse
import sys

import varnook


def last_name(text):
    return text.rstrip("\\").rsplit("\\", 1)[-1].upper()


def folders(directory):
    """The directory and every directory below it."""
    yield directory
    for entry in directory.Children:
        if entry.EntryType == 0:
            yield from folders(entry)


def salvage(entry):
    """Salvages the deleted file, under another name when its own is taken; the name it got."""
    name = entry.ShortName
    if entry.File.Salvage():
        return name
    stem, dot, extension = name.rpartition(".")
    for n in range(1, 100):
        other = f"{stem} (salvaged {n}).{extension}" if dot else f"{name} (salvaged {n})"
        if entry.File.Salvage(other):
            return other
    return None


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder", help=r"the folder, \\SERVER\VOLUME\DIR")
    parser.add_argument("user", help="the owner, such as JSMITH")
    parser.add_argument("--yes", action="store_true", help="salvage them; without it, list only")
    args = parser.parse_args()

    volume_name = "\\".join(args.folder.replace("/", "\\").split("\\")[:4])
    volume = varnook.Dispatch("VolmarraLib.VolmarraCtrl.1")
    volume.FullName = volume_name
    top = volume.Root if volume_name == args.folder.rstrip("\\") else \
        volume.FindEntry(args.folder)
    user = last_name(args.user)
    failed = 0
    found = 0
    for folder in folders(top):
        for entry in list(folder.DeletedFiles):
            if last_name(entry.Owner) != user:
                continue
            found += 1
            where = f"{folder.FullName}\\{entry.ShortName}"
            if not args.yes:
                print(f"{where}\t{entry.Size} bytes\tmodified {entry.LastModified:%Y-%m-%d %H:%M}")
                continue
            name = salvage(entry)
            if name is None:
                failed += 1
                print(f"not salvaged: {where}", file=sys.stderr)
            else:
                print(f"salvaged: {folder.FullName}\\{name}")
    if not args.yes:
        print(f"{found} deleted files of {user}; give --yes to salvage them.")
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    try:
        main()
    except varnook.DispatchError as error:
        sys.exit(f"salvage_by_owner: {error}")
