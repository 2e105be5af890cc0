"""The scripts of examples/, each run as an administrator runs it, on a network that the test
first changes through the varnook module (trustees granted, files erased, a user's space filled),
so that a script doing nothing fails. Each test's network is reached by the run's door (over the
wire: an nwsimd of its own serves it for the whole test)."""

import contextlib
import csv
import io
import subprocess
import sys
import textwrap

import pytest

import harness
import served
import testnet


@pytest.fixture
def door():
    """Opens the door to a test's network: the environment variables that lead to it."""
    with contextlib.ExitStack() as doors:
        yield lambda network: doors.enter_context(served.door(network))


def run(network, *command):
    """Runs python with the arguments on the network (the door's variables of the network, a
    `door` fixture's answer); answers (exit status, output, errors)."""
    done = subprocess.run([sys.executable, *command], env=served.environment(network),
                          capture_output=True, text=True, timeout=120)
    return done.returncode, done.stdout, done.stderr


def change(network, code):
    """Runs a set-up script on the network with `volume` a control on \\\\FS1\\SYS."""
    prelude = 'import varnook\nvolume = varnook.Dispatch("VolmarraLib.VolmarraCtrl.1")\n' \
              'volume.FullName = r"\\\\FS1\\SYS"\n'
    status, out, err = run(network, "-c", prelude + textwrap.dedent(code))
    assert status == 0, err


def example(name):
    return str(harness.EXAMPLES / name)


def test_trustee_report_lists_every_assignment_of_the_volume(tmp_path, door):
    folder = testnet.write_network(tmp_path, {
        "network": testnet.network([{
            "name": "SYS",
            "entries": [{"path": "PUBLIC", "trustees": [{"object": "JSMITH", "rights": "RF"}]}],
        }], users=["ADMIN", "JSMITH", "MBROWN", "GUEST"]),
        "files": {"volumes/FS1/SYS/PUBLIC/": None,
                  "volumes/FS1/SYS/DOCS/REPORTS/Q1.XLS": "q1"},
    })
    network = door(folder)
    change(network, r"""
        reports = volume.FindEntry(r"\\FS1\SYS\DOCS\REPORTS")
        rights = reports.Trustees.Add("MBROWN").EffectiveRights
        rights.Write = rights.Create = rights.Erase = rights.Modify = True
        reports.Children["Q1.XLS"].Trustees.Add("GUEST")
    """)
    status, out, err = run(network, example("trustee_report.py"), r"\\FS1\SYS")
    assert status == 0, err
    rows = [(r["path"], r["trustee"], r["rights"]) for r in csv.DictReader(io.StringIO(out))]
    assert rows == [(r"\\FS1\SYS\DOCS\REPORTS", "MBROWN", "RWCEMF"),
                    (r"\\FS1\SYS\DOCS\REPORTS\Q1.XLS", "GUEST", "RF"),
                    (r"\\FS1\SYS\PUBLIC", "JSMITH", "RF")]


def test_salvage_by_owner_lists_first_and_salvages_with_yes(tmp_path, door):
    files = {"HOME/JSMITH/a.txt": "JSMITH", "HOME/JSMITH/SUB/b.txt": "JSMITH",
             "SHARED/c.txt": "JSMITH", "SHARED/d.txt": "MBROWN"}
    folder = testnet.write_network(tmp_path, {
        "network": testnet.network([{
            "name": "SYS",
            "entries": [{"path": path.replace("/", "\\"), "owner": owner}
                        for path, owner in files.items()],
        }], users=["ADMIN", "JSMITH", "MBROWN"]),
        "files": {f"volumes/FS1/SYS/{path}": path for path in files},
    })
    network = door(folder)
    disk = folder / "volumes" / "FS1" / "SYS"
    change(network, r"""
        for path in ["HOME\\JSMITH\\a.txt", "HOME\\JSMITH\\SUB\\b.txt", "SHARED\\c.txt",
                     "SHARED\\d.txt"]:
            folder, name = path.rsplit("\\", 1)
            volume.FindEntry("\\\\FS1\\SYS\\" + folder).Children.Remove(name)
        volume.Root.Children["SHARED"].Children.Add("C.TXT", 1)  # c.txt's name is taken again
    """)
    assert not any((disk / path).exists() for path in ["HOME/JSMITH/a.txt", "SHARED/d.txt"])

    status, out, err = run(network, example("salvage_by_owner.py"), r"\\FS1\SYS", "jsmith")
    assert status == 0, err
    assert sorted(line.split("\t")[0] for line in out.splitlines()[:-1]) == [
        r"\\FS1\SYS\HOME\JSMITH\SUB\b.txt", r"\\FS1\SYS\HOME\JSMITH\a.txt",
        r"\\FS1\SYS\SHARED\c.txt"]
    assert out.splitlines()[-1].startswith("3 deleted files of JSMITH")
    assert not (disk / "HOME/JSMITH/a.txt").exists(), "listing salvages nothing"

    status, out, err = run(network, example("salvage_by_owner.py"), r"\\FS1\SYS\HOME", "JSMITH",
                           "--yes")
    assert status == 0, err
    assert (disk / "HOME/JSMITH/a.txt").read_text() == "HOME/JSMITH/a.txt"
    assert (disk / "HOME/JSMITH/SUB/b.txt").read_text() == "HOME/JSMITH/SUB/b.txt"
    assert not (disk / "SHARED/C.TXT").read_text(), "outside the folder given"
    status, out, err = run(network, example("salvage_by_owner.py"), r"\\FS1\SYS", "JSMITH",
                           "--yes")
    assert status == 0, err
    assert out == "salvaged: \\\\FS1\\SYS\\SHARED\\c (salvaged 1).txt\n"
    assert (disk / "SHARED/c (salvaged 1).txt").read_text() == "SHARED/c.txt"
    assert not (disk / "SHARED/d.txt").exists(), "another user's file stays deleted"


def test_space_report_flags_users_above_ninety_percent(tmp_path, door):
    folder = testnet.write_network(tmp_path, {
        "network": testnet.network([{
            "name": "SYS",
            "userRestrictions": [{"user": "JSMITH", "limit": 100}, {"user": "MBROWN", "limit": 1000}],
        }], users=["ADMIN", "JSMITH", "MBROWN"]),
        "files": {"volumes/FS1/SYS/HOME/": None},
    })
    network = door(folder)
    change(network, r"""
        home = volume.FindEntry(r"\\FS1\SYS\HOME")
        for user, kb in [("JSMITH", 96), ("MBROWN", 40)]:
            data = home.Children.Add(user + ".DAT", 1)
            file = data.File
            assert file.Open()
            assert file.Write("x" * kb * 1024, kb * 1024)[0] == kb * 1024
            file.Close()
            data.Owner = "\\\\FS1\\" + user
    """)
    status, out, err = run(network, example("space_report.py"), r"\\FS1\SYS")
    assert status == 1, err
    lines = out.splitlines()
    assert lines[1].split() == ["JSMITH", "96", "100", "96.0%", "!"]
    assert lines[2].split() == ["MBROWN", "40", "1000", "4.0%"]
    assert lines[3] == "1 of 2 users above 90% of their limit."
    status, out, err = run(network, example("space_report.py"), r"\\FS1\SYS", "--threshold", "97")
    assert status == 0 and "0 of 2 users above 97%" in out
