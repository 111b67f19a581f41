#!/usr/bin/python3
"""Drops files on the X window at a screen point, as a file manager would.

Usage: xdnd_drop.py X Y FILE...

Moves the real pointer to (X, Y) (programs that read the cursor position at
the drop see it there), then runs one XDND (version 5) drag and drop of the
files as text/uri-list onto the XdndAware window under that point, on the
display named by DISPLAY. Exits 0 once the target reports the drop finished
and accepted; otherwise prints why and exits 1 (2 for a usage error).
"""
import os
import select
import sys
import time
import urllib.parse

from Xlib import X, Xatom, display
from Xlib.error import DisplayError
from Xlib.ext import xtest
from Xlib.protocol import event

XDND_VERSION = 5
TIMEOUT = 30  # seconds; only keeps a dead target from hanging the caller


def fail(message):
    print("xdnd_drop: " + message, file=sys.stderr)
    sys.exit(1)


def uri_list(paths):
    uris = ["file://" + urllib.parse.quote(os.fsencode(os.path.abspath(p))) for p in paths]
    return ("\r\n".join(uris) + "\r\n").encode("ascii")


def find_target(root, atom, x, y):
    """The outermost window holding the point that carries XdndAware, and its version."""
    window = root
    while True:
        child = window.translate_coords(root, x, y).child
        if not child:
            return None, 0
        aware = child.get_full_property(atom("XdndAware"), Xatom.ATOM)
        if aware and len(aware.value):
            return child, int(aware.value[0])
        window = child


def main():
    if len(sys.argv) < 4:
        print(__doc__.strip(), file=sys.stderr)
        sys.exit(2)
    try:
        x, y, files = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3:]
    except ValueError:
        fail("X and Y must be whole numbers of pixels")
    for f in files:
        if not os.path.exists(f):
            fail("no such file: " + f)
    try:
        d = display.Display()
    except DisplayError as e:
        fail("cannot open the display: %s" % e)
    atom = lambda name: d.intern_atom(name)
    root = d.screen().root

    # The real pointer goes first: the target may ask where it is.
    xtest.fake_input(d, X.MotionNotify, x=x, y=y)
    d.sync()

    target, version = find_target(root, atom, x, y)
    if target is None:
        fail("no XdndAware window at (%d, %d)" % (x, y))
    version = min(version, XDND_VERSION)
    target.change_attributes(event_mask=X.StructureNotifyMask)  # to see it close

    # Our own window owns the dragged data; a property change on it gives a
    # server timestamp for the selection and the messages.
    source = root.create_window(0, 0, 1, 1, 0, X.CopyFromParent, event_mask=X.PropertyChangeMask)
    uri_type = atom("text/uri-list")
    source.change_property(atom("XdndTypeList"), Xatom.ATOM, 32, [uri_type])
    d.sync()
    stamp = X.CurrentTime
    while stamp == X.CurrentTime:
        e = d.next_event()
        if e.type == X.PropertyNotify and e.window == source:
            stamp = e.time
    source.set_selection_owner(atom("XdndSelection"), stamp)
    data = uri_list(files)

    def send(name, *values):
        values = (source.id,) + values + (0,) * (4 - len(values))
        message = event.ClientMessage(window=target, client_type=atom(name), data=(32, values))
        target.send_event(message)
        d.flush()

    send("XdndEnter", version << 24, uri_type, 0, 0)
    send("XdndPosition", 0, (x << 16) | y, stamp, atom("XdndActionCopy"))

    dropped = False
    deadline = time.monotonic() + TIMEOUT
    while True:
        if not d.pending_events():
            left = deadline - time.monotonic()
            if left <= 0:
                fail("no %s from the target within %d s" % ("XdndFinished" if dropped else "XdndStatus", TIMEOUT))
            select.select([d], [], [], left)
            continue
        e = d.next_event()
        if e.type == X.SelectionRequest:
            # The target reads the data whenever it likes (Wine already at the enter).
            prop = e.property or e.target
            if e.target == uri_type:
                e.requestor.change_property(prop, uri_type, 8, data)
            else:
                prop = X.NONE
            notify = event.SelectionNotify(time=e.time, requestor=e.requestor, selection=e.selection,
                                           target=e.target, property=prop)
            e.requestor.send_event(notify)
            d.flush()
        elif e.type == X.ClientMessage and e.client_type == atom("XdndStatus") and not dropped:
            if not e.data[1][1] & 1:
                send("XdndLeave")
                fail("the window at (%d, %d) refuses the drop" % (x, y))
            send("XdndDrop", 0, stamp)
            dropped = True
        elif e.type == X.DestroyNotify and e.window == target:
            fail("the target window closed during the drop")
        elif e.type == X.ClientMessage and e.client_type == atom("XdndFinished"):
            if version >= 5 and not e.data[1][1] & 1:
                fail("the target finished without taking the files")
            return 0


if __name__ == "__main__":
    sys.exit(main())
