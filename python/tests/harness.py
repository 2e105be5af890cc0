"""The process the tests of the varnook module run in.

ctest names the built libraries in the environment. On import this points the process at a
private registry (the libraries registered there with regsvr, as an installation does) and at a
small simulated network, which the process client loads once per process, in-process or over
the wire as the run's door says (served.py); each test file runs in a process of its own.
"""

import atexit
import contextlib
import gc
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

import served
import testnet


def _required(name):
    value = os.environ.get(name)
    if not value:
        sys.exit(f"{name} is not set: run these tests through ctest")
    return value


REGSVR = _required("VARNOOK_REGSVR")
VOLMARRA = _required("VARNOOK_VOLMARRA_LIBRARY")
REGWICK = _required("VARNOOK_REGWICK_LIBRARY")
TEST_COMPONENT = _required("VARNOOK_TEST_COMPONENT")
EXAMPLES = pathlib.Path(_required("VARNOOK_EXAMPLES"))

SCRATCH = pathlib.Path(tempfile.mkdtemp(prefix="varnook-python-"))
atexit.register(shutil.rmtree, SCRATCH, ignore_errors=True)
os.environ["VARNOOK_REGISTRY_DIR"] = str(SCRATCH / "registry")
os.environ["XDG_DATA_HOME"] = str(SCRATCH / "data")
for library in (VOLMARRA, REGWICK, TEST_COMPONENT):
    subprocess.run([REGSVR, "/s", library], check=True)

NETWORK = testnet.write_network(SCRATCH / "network", testnet.VOLUME_NETWORK)
_DOORS = contextlib.ExitStack()
atexit.register(_DOORS.close)  # before the scratch folder goes
for name in served.DOOR_VARIABLES:
    os.environ.pop(name, None)
os.environ.update(_DOORS.enter_context(served.door(NETWORK)))
DISK = NETWORK / "volumes" / "FS1" / "SYS"  # the files of \\FS1\SYS


def close_doors():
    """Closes the door to the test network: over the wire, stops its server, raising when it
    crashed or did not stop cleanly."""
    _DOORS.close()

import varnook  # noqa: E402  (after the environment is set)
import varnook_testing  # noqa: E402

CONTROL = "VolmarraLib.VolmarraCtrl.1"


def open_volume(name=r"\\FS1\SYS"):
    """A volume control on the volume, logged in as ADMIN."""
    control = varnook.Dispatch(CONTROL)
    control.FullName = name
    return control


def leftovers():
    """What is still alive: objects of the control's library and open handles."""
    gc.collect()
    left = {name: n for name, n in varnook_testing.open_handles().items() if n}
    if varnook_testing.has_live_objects(VOLMARRA):
        left["volume control objects"] = "alive"
    return left
