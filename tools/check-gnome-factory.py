#!/usr/bin/python3
"""Thumbnails drawings with GNOME's own thumbnail factory, as the file
manager does: the factory finds the thumbnailer entry, runs the program in
its bubblewrap sandbox, and caches the result (or a failure mark).

    check-gnome-factory.py GOOD:PATH... NONE:PATH...

GOOD drawings must end as a cached PNG that carries Thumb::URI and
Thumb::MTime, NONE drawings in the factory's failure cache. Every path's
type is asked of GIO first, as the file manager does, so a drawing whose
name lacks .dwg only passes when the installed MIME magic knows it.
XDG_CACHE_HOME must point to a scratch folder. Exits 0 when all is well.
"""
import hashlib
import os
import sys

import gi

gi.require_version("GnomeDesktop", "4.0")
gi.require_version("GdkPixbuf", "2.0")
from gi.repository import GdkPixbuf, Gio, GLib, GnomeDesktop  # noqa: E402

DWG = "image/vnd.dwg"


def cached(flavour, uri):
    name = hashlib.md5(uri.encode()).hexdigest() + ".png"
    return os.path.join(os.environ["XDG_CACHE_HOME"], "thumbnails", flavour, name)


def main(arguments):
    factory = GnomeDesktop.DesktopThumbnailFactory.new(GnomeDesktop.DesktopThumbnailSize.LARGE)
    problems = []
    for argument in arguments:
        expect, path = argument.split(":", 1)
        gfile = Gio.File.new_for_path(path)
        uri = gfile.get_uri()
        mtime = int(os.stat(path).st_mtime)
        kind = gfile.query_info("standard::content-type", 0, None).get_content_type()
        if kind != DWG:
            problems.append(f"{path}: GIO says {kind}, not {DWG}")
            continue
        if not factory.can_thumbnail(uri, kind, mtime):
            problems.append(f"{path}: the factory knows no thumbnailer for {kind}")
            continue
        try:
            pixbuf = factory.generate_thumbnail(uri, kind, None)
        except GLib.Error as error:
            pixbuf = None
            failure = error.message
        if pixbuf is not None:
            factory.save_thumbnail(pixbuf, uri, mtime, None)
            outcome = f"thumbnail {pixbuf.get_width()} x {pixbuf.get_height()}"
        else:
            factory.create_failed_thumbnail(uri, mtime, None)
            outcome = f"failed ({failure})"
        print(f"  {os.path.basename(path)}: {outcome}")

        if expect == "GOOD":
            thumb = cached("large", uri)
            if not os.path.exists(thumb):
                problems.append(f"{path}: no cached thumbnail at {thumb}")
                continue
            saved = GdkPixbuf.Pixbuf.new_from_file(thumb)
            if saved.get_option("tEXt::Thumb::URI") != uri:
                problems.append(f"{thumb}: Thumb::URI is {saved.get_option('tEXt::Thumb::URI')}")
            if saved.get_option("tEXt::Thumb::MTime") != str(mtime):
                problems.append(f"{thumb}: Thumb::MTime is {saved.get_option('tEXt::Thumb::MTime')}")
            if max(saved.get_width(), saved.get_height()) > 256:
                problems.append(f"{thumb}: {saved.get_width()} x {saved.get_height()} exceeds 256")
        else:
            if not os.path.exists(cached("fail/gnome-thumbnail-factory", uri)):
                problems.append(f"{path}: not in the failure cache")
            if not factory.has_valid_failed_thumbnail(uri, mtime):
                problems.append(f"{path}: the factory does not see its failure mark")
    for problem in problems:
        print("  problem:", problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
