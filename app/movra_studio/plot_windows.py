"""The Profile and Histogram windows: curves per channel drawn by wx.lib.plot. The workbench
feeds them the numbers (profile_data) whenever the ROI or the image changes; closing a window
only hides it."""

import numpy as np
import wx
import wx.lib.plot as wxplot

from . import dialogs, profile_data


class _PlotWindow(wx.Frame):
    def __init__(self, parent, title, size):
        super().__init__(parent, title=title, size=size,
                         style=wx.DEFAULT_FRAME_STYLE | wx.FRAME_FLOAT_ON_PARENT)
        self.panel = wx.Panel(self)
        self.controls = wx.BoxSizer(wx.HORIZONTAL)
        self.canvas = wxplot.PlotCanvas(self.panel)
        self.canvas.enableLegend = True
        self.canvas.SetBackgroundColour(wx.WHITE)
        self.note = wx.StaticText(self.panel, label="")
        sizer = wx.BoxSizer(wx.VERTICAL)
        sizer.Add(self.controls, 0, wx.EXPAND | wx.ALL, 4)
        sizer.Add(self.canvas, 1, wx.EXPAND)
        self.panel.SetSizer(sizer)
        self.Bind(wx.EVT_CLOSE, self._on_close)

    def _on_close(self, event):
        if event.CanVeto():
            self.Hide()
        else:
            event.Skip()

    def _draw(self, lines, title, x_label, y_label, x_range=None):
        if not lines:
            self.canvas.Clear()
            return
        self.canvas.Draw(wxplot.PlotGraphics(lines, title, x_label, y_label), xAxis=x_range)

    @staticmethod
    def _line(points, colour, legend):
        return wxplot.PolyLine(points, colour=wx.Colour(*colour), width=1, legend=legend)


class ProfileWindow(_PlotWindow):
    """on_width(width) is called when the user changes the sampling width."""

    def __init__(self, parent, on_width=None):
        super().__init__(parent, "Line profile", (640, 380))
        self.on_width = on_width
        self.profile = None
        self.controls.Add(wx.StaticText(self.panel, label="Width"), 0,
                          wx.ALIGN_CENTER_VERTICAL | wx.RIGHT, 4)
        self.width_ctrl = wx.SpinCtrl(self.panel, min=1, max=99, initial=1, size=(70, -1))
        self.controls.Add(self.width_ctrl, 0, wx.RIGHT, 12)
        save = wx.Button(self.panel, label="Save CSV…")
        self.controls.Add(save, 0, wx.RIGHT, 12)
        self.controls.Add(self.note, 1, wx.ALIGN_CENTER_VERTICAL)
        self.width_ctrl.Bind(wx.EVT_SPINCTRL, lambda e: self.on_width and self.on_width(
            self.width()))
        save.Bind(wx.EVT_BUTTON, lambda e: self.ask_save())

    def width(self):
        return self.width_ctrl.GetValue()

    def show_profile(self, profile, note=""):
        """Plots an (n, channels) profile; None shows `note` (why there is none) only."""
        self.profile = None if profile is None else np.asarray(profile)
        self.note.SetLabel(note)
        if self.profile is None:
            self._draw([], "", "", "")
            return
        channels = self.profile.shape[1]
        names = profile_data.channel_names(channels)
        colours = profile_data.channel_colours(channels)
        lines = [self._line(points, colours[c], names[c])
                 for points, c in profile_data.profile_curves(self.profile) if len(points)]
        self._draw(lines, "", "distance along the line (px)", "value")

    def ask_save(self):
        if self.profile is None:
            return
        path = dialogs.ask_csv_path(self, "Save profile")
        if path:
            self.save_csv(path)

    def save_csv(self, path):
        try:
            profile_data.save_profile_csv(path, self.profile)
        except OSError as e:
            dialogs.message(self, "Save profile", f"Cannot write “{path}”: {e.strerror or e}.")
            return False
        return True


class HistogramWindow(_PlotWindow):
    def __init__(self, parent):
        super().__init__(parent, "Histogram", (640, 380))
        self.controls.Add(self.note, 1, wx.ALIGN_CENTER_VERTICAL)
        self.counts = None

    def show_histogram(self, edges, counts, note):
        """Plots counts[b, c] over the bins' lower edges; None: only the note."""
        self.counts = counts
        self.note.SetLabel(note)
        if counts is None:
            self._draw([], "", "", "")
            return
        channels = counts.shape[1]
        names = profile_data.channel_names(channels)
        colours = profile_data.channel_colours(channels)
        lines = [self._line(np.column_stack([edges[:-1], counts[:, c]]), colours[c], names[c])
                 for c in range(channels)]
        self._draw(lines, "", "value", "pixels", (float(edges[0]), float(edges[-1])))
