"""The doors the tests reach a network by: a door leads a client there, and over the wire its
server is gone once the with block ends, also when the block fails."""

import json
import os
import pathlib
import subprocess
import sys

import pytest

import served
import testnet


def test_a_door_leads_a_client_and_closes_behind_a_failing_block(tmp_path):
    folder = testnet.write_network(tmp_path, {
        "network": testnet.network([{"name": "SYS"}]),
        "files": {"volumes/FS1/SYS/HELLO.TXT": "hello"},
    })
    script = ('import varnook\nvolume = varnook.Dispatch("VolmarraLib.VolmarraCtrl.1")\n'
              'volume.FullName = r"\\\\FS1\\SYS"\n'
              'print([e.ShortName for e in volume.Root.Children])')
    with pytest.raises(ZeroDivisionError):
        with served.door(folder) as variables:
            assert set(variables) == {"VARNOOK_WORKSTATION" if served.WIRE else "NWSIM_NETWORK"}
            done = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True,
                                  env=served.environment(variables), timeout=60)
            assert (done.returncode, done.stdout) == (0, "['HELLO.TXT']\n"), done.stderr
            if served.WIRE:
                workstation = pathlib.Path(variables["VARNOOK_WORKSTATION"])
                servers = json.loads((workstation.parent / "network.servers.json").read_text())
            1 / 0
    if served.WIRE:
        assert not workstation.exists(), "the server's runtime files are gone"
        with pytest.raises(ProcessLookupError):
            os.kill(servers["pid"], 0)
