"""A wx window's pixels as GTK draws it, never read from the screen.

GTK draws the window and everything in it (native child windows such as the image panel
included, each through its own paint handler) into a cairo image surface of ours. That is right
under X11, XWayland and Wayland alike, where reading the screen back (wx.ScreenDC,
wx.ClientDC) gives black on Wayland and may give stale or black pixels elsewhere."""

import ctypes

import numpy as np

CAIRO_FORMAT_ARGB32 = 0
CAIRO_STATUS_SUCCESS = 0


class RenderError(RuntimeError):
    """The window could not be drawn; the message says why."""


def _libs():
    try:
        gtk = ctypes.CDLL("libgtk-3.so.0")
        cairo = ctypes.CDLL("libcairo.so.2")
    except OSError as e:
        raise RenderError(f"GTK 3 and cairo are needed to draw a window ({e})") from None
    vp, i = ctypes.c_void_p, ctypes.c_int
    for lib, name, res, args in [
        (gtk, "gtk_widget_draw", None, [vp, vp]),
        (gtk, "gtk_widget_get_allocated_width", i, [vp]),
        (gtk, "gtk_widget_get_allocated_height", i, [vp]),
        (gtk, "gtk_widget_get_realized", i, [vp]),
        (gtk, "gtk_widget_is_toplevel", i, [vp]),
        (gtk, "gtk_bin_get_child", vp, [vp]),
        (gtk, "gtk_widget_get_toplevel", vp, [vp]),
        (gtk, "gtk_container_check_resize", None, [vp]),
        (gtk, "gtk_widget_translate_coordinates", i, [vp, vp, i, i, ctypes.POINTER(i),
                                                      ctypes.POINTER(i)]),
        (gtk, "gdk_display_get_default", vp, []),
        (gtk, "gdk_x11_display_get_type", ctypes.c_size_t, []),
        (gtk, "g_type_check_instance_is_a", i, [vp, ctypes.c_size_t]),
        (cairo, "cairo_image_surface_create", vp, [i, i, i]),
        (cairo, "cairo_create", vp, [vp]),
        (cairo, "cairo_translate", None, [vp, ctypes.c_double, ctypes.c_double]),
        (cairo, "cairo_status", i, [vp]),
        (cairo, "cairo_surface_status", i, [vp]),
        (cairo, "cairo_surface_flush", None, [vp]),
        (cairo, "cairo_image_surface_get_data", vp, [vp]),
        (cairo, "cairo_image_surface_get_stride", i, [vp]),
        (cairo, "cairo_destroy", None, [vp]),
        (cairo, "cairo_surface_destroy", None, [vp]),
    ]:
        f = getattr(lib, name)
        f.restype, f.argtypes = res, args
    return gtk, cairo


def on_x11():
    """Whether GTK draws through an X11 display here (X11 or XWayland, not Wayland)."""
    gtk, _ = _libs()
    display = gtk.gdk_display_get_default()
    return bool(display) and bool(
        gtk.g_type_check_instance_is_a(display, gtk.gdk_x11_display_get_type()))


def _drawn_widget(gtk, window):
    widget = int(window.GetGtkWidget())
    if not widget:
        raise RenderError("the window has no GTK widget")
    if gtk.gtk_widget_is_toplevel(widget):
        # The window's own contents, without what the desktop draws around them.
        content = gtk.gtk_bin_get_child(widget)
        if content:
            return content
    return widget


def size_of(window):
    """(width, height) that render(window) gives now."""
    gtk, _ = _libs()
    widget = _drawn_widget(gtk, window)
    return gtk.gtk_widget_get_allocated_width(widget), gtk.gtk_widget_get_allocated_height(widget)


def origin_in(window, top):
    """Where `window`'s client area lies in render(top): (x, y) in its pixels."""
    gtk, _ = _libs()
    x, y = ctypes.c_int(), ctypes.c_int()
    inner = int(window.GetGtkWidget())
    # wx draws a window's client area in its own inner widget when it has one (scrolled and
    # bordered windows); its top-left is what a client DC and the paint handler call (0, 0).
    if not gtk.gtk_widget_translate_coordinates(
            inner, _drawn_widget(gtk, top), 0, 0, ctypes.byref(x), ctypes.byref(y)):
        raise RenderError("the window is not inside the top-level window")
    return x.value, y.value


def render(window):
    """RGB pixels (rows, cols, 3) of `window` as GTK draws it now. A top-level window is drawn
    without the decorations that the desktop may add (its title bar, shadows): its menu bar,
    tool bar, client area and status bar, the same on every backend. RenderError when it
    cannot be drawn (not shown yet, no GTK)."""
    gtk, cairo = _libs()
    widget = _drawn_widget(gtk, window)
    if not gtk.gtk_widget_get_realized(widget):
        raise RenderError("the window is not shown yet")
    # A window shown or resized just now may still wait for its layout, which GTK does on its
    # next frame; drawing before it is refused. Lay it out now instead.
    top = gtk.gtk_widget_get_toplevel(widget)
    if gtk.gtk_widget_is_toplevel(top):
        gtk.gtk_container_check_resize(top)
    w = gtk.gtk_widget_get_allocated_width(widget)
    h = gtk.gtk_widget_get_allocated_height(widget)
    if w <= 1 or h <= 1:
        raise RenderError(f"the window has no size yet ({w} x {h})")
    surface = cairo.cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h)
    if cairo.cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS:
        cairo.cairo_surface_destroy(surface)
        raise RenderError(f"no {w} x {h} image surface")
    cr = cairo.cairo_create(surface)
    try:
        if top != widget and gtk.gtk_widget_is_toplevel(top):
            # The top-level window draws its background under the contents; they are drawn
            # where they lie in it, the decorations around them falling outside the image.
            x, y = ctypes.c_int(), ctypes.c_int()
            if not gtk.gtk_widget_translate_coordinates(widget, top, 0, 0, ctypes.byref(x),
                                                        ctypes.byref(y)):
                raise RenderError("the window's contents are not inside it")
            cairo.cairo_translate(cr, -x.value, -y.value)
            gtk.gtk_widget_draw(top, cr)
        else:
            gtk.gtk_widget_draw(widget, cr)
        if cairo.cairo_status(cr) != CAIRO_STATUS_SUCCESS:
            raise RenderError("GTK could not draw the window")
        cairo.cairo_surface_flush(surface)
        stride = cairo.cairo_image_surface_get_stride(surface)
        raw = ctypes.string_at(cairo.cairo_image_surface_get_data(surface), stride * h)
    finally:
        cairo.cairo_destroy(cr)
        cairo.cairo_surface_destroy(surface)
    # ARGB32 is a native-endian 32-bit word per pixel: B, G, R, A in memory on little-endian.
    bgra = np.frombuffer(raw, np.uint8).reshape(h, stride // 4, 4)[:, :w]
    if np.little_endian:
        return np.ascontiguousarray(bgra[:, :, 2::-1])
    return np.ascontiguousarray(bgra[:, :, 1:])
