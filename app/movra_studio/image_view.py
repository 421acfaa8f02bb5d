"""The image area: a host window holding one MovraROIAdvPanel, and what the application keeps
about the shown image (its pixels for the pointer readout, its information, the edge mask and
the overlays it asked for). The panel forgets or replaces some of that on a failed load, so the
application's own copy is the one shown."""

import os

import numpy as np
import wx

EDGE_COLOUR = (255, 255, 0)  # cyan (B, G, R)
EDGE_ALPHA = 0.8
CANNY_THRESHOLDS = (50.0, 150.0)


class OpenError(Exception):
    """A file that could not be shown; the message says why, in words for the user."""


def check_openable(path):
    """Raises OpenError for paths that cannot be an image file, before the panel sees them."""
    if not path:
        raise OpenError("no file name given")
    if "\0" in path:
        raise OpenError("the file name holds a NUL character")
    if not os.path.lexists(path):
        raise OpenError("the file does not exist")
    if os.path.isdir(path):
        raise OpenError("it is a folder, not an image file")
    if not os.path.isfile(path):
        raise OpenError("it is not a regular file")
    try:
        with open(path, "rb") as f:
            f.read(1)
    except OSError as e:
        raise OpenError(f"it cannot be read ({e.strerror or e})") from None


class ImageView(wx.Panel):
    """Call attach() once the frame is shown and laid out: the panel takes the area's size."""

    def __init__(self, parent, movra):
        super().__init__(parent, style=wx.BORDER_NONE)
        self.movra = movra
        self.panel = None
        self.window = None  # the panel as a wx.Window (for drop targets)
        self.path = None
        self.info = {}
        self.pixels = None  # the image as loaded (8-bit, file's channel layout)
        self.alpha = None  # a file's alpha plane, which the panel does not keep
        self.edges_on = False
        self._edge_mask = None
        self.overlays = []  # AppendOverlay argument tuples of the host's own shapes
        self.texts = []  # (index, AppendText argument tuple) of the labels shown
        self.SetBackgroundColour(wx.Colour(40, 42, 46))
        self.Bind(wx.EVT_SIZE, self._on_size)

    # --- creation

    def attach(self):
        w, h = self.GetClientSize()
        before = set(self.GetChildren())
        # Given the window itself, the module embeds at once, without waiting for a native
        # handle.
        self.panel = self.movra.MovraROIAdvPanel(
            self, x=0, y=0, width=max(w, 1), height=max(h, 1)
        )
        # The same wx window seen from wxPython: the child it added here. (Native handles name
        # only the top-level window on Wayland.)
        self.window = next((c for c in self.GetChildren() if c not in before), None)
        p = self.panel
        p.SetCanvasBgColor(40, 42, 46)
        p.SetCenterImageEnable(True)
        # Phone photos taken sideways carry their turn in EXIF; show them as taken.
        p.SetAutoOrient(True)
        p.SetFuncEnable(menu_enable=True, crop_enable=True, move_enable=True)
        p.SetMenuROIEnable()
        p.SetROIMode(3)
        return p

    def detach(self):
        """Drops the panel (and the callbacks it holds) before the window goes."""
        self.panel = None
        self.window = None

    def _on_size(self, event):
        event.Skip()
        if self.panel is not None:
            w, h = self.GetClientSize()
            if w > 0 and h > 0:
                self.panel.SetSize(w, h)

    # --- images

    def load(self, path):
        """Shows the image file at `path`; OpenError when it cannot. A failed load leaves the
        previous image, its information and its overlays as they were."""
        check_openable(path)
        try:
            ok = self.panel.LoadImage(path)
        except RuntimeError as e:
            ok = False
            reason = f"it could not be decoded ({e})"
        else:
            reason = "it is not an image this program can read, or it is damaged"
        if not ok:
            # The panel hid the overlays and replaced its file information when it tried.
            self._apply_overlays()
            raise OpenError(reason)
        self.loaded(path)

    def loaded(self, path):
        """What follows a successful load of `path` into the panel (here or in the background)."""
        self.path = path
        self._image_changed(self.panel.GetLoadedImageInfo())

    def show_array(self, image, label):
        self.panel.SetMat(image)
        self.path = label
        self._image_changed(self.panel.GetLoadedImageInfo())

    def _image_changed(self, info):
        self.info = info
        self.pixels = self.panel.GetRawMat()
        self.alpha = self._file_alpha(info)
        self._edge_mask = None
        self.overlays = []
        # The panel keeps texts for ever; labels of the previous image are hidden instead.
        for index, args in self.texts:
            self.panel.UpdateText(index, *args, show=False)
        self.texts = []
        # The ROIs stay: the same regions are checked on each image.
        # A verdict belongs to the image it was given for.
        self.panel.SetResultLogo(False, 0)
        self._apply_overlays()

    def _file_alpha(self, info):
        """The alpha plane of a four-channel file: the panel shows colour only, but the pixel
        readout names what the file holds."""
        if info.get("channels") != 4 or self.pixels is None or self.pixels.ndim != 3:
            return None
        if not self.path or not os.path.isfile(self.path):
            return None
        engine = self.movra.MovraEngine()
        if not engine.LoadImage(self.path, -1):  # IMREAD_UNCHANGED keeps the alpha
            return None
        whole = engine.GetMat()
        if whole.ndim != 3 or whole.shape[2] != 4 or whole.shape[:2] != self.pixels.shape[:2]:
            return None
        return whole[:, :, 3].copy()

    def has_image(self):
        return self.pixels is not None and self.pixels.size > 0

    def image_size(self):
        """(width, height) of the shown image, (0, 0) without one."""
        if not self.has_image():
            return 0, 0
        return self.pixels.shape[1], self.pixels.shape[0]

    def pixel_text(self, x, y):
        """The pixel under image point (x, y) as text, or None outside the image."""
        if not self.has_image():
            return None
        ix, iy = int(np.floor(x)), int(np.floor(y))
        h, w = self.pixels.shape[:2]
        if not (0 <= ix < w and 0 <= iy < h):
            return None
        # The source values (16-bit and float images as they are), else the 8-bit ones.
        v = self.panel.GetSourcePixel(ix, iy) if self.panel is not None else None
        if v is None:
            v = tuple(int(c) for c in np.ravel(self.pixels[iy, ix]))
        if len(v) == 3 and self.alpha is not None:
            v = (*v, int(self.alpha[iy, ix]))
        v = [f"{c:g}" if isinstance(c, float) else str(c) for c in v]
        if len(v) == 1:
            return f"grey {v[0]}"
        if len(v) == 3:
            return f"RGB {v[2]}, {v[1]}, {v[0]}"
        if len(v) == 4:
            return f"RGBA {v[2]}, {v[1]}, {v[0]}, {v[3]}"
        return " ".join(v)

    def region(self, box):
        """A copy of the loaded image's pixels inside box (x0, y0, x1, y1)."""
        x0, y0, x1, y1 = box
        return np.ascontiguousarray(self.pixels[y0:y1, x0:x1])

    # --- overlays

    def add_overlay(self, mode, points, colour, size=2, angle=0.0):
        self.overlays.append((mode, points, colour, size, angle))
        self._apply_overlays()

    def add_text(self, lines, position, colour, font_height=16, background=None):
        args = (lines, position, colour, font_height, "", background)
        self.texts.append((self.panel.AppendText(*args), args))
        self.panel.Refresh()

    def set_edges(self, on):
        self.edges_on = bool(on)
        self._apply_overlays()

    def edge_mask(self):
        if self._edge_mask is None and self.has_image():
            engine = self.movra.MovraEngine()
            engine.SetMat(self.panel.GetMat())
            engine.GaussianBlur(5, 1.4)
            self._edge_mask = engine.Canny(*CANNY_THRESHOLDS)
        return self._edge_mask

    def _apply_overlays(self):
        p = self.panel
        p.ClearOverlay()
        for args in self.overlays:
            p.AppendOverlay(*args)
        if self.edges_on and self.edge_mask() is not None:
            p.AppendMaskOverlay(self.edge_mask(), EDGE_COLOUR, EDGE_ALPHA)
        p.SetDisplayOverlay(bool(self.overlays or self.texts) or self.edges_on)
        p.Refresh()
