"""Toolbar pictures for the ROI tools and zoom commands, drawn at run time (wx's art provider
has none for these)."""

import math

import wx

SIZE = 24
INK = wx.Colour(40, 44, 52)
ACCENT = wx.Colour(30, 150, 60)


def _draw(paint):
    bmp = wx.Bitmap.FromRGBA(SIZE, SIZE, 0, 0, 0, 0)
    dc = wx.MemoryDC(bmp)
    gc = wx.GraphicsContext.Create(dc)
    gc.SetPen(gc.CreatePen(wx.GraphicsPenInfo(INK).Width(2)))
    gc.SetBrush(wx.TRANSPARENT_BRUSH)
    paint(gc)
    del gc
    dc.SelectObject(wx.NullBitmap)
    return bmp


def _line(gc, *pts):
    gc.StrokeLines([wx.Point2D(x, y) for x, y in pts])


def _dot(gc, x, y, r=2.5, colour=ACCENT):
    gc.SetBrush(wx.Brush(colour))
    gc.DrawEllipse(x - r, y - r, 2 * r, 2 * r)
    gc.SetBrush(wx.TRANSPARENT_BRUSH)


def _point(gc):
    _line(gc, (12, 4), (12, 20))
    _line(gc, (4, 12), (20, 12))
    _dot(gc, 12, 12, 3.5)


def _segment(gc):
    _line(gc, (4, 20), (20, 4))
    _line(gc, (13, 4), (20, 4), (20, 11))
    _dot(gc, 4, 20)


def _rectangle(gc):
    gc.DrawRectangle(3, 6, 18, 12)


def _rotated_rectangle(gc):
    c, s = math.cos(math.radians(-30)), math.sin(math.radians(-30))
    pts = [
        (12 + dx * c - dy * s, 12 + dx * s + dy * c)
        for dx, dy in ((-9, -5), (9, -5), (9, 5), (-9, 5), (-9, -5))
    ]
    _line(gc, *pts)
    _dot(gc, *pts[1], colour=wx.Colour(210, 40, 40))


def _circle(gc):
    gc.DrawEllipse(3, 3, 18, 18)
    _dot(gc, 12, 12, 1.5)


def _annulus(gc):
    path = gc.CreatePath()
    path.AddArc(12, 12, 10, math.radians(200), math.radians(340), True)
    path.AddArc(12, 12, 5, math.radians(340), math.radians(200), False)
    path.CloseSubpath()
    gc.StrokePath(path)


def _polygon(gc):
    pts = [(12, 3), (21, 10), (17, 21), (6, 20), (3, 9), (12, 3)]
    _line(gc, *pts)
    for p in pts[:-1]:
        _dot(gc, *p, r=1.8)


def _magnifier(sign):
    def paint(gc):
        gc.DrawEllipse(3, 3, 13, 13)
        gc.SetPen(gc.CreatePen(wx.GraphicsPenInfo(INK).Width(3)))
        _line(gc, (14.5, 14.5), (21, 21))
        gc.SetPen(gc.CreatePen(wx.GraphicsPenInfo(INK).Width(1.5)))
        _line(gc, (6.5, 9.5), (12.5, 9.5))
        if sign == "+":
            _line(gc, (9.5, 6.5), (9.5, 12.5))

    return paint


def _fit(gc):
    gc.DrawRectangle(3, 5, 18, 14)
    for (x0, y0), (x1, y1) in (((7, 9), (10, 9)), ((7, 9), (7, 12))):
        _line(gc, (x0, y0), (x1, y1))
    _line(gc, (17, 15), (14, 15))
    _line(gc, (17, 15), (17, 12))


def _actual_size(gc):
    gc.SetFont(wx.Font(wx.FontInfo(8).Bold()), INK)
    w, h = gc.GetTextExtent("1:1")
    gc.DrawText("1:1", (SIZE - w) / 2, (SIZE - h) / 2)


def _edges(gc):
    gc.SetPen(gc.CreatePen(wx.GraphicsPenInfo(wx.Colour(0, 160, 190)).Width(2)))
    _line(gc, (3, 18), (8, 6), (12, 16), (16, 5), (21, 15))


def _crop(gc):
    _line(gc, (7, 2), (7, 17), (22, 17))
    _line(gc, (2, 7), (17, 7), (17, 22))


_PAINTERS = {
    "point": _point,
    "line": _segment,
    "rectangle": _rectangle,
    "rotated_rectangle": _rotated_rectangle,
    "circle": _circle,
    "annulus": _annulus,
    "polygon": _polygon,
    "zoom_in": _magnifier("+"),
    "zoom_out": _magnifier("-"),
    "zoom_fit": _fit,
    "zoom_100": _actual_size,
    "edges": _edges,
    "crop": _crop,
}


def icon(name):
    """A SIZE × SIZE bitmap with transparency for one of the names above."""
    return _draw(_PAINTERS[name])
