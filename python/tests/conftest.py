"""After every test of the varnook module nothing may be left alive: no object of the volume
control and no open connection, directory or file handle; and the network was reached through
the run's door (harness.py sets the process up)."""

import pytest

import harness
import served


@pytest.fixture(scope="session", autouse=True)
def server_lasts_the_run():
    """Over the wire the test network's server must serve the whole run: a crash fails it."""
    yield
    harness.close_doors()


@pytest.fixture(autouse=True)
def nothing_left_behind():
    yield
    assert harness.leftovers() == {}
    assert harness.varnook_testing.back_end() in (None, "wire" if served.WIRE else "in-process")
