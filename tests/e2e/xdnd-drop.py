#!/usr/bin/env python3
"""Drops files on an X window the way a file manager does, through the XDND
protocol (version 5, text/uri-list, action copy), with Xlib through ctypes.

  xdnd-drop.py X Y FILE...        drops the files at screen point X, Y
  xdnd-drop.py --serve FOLDER     waits for FOLDER/drop-request.txt (first
                                  line "X Y", then one file per line, a Unix
                                  path or a Wine path on drive Z:), drops,
                                  and answers in FOLDER/drop-done.txt ("ok" or
                                  "error: ..."); "quit" as the first line ends

Wine's X11 driver turns such a drop into WM_DROPFILES (or an OLE drop) for
the window under the point, as it does for a drop from a Linux desktop.
"""
import ctypes
import ctypes.util
import os
import sys
import time
import urllib.parse

xlib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")

Atom = ctypes.c_ulong
Window = ctypes.c_ulong
Time = ctypes.c_ulong


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", Window), ("message_type", Atom), ("format", ctypes.c_int),
                ("l", ctypes.c_long * 5)]


class XSelectionRequestEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("owner", Window), ("requestor", Window), ("selection", Atom),
                ("target", Atom), ("property", Atom), ("time", Time)]


class XSelectionEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("requestor", Window), ("selection", Atom), ("target", Atom),
                ("property", Atom), ("time", Time)]


class XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("xclient", XClientMessageEvent), ("xselectionrequest", XSelectionRequestEvent),
                ("xselection", XSelectionEvent), ("pad", ctypes.c_long * 24)]


ClientMessage, SelectionRequest, SelectionNotify = 33, 30, 31
PropModeReplace, XA_ATOM = 0, 4

xlib.XOpenDisplay.restype = ctypes.c_void_p
xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
xlib.XDefaultRootWindow.restype = Window
xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
xlib.XInternAtom.restype = Atom
xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
xlib.XCreateSimpleWindow.restype = Window
xlib.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                     ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_ulong]
xlib.XSetSelectionOwner.argtypes = [ctypes.c_void_p, Atom, Window, Time]
xlib.XTranslateCoordinates.argtypes = [ctypes.c_void_p, Window, Window, ctypes.c_int, ctypes.c_int,
                                       ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int),
                                       ctypes.POINTER(Window)]
xlib.XGetWindowProperty.argtypes = [ctypes.c_void_p, Window, Atom, ctypes.c_long, ctypes.c_long, ctypes.c_int, Atom,
                                    ctypes.POINTER(Atom), ctypes.POINTER(ctypes.c_int),
                                    ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_ulong),
                                    ctypes.POINTER(ctypes.c_void_p)]
xlib.XFree.argtypes = [ctypes.c_void_p]
xlib.XSendEvent.argtypes = [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_long, ctypes.POINTER(XEvent)]
xlib.XChangeProperty.argtypes = [ctypes.c_void_p, Window, Atom, Atom, ctypes.c_int, ctypes.c_int, ctypes.c_char_p,
                                 ctypes.c_int]
xlib.XPending.argtypes = [ctypes.c_void_p]
xlib.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.POINTER(XEvent)]
xlib.XFlush.argtypes = [ctypes.c_void_p]
xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
xlib.XDestroyWindow.argtypes = [ctypes.c_void_p, Window]
xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]


class DropError(Exception):
    pass


def file_uri(path):
    return "file://" + urllib.parse.quote(os.path.abspath(path))


def unix_path(name):
    """A Unix path for a Unix path or a Wine one on drive Z: (the root)."""
    if name.startswith("/"):
        return name
    if len(name) > 2 and name[0] in "Zz" and name[1] == ":" and name[2] in "\\/":
        return "/" + name[3:].replace("\\", "/")
    raise DropError("not a path on drive Z: or a Unix path: %s" % name)


class Dropper:
    def __init__(self):
        self.display = xlib.XOpenDisplay(None)
        if not self.display:
            raise DropError("cannot open the X display %r" % os.environ.get("DISPLAY"))
        self.root = xlib.XDefaultRootWindow(self.display)
        atom = lambda name: xlib.XInternAtom(self.display, name.encode(), 0)
        self.a = {n: atom(n) for n in ("XdndAware", "XdndEnter", "XdndPosition", "XdndStatus", "XdndDrop",
                                       "XdndFinished", "XdndLeave", "XdndSelection", "XdndActionCopy",
                                       "XdndTypeList", "text/uri-list")}
        self.source = xlib.XCreateSimpleWindow(self.display, self.root, -10, -10, 1, 1, 0, 0, 0)

    def close(self):
        xlib.XDestroyWindow(self.display, self.source)
        xlib.XCloseDisplay(self.display)

    def aware_version(self, window):
        kind, fmt, count, after = Atom(), ctypes.c_int(), ctypes.c_ulong(), ctypes.c_ulong()
        data = ctypes.c_void_p()
        status = xlib.XGetWindowProperty(self.display, window, self.a["XdndAware"], 0, 1, 0, XA_ATOM,
                                         ctypes.byref(kind), ctypes.byref(fmt), ctypes.byref(count),
                                         ctypes.byref(after), ctypes.byref(data))
        version = None
        if status == 0 and data.value and count.value >= 1:
            version = ctypes.cast(data, ctypes.POINTER(ctypes.c_ulong))[0]
        if data.value:
            xlib.XFree(data)
        return version

    def target_at(self, x, y):
        """The XDND-aware window under the point: the deepest one from the root down."""
        window, found, version = self.root, None, None
        while True:
            cx, cy, child = ctypes.c_int(), ctypes.c_int(), Window()
            if not xlib.XTranslateCoordinates(self.display, self.root, window, x, y, ctypes.byref(cx),
                                              ctypes.byref(cy), ctypes.byref(child)) or not child.value:
                break
            window = child.value
            v = self.aware_version(window)
            if v is not None:
                found, version = window, v
        if found is None:
            raise DropError("no window that takes drops at %d, %d" % (x, y))
        return found, version

    def send(self, target, kind, *longs):
        event = XEvent()
        event.xclient.type = ClientMessage
        event.xclient.display = self.display
        event.xclient.window = target
        event.xclient.message_type = self.a[kind]
        event.xclient.format = 32
        for i, value in enumerate(longs):
            event.xclient.l[i] = value
        xlib.XSendEvent(self.display, target, 0, 0, ctypes.byref(event))
        xlib.XFlush(self.display)

    def answer_request(self, event, payload):
        req = event.xselectionrequest
        reply = XEvent()
        reply.xselection.type = SelectionNotify
        reply.xselection.display = self.display
        reply.xselection.requestor = req.requestor
        reply.xselection.selection = req.selection
        reply.xselection.target = req.target
        reply.xselection.time = req.time
        reply.xselection.property = 0
        if req.target == self.a["text/uri-list"] and req.property:
            xlib.XChangeProperty(self.display, req.requestor, req.property, req.target, 8, PropModeReplace, payload,
                                 len(payload))
            reply.xselection.property = req.property
        xlib.XSendEvent(self.display, req.requestor, 0, 0, ctypes.byref(reply))
        xlib.XFlush(self.display)

    def wait_for(self, target, kind, payload, seconds):
        """Serves selection requests until a client message of `kind` arrives."""
        deadline = time.time() + seconds
        event = XEvent()
        while time.time() < deadline:
            if not xlib.XPending(self.display):
                time.sleep(0.01)
                continue
            xlib.XNextEvent(self.display, ctypes.byref(event))
            if event.type == SelectionRequest:
                self.answer_request(event, payload)
            elif kind and event.type == ClientMessage and event.xclient.message_type == self.a[kind]:
                return event.xclient
        return None

    def drop(self, x, y, files, attempts=3):
        target, version = self.target_at(x, y)
        version = min(int(version), 5)
        payload = "".join(file_uri(f) + "\r\n" for f in files).encode()
        xlib.XSetSelectionOwner(self.display, self.a["XdndSelection"], self.source, 0)
        # A hand hovers a moment before it lets go: the target may answer
        # the first position before it has looked at what is dragged, so a
        # refusal is met by hovering again, as a user would.
        for attempt in range(attempts):
            self.send(target, "XdndEnter", self.source, version << 24, self.a["text/uri-list"], 0, 0)
            self.wait_for(target, "", payload, 0.3)
            self.send(target, "XdndPosition", self.source, 0, (x << 16) | y, 0, self.a["XdndActionCopy"])
            status = self.wait_for(target, "XdndStatus", payload, 10)
            if status is None:
                self.send(target, "XdndLeave", self.source, 0, 0, 0, 0)
                raise DropError("the window did not answer the drag")
            if status.l[1] & 1:
                break
            self.send(target, "XdndLeave", self.source, 0, 0, 0, 0)
            if attempt == attempts - 1:
                raise DropError("the window refused the drop %d times" % attempts)
            self.wait_for(target, "", payload, 0.5)
        self.send(target, "XdndDrop", self.source, 0, 0, 0, 0)
        # Version 2 and later targets say when they are done; until then
        # they may still ask for the data.
        if version >= 2 and self.wait_for(target, "XdndFinished", payload, 10) is None:
            raise DropError("the window did not finish the drop")
        xlib.XSync(self.display, 0)


def serve(folder):
    request = os.path.join(folder, "drop-request.txt")
    done = os.path.join(folder, "drop-done.txt")
    while True:
        if not os.path.exists(request):
            time.sleep(0.05)
            continue
        time.sleep(0.1)  # the writer has closed it
        with open(request, encoding="utf-8") as f:
            lines = [line.rstrip("\r\n") for line in f if line.strip()]
        os.remove(request)
        if lines and lines[0] == "quit":
            return 0
        try:
            x, y = (int(v) for v in lines[0].split())
            dropper = Dropper()
            try:
                dropper.drop(x, y, [unix_path(name) for name in lines[1:]])
            finally:
                dropper.close()
            answer = "ok"
        except (DropError, ValueError, IndexError) as e:
            answer = "error: %s" % e
        with open(done + ".part", "w", encoding="utf-8") as f:
            f.write(answer + "\n")
        os.replace(done + ".part", done)


def main(argv):
    if len(argv) == 3 and argv[1] == "--serve":
        return serve(argv[2])
    if len(argv) < 4:
        sys.stderr.write(__doc__)
        return 2
    try:
        dropper = Dropper()
        try:
            dropper.drop(int(argv[1]), int(argv[2]), argv[3:])
        finally:
            dropper.close()
    except (DropError, ValueError) as e:
        sys.stderr.write("xdnd-drop: %s\n" % e)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
