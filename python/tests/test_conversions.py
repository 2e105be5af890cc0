"""Python values to automation values and back, through VarnookTest.Echo and the registry
store."""

import datetime

import pytest

from harness import varnook

VT_ERROR, VT_NULL, VT_I2, VT_I4, VT_R4, VT_R8, VT_DATE, VT_BSTR, VT_DISPATCH = 10, 1, 2, 3, 4, 5, 7, 8, 9
VT_BOOL, VT_I1, VT_UI1, VT_UI2, VT_UI4, VT_I8, VT_UI8 = 11, 16, 17, 18, 19, 20, 21
VT_ARRAY_OF_VARIANTS = 0x2000 | 12
DISP_E_OVERFLOW = 0x8002000A

echo = varnook.Dispatch("VarnookTest.Echo.1")


def test_python_values_arrive_as_their_automation_types():
    cases = [
        (None, VT_NULL), (True, VT_BOOL), (0, VT_I4), (2**31 - 1, VT_I4), (-(2**31), VT_I4),
        (2**31, VT_I8), (-(2**63), VT_I8), (2**63, VT_UI8), (1.5, VT_R8), ("Grüße", VT_BSTR),
        (datetime.datetime(2026, 5, 1, 10, 0, 1), VT_DATE), (datetime.date(2026, 5, 1), VT_DATE),
        (b"ab", VT_ARRAY_OF_VARIANTS), (bytearray(b"ab"), VT_ARRAY_OF_VARIANTS),
        ([1, "a"], VT_ARRAY_OF_VARIANTS), ((1, 2), VT_ARRAY_OF_VARIANTS), (echo, VT_DISPATCH),
    ]
    for value, vt in cases:
        assert echo.TypeOf(value) == vt, value
    assert echo.TypeOf(varnook.Missing) == VT_ERROR and echo.TypeOf() == VT_ERROR, "left out"


def test_values_come_back_as_they_went():
    same = [None, varnook.Missing, True, False, 0, -1, 2**40, 2**64 - 1, 1.25, "", "Grüße, 東京 😀", "\ud800",
            datetime.datetime(2026, 5, 1, 10, 0, 1), datetime.datetime(1800, 1, 1, 12, 30),
            b"\x00\xff", b"", [1, "two", [3.5, None]]]
    for value in same:
        back = echo.Echo(value)
        assert back == value and type(back) is type(value), value
    assert echo.Echo(datetime.date(2026, 5, 1)) == datetime.datetime(2026, 5, 1)
    assert echo.Echo(datetime.datetime(2026, 5, 1, 10, 0, 1, 700000)) == \
        datetime.datetime(2026, 5, 1, 10, 0, 1), "automation dates keep whole seconds"
    assert echo.Echo((1, 2)) == [1, 2]
    assert echo.Echo(bytearray(b"xy")) == b"xy" and echo.Echo(memoryview(b"xy")) == b"xy"
    echo.Stored = "kept"
    assert echo.Stored == "kept"


def test_every_automation_type_reads_as_its_python_type():
    assert echo.As(-5, VT_I1) == -5 and echo.As(200, VT_UI1) == 200
    assert echo.As(-300, VT_I2) == -300 and echo.As(60000, VT_UI2) == 60000
    assert echo.As(4000000000, VT_UI4) == 4000000000 and echo.As(2**63, VT_UI8) == 2**63
    assert echo.As(1.5, VT_R4) == 1.5 and type(echo.As(1, VT_R8)) is float
    assert echo.As("2026-01-02 03:04:05", VT_DATE) == datetime.datetime(2026, 1, 2, 3, 4, 5)
    assert echo.As(1, VT_BOOL) is True and echo.As(7, VT_BSTR) == "7"
    assert echo.Nothing() is None, "Empty reads as None"


def test_only_all_byte_arrays_from_zero_are_bytes():
    assert echo.Bytes("AB", 0) == b"AB"
    assert echo.Bytes("", 0) == b""
    assert echo.Bytes("AB", 1) == [65, 66], "another lower bound: a list"
    assert echo.Echo([65, 66]) == [65, 66], "Python ints are 32-bit integers, not bytes"


def test_integers_are_range_checked():
    with pytest.raises(OverflowError):
        echo.Echo(2**64)
    with pytest.raises(OverflowError):
        echo.Echo(-(2**63) - 1)
    with pytest.raises(varnook.DispatchError) as raised:
        echo.As(300, VT_UI1)
    assert raised.value.code == DISP_E_OVERFLOW


def test_values_without_an_automation_form_are_refused():
    for value in ({}, {1}, object(), memoryview(b"ab").cast("H")):
        with pytest.raises(TypeError):
            echo.Echo(value)
    loop = []
    loop.append(loop)
    with pytest.raises(ValueError):
        echo.Echo(loop)
    with pytest.raises(ValueError):
        echo.Echo(datetime.datetime(2026, 1, 1, tzinfo=datetime.timezone.utc))


def test_objects_go_as_themselves_and_come_back_late_bound():
    other = varnook.Dispatch("VarnookTest.Echo")
    back = echo.Echo(other)
    assert back == other and back is not other
    assert type(back).__name__ == "IEcho" and isinstance(back, varnook.Object)


def test_by_reference_parameters_come_back_after_the_result():
    assert echo.Swap(1, "two") == (None, "two", 1)
    store = varnook.Dispatch("Regwick.clsRegwick")
    hklm = varnook.HKEY_LOCAL_MACHINE
    assert store.WriteStringValue(hklm, "Software", "Answer", "30", 1) == \
        (0, hklm, "Software", "Answer", "30", 1)
    result, hive, key, name, value = store.ReadStringValue(hklm, "Software", "Answer", "")
    assert (result, hive, key, name) == (3, hklm, "Software", "Answer")
    assert value[:result - 1] == "30" and len(value) == 255
    assert store.ReadStringValue(hklm, "No\\Such\\Key", "Answer", "x")[0] == -1
