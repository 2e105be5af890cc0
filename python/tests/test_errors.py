"""DispatchError: what objects raise, what the runtime answers to bad calls, and objects used
from the wrong thread or after their control is gone."""

import threading

import pytest

from harness import open_volume, varnook

DISP_E_EXCEPTION = 0x80020009
DISP_E_TYPEMISMATCH = 0x80020005
DISP_E_BADPARAMCOUNT = 0x8002000E
CTL_E_SETNOTSUPPORTED = 0x800A017F
CO_E_CLASSSTRING = 0x800401F3
RPC_E_WRONG_THREAD = 0x8001010E


def raised(call):
    with pytest.raises(varnook.DispatchError) as info:
        call()
    return info.value


def test_a_raised_error_carries_code_description_source_and_help_context():
    error = raised(lambda: varnook.Dispatch("VarnookTest.Echo").Fail(0x1234, "Broken"))
    assert (error.code, error.description, error.source) == (0x1234, "Broken", "VarnookTest.Echo")
    assert (error.helpcontext, error.hresult) == (5, DISP_E_EXCEPTION)
    assert str(error) == "Broken (0x1234)"


def test_the_controls_errors_read_as_the_control_words_them():
    volume = open_volume()
    error = raised(lambda: volume.FindEntry(r"\\FS1\SYS\NOPE"))
    assert (error.code, error.description) == (0xCE17, "The specified entry could not be found.")
    assert error.helpcontext == -1 and str(error).startswith(error.description)
    assert raised(lambda: volume.FindEntry(r"\\FS2\SYS\X")).code == 0xCE18
    assert raised(lambda: open_volume(r"\\FS1\DATA").SpaceLimits).description == \
        "Volume does not exist"
    assert raised(lambda: open_volume(r"\\FS1\S.Y.S")).code == 0xCE01


def test_a_name_the_code_page_cannot_spell_is_the_controls_error():
    volume = open_volume()
    error = raised(lambda: volume.Root.Children.Add("Ωmega.txt", 1))
    assert (error.code, error.description) == (0x899E, "Invalid entry name")


def test_bad_calls_are_clear_errors():
    volume = open_volume()
    error = raised(lambda: setattr(volume.Root, "Size", "many"))
    assert error.code == DISP_E_TYPEMISMATCH and "argument 1 of Size" in str(error)
    error = raised(lambda: volume.FindEntry())
    assert error.code == DISP_E_BADPARAMCOUNT and "FindEntry was given 0 arguments" in str(error)
    assert raised(lambda: setattr(volume, "ShortName", "X")).code == CTL_E_SETNOTSUPPORTED
    with pytest.raises(AttributeError, match="no member 'Nope'"):
        volume.Nope
    with pytest.raises(AttributeError):
        volume.Nope = 1
    assert not hasattr(volume, "Nope")
    with pytest.raises(TypeError, match="no parameter named Bogus"):
        volume.FindEntry(Bogus=1)


def test_objects_that_outlive_their_control_raise_not_initialized():
    volume = open_volume()
    entry = volume.FindEntry(r"\\FS1\SYS\DOCS")
    del volume
    error = raised(lambda: entry.FullName)
    assert (error.code, error.description) == (0xCE15, "Control not initialized.")


def test_a_class_that_is_not_registered_says_how_to_register_it():
    error = raised(lambda: varnook.Dispatch("Nobody.Here.1"))
    assert error.code == CO_E_CLASSSTRING
    assert "Nobody.Here.1 is not registered" in str(error) and "regsvr" in str(error)
    assert "varnook-setup" in str(error)
    with pytest.raises(TypeError):
        varnook.Dispatch(5)


def test_objects_belong_to_the_thread_that_made_them():
    volume = open_volume()
    children = volume.Root.Children
    uses = [lambda: volume.ShortName, lambda: volume.FindEntry(r"\\FS1\SYS\DOCS"),
            lambda: setattr(volume, "FullName", ""), lambda: list(children), lambda: children[0],
            lambda: len(children), lambda: varnook.Dispatch("VarnookTest.Echo").Echo(volume)]
    codes = []

    def elsewhere():
        for use in uses:
            try:
                use()
            except varnook.DispatchError as error:
                codes.append(error.code)
        own = open_volume()  # objects made here are this thread's
        codes.append(own.ShortName)

    worker = threading.Thread(target=elsewhere)
    worker.start()
    worker.join()
    assert codes == [RPC_E_WRONG_THREAD] * len(uses) + ["SYS"]
    assert volume.ShortName == "SYS"


def test_a_script_keeps_working_after_exceptions():
    volume = open_volume()
    for _ in range(50):
        with pytest.raises(varnook.DispatchError):
            volume.FindEntry(r"\\FS1\SYS\NOPE").Children
    assert [e.ShortName for e in volume.FindEntry(r"\\FS1\SYS\DOCS").Children] == ["A.TXT"]
