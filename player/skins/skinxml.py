"""A small writer for skin descriptions: forms, their sprites ("BMP"),
mouse bindings ("Message") and nested forms, written in the attribute order
the loader reads them."""

from xml.sax.saxutils import quoteattr

# Attributes written first, in this order; any others follow as given.
_FIRST = ["Name", "Type", "Title", "NumberOfStates", "CacheMessage", "SpriteDX", "SpriteDY",
          "BoundsX", "BoundsY", "BoundsW", "BoundsH", "Message", "UpMessage", "DownMessage",
          "ScrollMessage", "PlayItemMessage", "OnStartMessage", "OnFinishMessage",
          "XCoord", "YCoord", "Width", "Height"]


class Form:
    def __init__(self, name, type_, x=0, y=0, w=0, h=0, **attrs):
        self.attrs = {"Name": name, "Type": type_, "XCoord": x, "YCoord": y, "Width": w, "Height": h}
        self.attrs.update({k: v for k, v in attrs.items() if v is not None})
        self.bmps = []
        self.messages = []
        self.children = []
        self.comment = None

    @property
    def name(self):
        return self.attrs["Name"]

    def add(self, child):
        self.children.append(child)
        return child

    def bmp(self, slot, rect, state=0):
        self.bmps.append((slot, rect, state))
        return self

    def on(self, capture, send):
        self.messages.append((capture, send))
        return self

    def walk(self):
        yield self
        for c in self.children:
            yield from c.walk()

    def xml(self, indent="  "):
        keys = [k for k in _FIRST if k in self.attrs] + [k for k in self.attrs if k not in _FIRST]
        attrs = " ".join("%s=%s" % (k, quoteattr(str(self.attrs[k]))) for k in keys)
        lines = []
        if self.comment:
            lines.append("%s<!-- %s -->" % (indent, self.comment))
        if not (self.bmps or self.messages or self.children):
            lines.append("%s<Form %s/>" % (indent, attrs))
            return "\n".join(lines)
        lines.append("%s<Form %s>" % (indent, attrs))
        for slot, (sx, sy, sw, sh), state in self.bmps:
            lines.append('%s  <BMP Bitmap="%d" State="%d" SrcX="%d" SrcY="%d" SrcW="%d" SrcH="%d"/>'
                         % (indent, slot, state, sx, sy, sw, sh))
        for capture, send in self.messages:
            lines.append('%s  <Message Capture="%s" Send="%s"/>' % (indent, capture, send))
        for c in self.children:
            lines.append(c.xml(indent + "  "))
        lines.append("%s</Form>" % indent)
        return "\n".join(lines)


def document(root_name, bitmaps, forms, header=None):
    """bitmaps: list of (number, file name, critical)."""
    out = ['<?xml version="1.0" encoding="UTF-8"?>']
    if header:
        out.append("<!-- %s -->" % header)
    out.append("<%s>" % root_name)
    for number, name, critical in bitmaps:
        out.append('  <Bitmap Name="%s" Number="%d"%s/>' % (name, number, ' Critical="1"' if critical else ""))
    for f in forms:
        out.append(f.xml("  "))
    out.append("</%s>" % root_name)
    return "\n".join(out) + "\n"
