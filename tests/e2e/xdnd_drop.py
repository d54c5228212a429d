#!/usr/bin/python3
"""Drops files on a window of the X display, as a file manager does (XDND).

Usage: xdnd_drop.py LIST

LIST is a UTF-8 text file: its first line is the title of the target window,
every further line a file to drop, as an absolute path of this machine. The
target is the top-level window with that title which accepts drops
(XdndAware); the files are dropped at its middle. Exits 0 once the target
said it is done (XdndFinished), 1 when it refused or did not answer.

Wine takes drops this way and hands the window WM_DROPFILES. It asks for
the data as soon as the drag enters, and its URI list wants CRLF line ends.
"""
import sys
import time
import urllib.parse

from Xlib import X, Xatom, display, protocol


def windows(d, w):
    yield w
    try:
        children = w.query_tree().children
    except Exception:
        return
    for c in children:
        yield from windows(d, c)


def title(d, w):
    for name, kind in (("_NET_WM_NAME", d.intern_atom("UTF8_STRING")), ("WM_NAME", Xatom.STRING)):
        try:
            p = w.get_full_property(d.intern_atom(name), kind)
        except Exception:
            p = None
        if p and p.value:
            v = p.value
            return v.decode("utf-8", "replace") if isinstance(v, bytes) else str(v)
    return ""


def find_target(d, wanted):
    aware = d.intern_atom("XdndAware")
    for w in windows(d, d.screen().root):
        try:
            if w.get_full_property(aware, X.AnyPropertyType) and title(d, w) == wanted:
                return w
        except Exception:
            continue
    return None


def send(d, target, kind, data):
    ev = protocol.event.ClientMessage(window=target, client_type=d.intern_atom(kind), data=(32, data))
    target.send_event(ev, event_mask=0)
    d.flush()


def main():
    lines = open(sys.argv[1], encoding="utf-8").read().splitlines()
    wanted, paths = lines[0], [p for p in lines[1:] if p]
    d = display.Display()
    target = None
    for _ in range(50):
        target = find_target(d, wanted)
        if target:
            break
        time.sleep(0.1)
    if not target:
        print("no window accepting drops titled", wanted, file=sys.stderr)
        return 1
    source = d.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
    selection = d.intern_atom("XdndSelection")
    uri_list = d.intern_atom("text/uri-list")
    source.set_selection_owner(selection, X.CurrentTime)
    data = "".join("file://" + urllib.parse.quote(p) + "\r\n" for p in paths).encode("utf-8")

    geo = target.get_geometry()
    at = d.screen().root.translate_coords(target, geo.width // 2, geo.height // 2)
    x, y = at.x, at.y
    s = source.id
    send(d, target, "XdndEnter", [s, 5 << 24, uri_list, 0, 0])
    send(d, target, "XdndPosition", [s, 0, (x << 16) | y, X.CurrentTime, d.intern_atom("XdndActionCopy")])

    dropped = False
    deadline = time.time() + 5
    while time.time() < deadline:
        if not d.pending_events():
            time.sleep(0.01)
            continue
        ev = d.next_event()
        if ev.type == X.SelectionRequest:
            ev.requestor.change_property(ev.property, ev.target, 8, data)
            reply = protocol.event.SelectionNotify(time=ev.time, requestor=ev.requestor, selection=ev.selection,
                                                   target=ev.target, property=ev.property)
            ev.requestor.send_event(reply, event_mask=0)
            d.flush()
        elif ev.type == X.ClientMessage:
            kind = d.get_atom_name(ev.client_type)
            if kind == "XdndStatus" and not dropped:
                if not (ev.data[1][1] & 1):
                    print("the window does not take the drop", file=sys.stderr)
                    return 1
                send(d, target, "XdndDrop", [s, 0, X.CurrentTime, 0, 0])
                dropped = True
            elif kind == "XdndFinished":
                return 0
    print("no answer from the window", file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
