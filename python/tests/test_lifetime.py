"""Reference counts: a Python object holds exactly one reference, and when the Python objects go,
every object of the control goes and every connection, directory and file handle is closed, also
after exceptions. (conftest checks the same after every test.)"""

import threading

import pytest

from harness import leftovers, open_volume, varnook, varnook_testing


def test_a_python_object_holds_exactly_one_reference():
    echo = varnook.Dispatch("VarnookTest.Echo")
    assert echo.References == 1
    copies = [echo.Echo(echo) for _ in range(100)]
    assert echo.References == 101
    del copies
    assert echo.References == 1
    echo.Stored = echo  # the object now holds itself once more
    assert echo.References == 2
    echo.Stored = None
    assert echo.References == 1


def test_everything_goes_with_the_python_objects():
    volume = open_volume()
    file = volume.FindEntry(r"\\FS1\SYS\README.TXT").File
    assert file.Open()
    children = [entry for entry in volume.Root.Children]
    iterator = iter(volume.FindEntry(r"\\FS1\SYS\PUBLIC").Children)
    next(iterator)
    assert varnook_testing.open_handles() == {"connections": 1, "directories": 0, "files": 1}
    del volume, children
    assert leftovers() == {"volume control objects": "alive"}, \
        "the control closed its file and connection; the file and the iterator live on"
    del file, iterator
    assert leftovers() == {}


def test_everything_goes_after_exceptions():
    def failing_walk():
        volume = open_volume()
        for entry in volume.Root.Children:
            entry.File.Open()  # a directory has no File: None has no Open
    for _ in range(3):
        with pytest.raises(AttributeError):
            failing_walk()
    with pytest.raises(varnook.DispatchError):
        open_volume().FindEntry(r"\\FS1\SYS\NOPE")
    assert leftovers() == {}


def test_objects_may_be_dropped_by_another_thread():
    made = []
    worker = threading.Thread(target=lambda: made.append(open_volume()))
    worker.start()
    worker.join()
    assert varnook_testing.open_handles()["connections"] == 1
    made.clear()
    assert leftovers() == {}
