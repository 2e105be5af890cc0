"""Small simulated networks for the tests: a network file and the volume folders beside it."""

import json
import pathlib


def network(volumes, users=("ADMIN", "JSMITH", "GUEST"), user="ADMIN"):
    """The network of one server FS1 with the given volumes and users, the workstation logged in
    to it as `user`."""
    return {
        "workstation": {
            "connections": [{"server": "FS1", "user": user, "station": 1,
                             "consoleOperator": user == "ADMIN"}]
        },
        "servers": [{"name": "FS1", "users": list(users), "volumes": volumes}],
    }


def with_tree_server(layout):
    """The network with the server DS1 (volume VOL) in the tree ACME_TREE and a workstation
    connection to it as ADMIN, authenticated to the tree."""
    layout["workstation"]["connections"].append(
        {"server": "DS1", "user": "ADMIN", "station": 1, "directoryAuthenticated": True})
    layout["servers"].append({"name": "DS1", "tree": "ACME_TREE", "directoryName": "DS1.ACME",
                              "users": ["ADMIN"], "volumes": [{"name": "VOL"}]})
    layout["trees"] = [{"name": "ACME_TREE", "objects": [
        {"name": "ADMIN.ACME", "class": "User"},
        {"name": "DS1_VOL.ACME", "class": "Volume",
         "attributes": {"Host Server": "DS1.ACME", "Host Resource Name": "VOL"}}]}]
    return layout


def write_network(folder, layout):
    """Writes the layout ({"network": ..., "files": {path: text, "dir/": None}}) into folder; answers
    the folder."""
    folder = pathlib.Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    (folder / "network.json").write_text(json.dumps(layout["network"], indent=2))
    for path, text in layout["files"].items():
        target = folder / path
        if path.endswith("/"):
            target.mkdir(parents=True, exist_ok=True)
        else:
            target.parent.mkdir(parents=True, exist_ok=True)
            target.write_text(text or "")
    return folder


# \\FS1\SYS with a few folders, trustees, limits and two deleted files of one name; \\FS1\DATA is
# not mounted. DS1 of the tree ACME_TREE has a volume known there as ACME\DS1_VOL; the
# workstation's connection to it is authenticated to the tree.
VOLUME_NETWORK = {
    "network": with_tree_server(network([
        {
            "name": "SYS",
            "blocks": {"total": 1000, "free": 400, "purgeable": 10, "sectorsPerBlock": 8},
            "entries": [
                {"path": "PUBLIC", "trustees": [{"object": "JSMITH", "rights": "RF"}]},
                {"path": "PUBLIC\\LOGIN.EXE", "attributes": ["ReadOnly", "Shareable"],
                 "owner": "JSMITH", "created": "2020-01-02T03:04:06"},
                {"path": "HOME\\JSMITH", "spaceLimit": 400,
                 "trustees": [{"object": "JSMITH", "rights": "RWCEMF"}]},
            ],
            "userRestrictions": [{"user": "JSMITH", "limit": 1024}],
            "deletedFiles": [
                {"directory": "PUBLIC", "name": "Old Notes.txt", "content": "first",
                 "deletedBy": "JSMITH", "deleted": "2026-01-01T10:00:00"},
                {"directory": "PUBLIC", "name": "Old Notes.txt", "content": "second one",
                 "deletedBy": "JSMITH", "deleted": "2026-01-02T10:00:00"},
            ],
        },
        {"name": "DATA", "mounted": False},
    ])),
    "files": {
        "volumes/FS1/SYS/PUBLIC/LOGIN.EXE": "MZ",
        "volumes/FS1/SYS/PUBLIC/Long Name Document.txt": "long",
        "volumes/FS1/SYS/HOME/JSMITH/notes.txt": "notes",
        "volumes/FS1/SYS/DOCS/A.TXT": "a",
        "volumes/FS1/SYS/EMPTY/": None,
        "volumes/FS1/SYS/README.TXT": "hello",
        "volumes/FS1/DATA/": None,
        "volumes/DS1/VOL/TREE.TXT": "tree",
    },
}
