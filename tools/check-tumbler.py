#!/usr/bin/python3
"""Thumbnails drawings through Thunar's thumbnail service, tumbler, over
D-Bus: org.freedesktop.thumbnails.Thumbnailer1.Queue, then its Ready,
Error and Finished signals.

    check-tumbler.py GOOD:PATH... NONE:PATH...

Run inside a session bus of its own (dbus-run-session), with XDG_CACHE_HOME
pointing to a scratch folder. GOOD drawings must be Ready and cached as a
PNG carrying Thumb::URI and Thumb::MTime; NONE drawings must end in Error.
Exits 0 when all is well.
"""
import hashlib
import os
import sys

import gi

gi.require_version("GdkPixbuf", "2.0")
from gi.repository import GdkPixbuf, Gio, GLib  # noqa: E402

NAME = "org.freedesktop.thumbnails.Thumbnailer1"
PATH = "/org/freedesktop/thumbnails/Thumbnailer1"
TIMEOUT_SECONDS = 120


def main(arguments):
    expected = {}
    for argument in arguments:
        expect, path = argument.split(":", 1)
        expected[Gio.File.new_for_path(path).get_uri()] = (expect, path)
    uris = list(expected)

    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    proxy = Gio.DBusProxy.new_sync(bus, Gio.DBusProxyFlags.NONE, None, NAME, PATH, NAME, None)
    schemes, types = proxy.call_sync("GetSupported", None, Gio.DBusCallFlags.NONE, 60000, None).unpack()
    if "image/vnd.dwg" not in types:
        print("  problem: tumbler offers no thumbnailer for image/vnd.dwg")
        return 1

    loop = GLib.MainLoop()
    state = {"handle": None, "ready": set(), "errors": {}, "finished": False, "early": []}

    def on_signal(_proxy, _sender, signal, parameters):
        values = parameters.unpack()
        if state["handle"] is None:
            state["early"].append((signal, values))
            return
        handle(signal, values)

    def handle(signal, values):
        if values[0] != state["handle"]:
            return
        if signal == "Ready":
            state["ready"].update(values[1])
        elif signal == "Error":
            for uri in values[1]:
                state["errors"][uri] = f"{values[2]}: {values[3]}"
        elif signal == "Finished":
            state["finished"] = True
            loop.quit()

    proxy.connect("g-signal", on_signal)
    types_of = ["image/vnd.dwg"] * len(uris)
    state["handle"] = proxy.call_sync(
        "Queue", GLib.Variant("(asasssu)", (uris, types_of, "normal", "default", 0)),
        Gio.DBusCallFlags.NONE, 60000, None).unpack()[0]
    for signal, values in state["early"]:
        handle(signal, values)

    def give_up():
        loop.quit()
        return False

    if not state["finished"]:
        GLib.timeout_add_seconds(TIMEOUT_SECONDS, give_up)
        loop.run()

    problems = []
    if not state["finished"]:
        problems.append(f"no Finished signal within {TIMEOUT_SECONDS} s")
    for uri, (expect, path) in expected.items():
        name = os.path.basename(path)
        if uri in state["ready"]:
            print(f"  {name}: Ready")
        elif uri in state["errors"]:
            print(f"  {name}: Error {state['errors'][uri]}")
        if expect == "GOOD":
            thumb = os.path.join(os.environ["XDG_CACHE_HOME"], "thumbnails", "normal",
                                 hashlib.md5(uri.encode()).hexdigest() + ".png")
            if uri not in state["ready"]:
                problems.append(f"{name}: not Ready")
            elif not os.path.exists(thumb):
                problems.append(f"{name}: no cached thumbnail at {thumb}")
            else:
                saved = GdkPixbuf.Pixbuf.new_from_file(thumb)
                mtime = int(os.stat(path).st_mtime)
                if saved.get_option("tEXt::Thumb::URI") != uri:
                    problems.append(f"{thumb}: Thumb::URI is {saved.get_option('tEXt::Thumb::URI')}")
                # tumbler writes the time with its fraction of a second.
                stamp = saved.get_option("tEXt::Thumb::MTime")
                if stamp is None or int(float(stamp)) != mtime:
                    problems.append(f"{thumb}: Thumb::MTime is {stamp}, not {mtime}")
                if max(saved.get_width(), saved.get_height()) > 128:
                    problems.append(f"{thumb}: {saved.get_width()} x {saved.get_height()} exceeds 128")
        elif uri not in state["errors"]:
            problems.append(f"{name}: no Error signal")
    for problem in problems:
        print("  problem:", problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
