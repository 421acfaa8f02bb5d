"""The side pane: image information, the list of ROIs, the live readout of the selected one,
and the inspection controls."""

import wx

from . import commands
from .roi_list import RoiListPane

_RESULT_BUTTONS = [  # (command id, label, background colour)
    (commands.RESULT_PASS, "Pass", wx.Colour(60, 170, 80)),
    (commands.RESULT_FAIL, "Fail", wx.Colour(200, 55, 55)),
    (commands.RESULT_RECYCLE, "Recycle", wx.Colour(150, 150, 150)),
    (commands.RESULT_NONE, "Clear", None),
]


class PropertyList(wx.ListCtrl):
    """A two-column list of (label, value) rows."""

    def __init__(self, parent, label_width=100):
        super().__init__(parent, style=wx.LC_REPORT | wx.LC_NO_HEADER | wx.LC_SINGLE_SEL)
        self.InsertColumn(0, "Property", width=label_width)
        self.InsertColumn(1, "Value", width=200)
        self._rows = []
        self.Bind(wx.EVT_SIZE, self._on_size)

    def set_rows(self, rows):
        if rows == self._rows:
            return
        self._rows = list(rows)
        self.Freeze()
        self.DeleteAllItems()
        for i, (label, value) in enumerate(rows):
            self.InsertItem(i, label)
            self.SetItem(i, 1, value)
        self.Thaw()

    def rows(self):
        return list(self._rows)

    def _on_size(self, event):
        event.Skip()
        width = self.GetClientSize().width - self.GetColumnWidth(0)
        self.SetColumnWidth(1, max(80, width))


def _heading(parent, text):
    label = wx.StaticText(parent, label=text)
    label.SetFont(label.GetFont().Bold())
    return label


class SidePane(wx.Panel):
    def __init__(self, parent):
        super().__init__(parent)
        self.info = PropertyList(self)
        self.rois = RoiListPane(self)
        self.readout = PropertyList(self)
        self.edges = wx.ToggleButton(self, commands.EDGES, "Edges")
        self.edges.SetToolTip("Show the image's Canny edges as an overlay (Ctrl+E)")
        results = wx.BoxSizer(wx.HORIZONTAL)
        for cid, label, colour in _RESULT_BUTTONS:
            button = wx.Button(self, cid, label, style=wx.BU_EXACTFIT)
            if colour is not None:
                button.SetBackgroundColour(colour)
                button.SetForegroundColour(wx.WHITE)
            results.Add(button, 1, wx.RIGHT, 4)
            # Buttons send EVT_BUTTON; the frame handles the menu command of the same id.
            button.Bind(wx.EVT_BUTTON, self._as_menu_command)

        sizer = wx.BoxSizer(wx.VERTICAL)
        sizer.Add(_heading(self, "Image"), 0, wx.ALL, 6)
        sizer.Add(self.info, 3, wx.EXPAND | wx.LEFT | wx.RIGHT, 6)
        sizer.Add(_heading(self, "ROIs"), 0, wx.ALL, 6)
        sizer.Add(self.rois, 3, wx.EXPAND | wx.LEFT | wx.RIGHT, 6)
        sizer.Add(_heading(self, "Selected ROI"), 0, wx.ALL, 6)
        sizer.Add(self.readout, 3, wx.EXPAND | wx.LEFT | wx.RIGHT, 6)
        sizer.Add(_heading(self, "Inspection"), 0, wx.ALL, 6)
        sizer.Add(self.edges, 0, wx.EXPAND | wx.LEFT | wx.RIGHT, 6)
        sizer.Add(results, 0, wx.EXPAND | wx.ALL, 6)
        self.SetSizer(sizer)

    def _as_menu_command(self, event):
        self.GetEventHandler().ProcessEvent(
            wx.CommandEvent(wx.wxEVT_MENU, event.GetId())
        )
