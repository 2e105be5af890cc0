"""Late binding: properties, methods, default members, collections, and what help() and dir()
show, on the volume control and on an object without type information."""

import datetime
import inspect
import pydoc
import rlcompleter

import pytest

import served
from harness import DISK, open_volume, varnook


def test_properties_and_methods_of_the_volume_control():
    volume = open_volume()
    assert (volume.ShortName, volume.HostServer, volume.Loaded) == ("SYS", "FS1", True)
    assert (volume.TotalSpace, volume.UsedSpace) == (4000, 2400)
    assert volume.NameSpaces == ["DOS", "Long Filename"]
    login = volume.FindEntry(r"\\FS1\SYS\PUBLIC\LOGIN.EXE")
    assert login.FullName == r"\\FS1\SYS\PUBLIC\LOGIN.EXE"
    assert (login.ReadOnly, login.File.Shareable, login.Size) == (True, True, 2)
    assert login.Owner == r"\\FS1\JSMITH"
    assert login.Created == datetime.datetime(2020, 1, 2, 3, 4, 6)
    login.ReadOnly = False
    assert login.ReadOnly is False
    assert volume.shortname == "SYS", "names are found whatever their case"
    assert login.InheritedRights.Supervisor is True, "a hidden member is there by name"


def test_collections_index_call_iterate_and_count():
    volume = open_volume()  # entries do not keep their control alive
    public = volume.FindEntry(r"\\FS1\SYS\PUBLIC")
    children = public.Children
    assert [entry.ShortName for entry in children] == ["LOGIN.EXE", "Long Name Document.txt"]
    assert len(children) == 2 and bool(children)
    assert children[1].ShortName == children(1).ShortName == "Long Name Document.txt"
    assert children["login.exe"].FullName == r"\\FS1\SYS\PUBLIC\LOGIN.EXE"
    assert children[0] == children.Item(0), "Item hands out the object the collection keeps"
    assert [e.ShortName for e in public.DeletedFiles] == ["Old Notes.txt", "Old Notes.txt"]
    empty = volume.FindEntry(r"\\FS1\SYS\EMPTY").Children
    assert (len(empty), bool(empty), list(empty)) == (0, False, [])


def test_methods_take_keywords_and_leave_out_optional_arguments():
    volume = open_volume()
    root = volume.Root
    root.Children.Add("NEWDIR", varnook.Missing)
    root.Children.Add(Name="NEW.TXT", EntryType=1)
    assert (DISK / "NEWDIR").is_dir() and (DISK / "NEW.TXT").is_file()
    new = root.Children["NEW.TXT"]
    assert new.Move("RENAMED.TXT") is True and new.ShortName == "RENAMED.TXT"
    root.Children.Remove("RENAMED.TXT")
    root.Children.Remove(Index="NEWDIR")
    assert not (DISK / "RENAMED.TXT").exists() and not (DISK / "NEWDIR").exists()


def test_objects_without_collections_are_neither_iterable_nor_sized():
    volume = open_volume()
    with pytest.raises(TypeError):
        iter(volume)
    with pytest.raises(TypeError):
        len(volume)
    assert bool(volume)


def test_dir_help_and_completion_come_from_the_type_library():
    volume = open_volume()
    entry = volume.Root
    names = set(dir(entry))
    assert {"ShortName", "Children", "Trustees", "Move", "Copy", "InheritanceFilter"} <= names
    assert "InheritedRights" not in names and "_NewEnum" not in names, "hidden members"
    text = pydoc.render_doc(entry, renderer=pydoc.plaintext)
    assert "class INWEntry(Object)" in text
    assert "Children\n |      Sub-directories, then files\n |      \n |      object, read-only" in text
    assert "Move(self, /, EntryName)\n |      Moves or renames the entry" in text
    assert str(inspect.signature(entry.Children.Add)) == "(Name, EntryType=varnook.Missing)"
    assert rlcompleter.Completer({"entry": entry}).complete("entry.Sho", 0) == "entry.ShortName"
    store = pydoc.render_doc(varnook.Dispatch("Regwick.clsRegwick"), renderer=pydoc.plaintext)
    assert "the call answers the tuple (result, Hive, RegLoc, Name, Value)" in store


def test_an_object_without_type_information_is_reached_by_name():
    counter = varnook.Dispatch("VarnookTest.Untyped.1")
    assert type(counter) is varnook.Object
    assert counter.Count == 3 and len(counter) == 3
    counter.Count = 4
    assert list(counter) == [0, 10, 20, 30]
    assert counter[2] == counter(2) == counter.Item(2) == 20
    assert counter.Reset is None, "a member without arguments is called when read, as scripts do"
    assert counter.Count == 0 and not counter
    with pytest.raises(TypeError):
        counter.Item(Index=1)


def test_a_volume_named_in_the_directory_tree():
    """In-process the workstation's connection to DS1 is authenticated to the tree; over the wire
    the servers offer no directory login, so the control answers that it is not authenticated
    (0xCE23), holding nothing open. The one case the doors answer differently."""
    name = r"NDS:\\ACME_TREE\ACME\DS1_VOL"
    if served.WIRE:
        with pytest.raises(varnook.DispatchError) as raised:
            open_volume(name)
        assert raised.value.code == 0xCE23
    else:
        volume = open_volume(name)
        assert (volume.HostServer, volume.ShortName, volume.Loaded) == ("DS1", "DS1_VOL", True)
        assert [e.ShortName for e in volume.Root.Children] == ["TREE.TXT"]
    assert open_volume(r"\\DS1\VOL").FindEntry(r"\\DS1\VOL\TREE.TXT").Size == 4, \
        "the server form reaches the volume by either door"
