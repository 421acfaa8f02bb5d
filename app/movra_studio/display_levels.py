"""Display levels, colormap and a small histogram of the image or the ROI: a tool window of the
main frame (View ▸ Display levels…). The levels change what the screen shows only; the panel's
source values, measurements and saved files stay as they are."""

import numpy as np
import wx

COLORMAPS = ["gray", "viridis", "inferno", "magma", "plasma", "cividis", "turbo", "jet", "hot",
             "bone"]
HIST_BINS = 128
# At most about this many pixels feed the whole-image histogram.
_HIST_SAMPLES = 1_000_000


def histogram(panel):
    """(counts, edges, what) of the ROI's source values when the editing ROI has pixels, else of
    the whole image (a regular subsample of a large one); counts summed over channels. None
    without an image."""
    src = panel.GetSourceMat()
    if src.size == 0:
        return None
    integer = np.issubdtype(src.dtype, np.integer)
    if integer:
        info = np.iinfo(src.dtype)
        value_range = (int(info.min), int(info.max) + 1)
        if src.dtype == np.uint8:
            value_range = (0, 256)
        elif src.max() < value_range[1] - 1:
            value_range = (int(src.min()), int(src.max()) + 1)  # e.g. 12 bits in 16
    roi = panel.GetROIHistogram(HIST_BINS, value_range) if integer else None
    if roi is None and not integer:
        roi = panel.GetROIHistogram(HIST_BINS)
    if roi is not None:
        counts, edges = roi
        return (counts if counts.ndim == 1 else counts.sum(axis=0)), edges, "ROI"
    step = max(1, int(np.ceil(np.sqrt(src.shape[0] * src.shape[1] / _HIST_SAMPLES))))
    values = src[::step, ::step].ravel()
    values = values[np.isfinite(values)] if not integer else values
    if values.size == 0:
        return None
    counts, edges = np.histogram(values, HIST_BINS,
                                 range=value_range if integer else None)
    return counts, edges, "image"


class HistogramView(wx.Window):
    """Bars of a histogram (log-free, scaled to the tallest bar) with the levels marked."""

    def __init__(self, parent):
        super().__init__(parent, size=(280, 110))
        self.SetBackgroundStyle(wx.BG_STYLE_PAINT)
        self.data = None
        self.levels = None
        self.Bind(wx.EVT_PAINT, self._on_paint)

    def show(self, data, levels):
        self.data, self.levels = data, levels
        self.Refresh()

    def _on_paint(self, _event):
        dc = wx.AutoBufferedPaintDC(self)
        dc.SetBackground(wx.Brush(wx.Colour(30, 30, 30)))
        dc.Clear()
        if self.data is None:
            return
        counts, edges, _ = self.data
        w, h = self.GetClientSize()
        top = max(1, int(counts.max()))
        dc.SetPen(wx.Pen(wx.Colour(200, 200, 200)))
        for i, c in enumerate(counts):
            x = int(i * w / len(counts))
            dc.DrawLine(x, h, x, h - int(c * (h - 4) / top))
        if self.levels is not None:
            span = edges[-1] - edges[0]
            dc.SetPen(wx.Pen(wx.Colour(255, 190, 40)))
            for v in self.levels:
                x = int((v - edges[0]) * w / span) if span else 0
                dc.DrawLine(x, 0, x, h)


class LevelsWindow(wx.MiniFrame):
    def __init__(self, parent, panel_of):
        super().__init__(parent, title="Display levels", style=wx.CAPTION | wx.CLOSE_BOX
                         | wx.RESIZE_BORDER | wx.FRAME_FLOAT_ON_PARENT)
        self.panel_of = panel_of
        root = wx.Panel(self)
        self.low = wx.TextCtrl(root, size=(90, -1), style=wx.TE_PROCESS_ENTER)
        self.high = wx.TextCtrl(root, size=(90, -1), style=wx.TE_PROCESS_ENTER)
        self.apply = wx.Button(root, label="Apply")
        self.auto = wx.Button(root, label="Auto")
        self.reset = wx.Button(root, label="Reset")
        self.colormap = wx.Choice(root, choices=COLORMAPS)
        self.colormap.SetSelection(0)
        self.hist = HistogramView(root)
        self.note = wx.StaticText(root, label="")
        grid = wx.FlexGridSizer(2, 5, 4, 4)
        grid.Add(wx.StaticText(root, label="Low"), 0, wx.ALIGN_CENTER_VERTICAL)
        grid.Add(self.low)
        grid.Add(wx.StaticText(root, label="High"), 0, wx.ALIGN_CENTER_VERTICAL)
        grid.Add(self.high)
        grid.Add(self.apply)
        grid.Add(wx.StaticText(root, label="Map"), 0, wx.ALIGN_CENTER_VERTICAL)
        grid.Add(self.colormap)
        grid.AddSpacer(1)
        grid.Add(self.auto)
        grid.Add(self.reset)
        box = wx.BoxSizer(wx.VERTICAL)
        box.Add(grid, 0, wx.ALL, 6)
        box.Add(self.hist, 1, wx.EXPAND | wx.LEFT | wx.RIGHT, 6)
        box.Add(self.note, 0, wx.ALL, 6)
        root.SetSizer(box)
        box.SetSizeHints(self)
        self.apply.Bind(wx.EVT_BUTTON, lambda e: self.apply_typed())
        self.low.Bind(wx.EVT_TEXT_ENTER, lambda e: self.apply_typed())
        self.high.Bind(wx.EVT_TEXT_ENTER, lambda e: self.apply_typed())
        self.auto.Bind(wx.EVT_BUTTON, lambda e: self.set_auto())
        self.reset.Bind(wx.EVT_BUTTON, lambda e: self.set_levels(None))
        self.colormap.Bind(wx.EVT_CHOICE, lambda e: self.set_colormap(
            COLORMAPS[self.colormap.GetSelection()]))
        self.Bind(wx.EVT_CLOSE, lambda e: self.Hide())

    # --- actions (also for scripts and tests)

    def set_levels(self, levels):
        """levels: (low, high) or None for the default picture; False when refused."""
        panel = self.panel_of()
        if panel is None:
            return False
        try:
            panel.SetDisplayLevels(*(levels if levels is not None else (None,)))
        except ValueError as e:
            self.note.SetLabel(str(e))
            return False
        self.note.SetLabel("")
        self.refresh()
        return True

    def apply_typed(self):
        try:
            levels = (float(self.low.GetValue()), float(self.high.GetValue()))
        except ValueError:
            self.note.SetLabel("Low and high are numbers")
            return False
        return self.set_levels(levels)

    def set_auto(self):
        panel = self.panel_of()
        if panel is not None and panel.SetAutoLevels() is not None:
            self.refresh()

    def set_colormap(self, name):
        panel = self.panel_of()
        if panel is not None:
            panel.SetColormap(name)
            self.refresh()

    # --- state

    def refresh(self):
        """Shows the panel's levels, map and histogram (after a new image, ROI or change)."""
        panel = self.panel_of()
        if panel is None:
            return
        levels = panel.GetDisplayLevels()
        for ctrl, v in zip((self.low, self.high), levels or ("", "")):
            ctrl.ChangeValue(f"{v:g}" if levels else "")
        src = panel.GetSourceMat()
        grey = src.ndim == 2 and src.size > 0
        self.colormap.Enable(grey)
        name = panel.GetColormap()
        self.colormap.SetSelection(COLORMAPS.index(name) if name in COLORMAPS else 0)
        if self.IsShown():
            self.hist.show(histogram(panel), levels)


def install(frame, view_menu_title="View"):
    """Adds View ▸ Display levels… (Ctrl+L) to the frame's menu bar; returns the window."""
    window = LevelsWindow(frame, lambda: frame.view.panel)
    bar = frame.GetMenuBar()
    index = bar.FindMenu(view_menu_title)
    if index != wx.NOT_FOUND:
        item = bar.GetMenu(index).Append(wx.ID_ANY, "Display &levels…\tCtrl+L",
                                         "Display levels, colormap and histogram")

        def show(_event):
            window.Show()
            window.refresh()

        frame.Bind(wx.EVT_MENU, show, item)
    return window
