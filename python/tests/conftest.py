"""After every test of the varnook module nothing may be left alive: no object of the volume
control and no open connection, directory or file handle (harness.py sets the process up)."""

import pytest

import harness


@pytest.fixture(autouse=True)
def nothing_left_behind():
    yield
    assert harness.leftovers() == {}
