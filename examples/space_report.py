#!/usr/bin/env python3
"""Space used per user on a NetWare volume against their limits, flagging those near the limit.

    space_report.py \\\\FS1\\DATA [--threshold 90]

Lists every user with a space limit on the volume: space in use and limit in KB and the share of
the limit used; users above the threshold (90% unless given) are marked "!". Exit status 1 when
any user is above it, so that a scheduled run can send the report. Needs the varnook module
(PYTHONPATH=build/python) and the registered volume control.
"""

import argparse
import sys

import varnook


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("volume", help=r"the volume, \\SERVER\VOLUME")
    parser.add_argument("--threshold", type=float, default=90.0,
                        help="mark users above this share of their limit (percent)")
    args = parser.parse_args()

    volume = varnook.Dispatch("VolmarraLib.VolmarraCtrl.1")
    volume.FullName = args.volume
    rows = []
    for limit in volume.SpaceLimits:
        used, total = limit.UsedSpace, limit.TotalSpace
        share = 100.0 * used / total if total else 100.0
        rows.append((limit.ShortName, used, total, share))
    print(f"{'USER':<20} {'USED KB':>10} {'LIMIT KB':>10} {'USED':>7}")
    above = 0
    for user, used, total, share in sorted(rows, key=lambda row: -row[3]):
        flag = share > args.threshold
        above += flag
        print(f"{user:<20} {used:>10} {total:>10} {share:>6.1f}%{' !' if flag else ''}")
    print(f"{above} of {len(rows)} users above {args.threshold:g}% of their limit.")
    sys.exit(1 if above else 0)


if __name__ == "__main__":
    try:
        main()
    except varnook.DispatchError as error:
        sys.exit(f"space_report: {error}")
