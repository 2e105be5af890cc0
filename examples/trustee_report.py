#!/usr/bin/env python3
"""Trustee report of a whole NetWare volume: who has which rights where, as CSV.

    trustee_report.py \\\\FS1\\DATA [-o report.csv]

Walks every directory and file of the volume through the volume control and writes one row per
trustee assignment: the entry's full name, the trustee, the trustee's full name and the rights
(letters of SRWCEMFA: Supervisor, Read, Write, Create, Erase, Modify, File scan, Access
control). Needs the varnook module (PYTHONPATH=build/python) and the registered volume control.
"""

import argparse
import csv
import sys

import varnook

RIGHTS = [("S", "Supervisor"), ("R", "Read"), ("W", "Write"), ("C", "Create"), ("E", "Erase"),
          ("M", "Modify"), ("F", "Scan"), ("A", "AccessControl")]


def rights_text(rights):
    return "".join(letter for letter, member in RIGHTS if getattr(rights, member))


def walk(directory):
    """The entries below a directory, depth first, each directory before its contents."""
    for entry in directory.Children:
        yield entry
        if entry.EntryType == 0:
            yield from walk(entry)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("volume", help=r"the volume, \\SERVER\VOLUME")
    parser.add_argument("-o", "--output", help="write the CSV here instead of standard output")
    args = parser.parse_args()

    volume = varnook.Dispatch("VolmarraLib.VolmarraCtrl.1")
    volume.FullName = args.volume
    out = open(args.output, "w", newline="") if args.output else sys.stdout
    writer = csv.writer(out, lineterminator="\n")
    writer.writerow(["path", "trustee", "full_name", "rights"])
    root = volume.Root
    for entry in [root, *walk(root)]:
        for trustee in entry.Trustees:
            writer.writerow([entry.FullName, trustee.ShortName, trustee.FullName,
                             rights_text(trustee.EffectiveRights)])
    if out is not sys.stdout:
        out.close()


if __name__ == "__main__":
    try:
        main()
    except varnook.DispatchError as error:
        sys.exit(f"trustee_report: {error}")
