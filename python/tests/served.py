"""The two doors to a test network: in-process (the client loads the network file) or over the
wire (an nwsimd process of the test's own serves it over NCP and the client reaches it through
the workstation file nwsimd writes).

ctest sets VARNOOK_TEST_DOOR=wire and VARNOOK_NWSIMD for the wire runs. An nwsimd started here
runs in a runtime folder of its own, listens on free ports and is stopped when its test or
process ends, also when a test fails; should the test process be killed, the kernel stops it
(parent-death signal).
"""

import contextlib
import ctypes
import os
import pathlib
import signal
import subprocess
import tempfile
import time

WIRE = os.environ.get("VARNOOK_TEST_DOOR") == "wire"
DOOR_VARIABLES = ("NWSIM_NETWORK", "VARNOOK_WORKSTATION")
START_SECONDS = 30  # a sanitizer build starts slowly
STOP_SECONDS = 10


def _stop_with_parent():
    PR_SET_PDEATHSIG = 1
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


class Server:
    """nwsimd serving the network file in folder; stop() ends it."""

    def __init__(self, folder):
        folder = pathlib.Path(folder)
        self._scratch = tempfile.TemporaryDirectory(prefix="varnook-nwsimd-")
        scratch = pathlib.Path(self._scratch.name)
        runtime = scratch / "runtime"
        runtime.mkdir(mode=0o700)
        self.workstation = runtime / "varnook" / "network.workstation.json"
        self._log = open(scratch / "nwsimd.log", "w+")
        env = dict(os.environ, XDG_RUNTIME_DIR=str(runtime))
        self._process = subprocess.Popen(
            [os.environ["VARNOOK_NWSIMD"], str(folder / "network.json")], env=env,
            stdin=subprocess.DEVNULL, stdout=self._log, stderr=subprocess.STDOUT,
            preexec_fn=_stop_with_parent)
        try:
            self._wait_until_served()
        except BaseException:
            self.stop()
            raise

    def _wait_until_served(self):
        # The workstation file appears (whole) once the servers listen.
        deadline = time.monotonic() + START_SECONDS
        while not self.workstation.exists():
            if self._process.poll() is not None or time.monotonic() > deadline:
                self._log.seek(0)
                raise RuntimeError(f"nwsimd did not start (exit status {self._process.poll()}): "
                                   + self._log.read())
            time.sleep(0.01)

    def stop(self):
        """Ends the server; answers None, or what went wrong with it: it had ended by itself
        (a crash) or did not end cleanly when told to."""
        fault = None
        if self._process.poll() is not None:
            fault = f"nwsimd ended by itself (exit status {self._process.returncode})"
        else:
            self._process.terminate()
            try:
                if self._process.wait(STOP_SECONDS) != 0:
                    fault = f"nwsimd stopped with exit status {self._process.returncode}"
            except subprocess.TimeoutExpired:
                self._process.kill()
                self._process.wait()
                fault = f"nwsimd did not stop within {STOP_SECONDS} s"
        if fault:
            self._log.seek(0)
            fault += ": " + self._log.read()
        self._log.close()
        self._scratch.cleanup()
        return fault


@contextlib.contextmanager
def door(folder):
    """The environment variables that lead a client to the network in folder by this run's door,
    for as long as the with block runs. Over the wire, a server that crashed or did not stop
    cleanly fails the block."""
    folder = pathlib.Path(folder)
    if not WIRE:
        yield {"NWSIM_NETWORK": str(folder / "network.json")}
        return
    server = Server(folder)
    try:
        yield {"VARNOOK_WORKSTATION": str(server.workstation)}
    except BaseException:
        server.stop()
        raise
    fault = server.stop()
    assert fault is None, fault


def environment(variables):
    """This process's environment with the door variables replaced by the given ones."""
    env = {k: v for k, v in os.environ.items() if k not in DOOR_VARIABLES}
    env.update(variables)
    return env
