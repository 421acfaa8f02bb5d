"""The ROI list of the side pane: the panel's set of named ROIs, each with its shape and its area
and mean on the image shown. Selecting a row selects the ROI on the image and the other way
round; rows are renamed (F2, double click, Rename…) and deleted (Delete, the Delete button).

The list follows the panel's ROI-set callback (ROIs drawn with the tools, removed with Delete on
the image, selected, changed by undo) and the image (area and mean change with it). It is a
virtual list whose statistics are measured only for the rows drawn and kept until their ROI or
the image changes, so that a set of thousands of ROIs stays quick."""

import wx

from . import measurements, roi_set

# The last column takes the width left over.
COLUMNS = [("Name", 68), ("Shape", 78), ("Area", 52), ("Mean", 120)]


def mean_text(stats):
    """The per-channel means, short enough for the side pane ("12.5/80/3.1"); a dash without
    pixels. The Results window has them in full."""
    if not stats:
        return "–"
    return "/".join(measurements.display_text(round(float(v), 1)) for v in stats["mean"])


def row_cells(roi, stats):
    """The cells of one ROI: name, shape, area and mean."""
    return [roi_set.display_name(roi["id"], roi["name"]),
            measurements.shape_name(roi["mode"]) if roi_set.has_shape(roi) else "(empty)",
            str(stats["area"]) if stats else "0",
            mean_text(stats)]


class RoiList(wx.ListCtrl):
    """The rows of the panel's ROIs, in drawing order."""

    def __init__(self, parent):
        super().__init__(parent, style=wx.LC_REPORT | wx.LC_VIRTUAL | wx.LC_SINGLE_SEL)
        for i, (title, width) in enumerate(COLUMNS):
            self.InsertColumn(i, title, width=width)
        self.panel = None
        self.rois = []
        self._index = {}
        self._stats = {}  # id -> (the ROI's dict when measured, its statistics)
        self.Bind(wx.EVT_SIZE, self._on_size)

    def _on_size(self, event):
        event.Skip()
        last = len(COLUMNS) - 1
        used = sum(self.GetColumnWidth(c) for c in range(last))
        self.SetColumnWidth(last, max(COLUMNS[last][1], self.GetClientSize().width - used))

    def OnGetItemText(self, item, column):
        if item >= len(self.rois):
            return ""
        roi = self.rois[item]
        return row_cells(roi, self.stats(roi))[column]

    def stats(self, roi):
        """GetROIStats of a ROI, measured once for each shape it takes on each image."""
        kept = self._stats.get(roi["id"])
        if kept is not None and kept[0] == roi:
            return kept[1]
        stats = self.panel.GetROIStats(roi["id"]) if self.panel is not None else {}
        self._stats[roi["id"]] = (roi, stats)
        return stats

    def set_rois(self, rois):
        self.rois = rois
        self._index = {r["id"]: i for i, r in enumerate(rois)}
        for gone in set(self._stats) - set(self._index):
            del self._stats[gone]
        self.SetItemCount(len(rois))
        self.Refresh()

    def replace(self, roi):
        """Shows a new state of one ROI (the selected one while it is dragged)."""
        row = self._index.get(roi["id"])
        if row is not None and self.rois[row] != roi:
            self.rois[row] = roi
            self.RefreshItem(row)

    def forget_stats(self):
        self._stats.clear()
        self.Refresh()

    def row_of(self, roi_id):
        return self._index.get(roi_id)

    def selected_id(self):
        row = self.GetFirstSelected()
        return self.rois[row]["id"] if 0 <= row < len(self.rois) else None


class RoiListPane(wx.Panel):
    """The list with its Rename and Delete buttons. attach(panel, on_change) connects it to the
    image panel; on_change() is called after each change of the set (the frame's readout)."""

    def __init__(self, parent):
        super().__init__(parent)
        self.list = RoiList(self)
        self.panel = None
        self.on_change = None
        self._pending = False
        self._showing = False  # selecting a row to show the panel's selection
        rename = wx.Button(self, label="Rename…", style=wx.BU_EXACTFIT)
        delete = wx.Button(self, wx.ID_DELETE, "Delete", style=wx.BU_EXACTFIT)
        rename.SetToolTip("Rename the selected ROI (F2)")
        delete.SetToolTip("Remove the selected ROI from the image (Delete)")
        buttons = wx.BoxSizer(wx.HORIZONTAL)
        buttons.Add(rename, 0, wx.RIGHT, 4)
        buttons.Add(delete, 0)
        sizer = wx.BoxSizer(wx.VERTICAL)
        sizer.Add(self.list, 1, wx.EXPAND)
        sizer.Add(buttons, 0, wx.TOP, 4)
        self.SetSizer(sizer)
        rename.Bind(wx.EVT_BUTTON, lambda e: self.ask_rename())
        delete.Bind(wx.EVT_BUTTON, lambda e: self.delete())
        self.list.Bind(wx.EVT_LIST_ITEM_SELECTED, self._on_selected)
        self.list.Bind(wx.EVT_LIST_ITEM_ACTIVATED, lambda e: self.ask_rename())
        self.list.Bind(wx.EVT_LIST_KEY_DOWN, self._on_key)

    def attach(self, panel, on_change=None):
        """Follows `panel`'s set from now on; drawing with a tool adds a ROI to it."""
        self.panel = self.list.panel = panel
        self.on_change = on_change
        panel.SetMultiROI(True)
        panel.SetOnROISetChangedCallback(lambda action, roi_id: self.set_changed())
        self.sync()

    # --- what changes the rows

    def set_changed(self):
        """The set changed (a ROI added, changed, removed or selected): the rows are read again
        once the current events are handled, however many changes they bring."""
        if not self._pending:
            self._pending = True
            wx.CallAfter(self._changed)

    def _changed(self):
        self._pending = False
        if not self or self.panel is None:
            return  # the window closed before the call came
        self.sync()
        if self.on_change is not None:
            self.on_change()

    def roi_changed(self):
        """The selected ROI changed (also while it is dragged): its row follows."""
        if self.panel is None:
            return
        selected = self.panel.GetSelectedROI()
        if selected is not None and self.list.row_of(selected) is not None:
            self.list.replace(self.panel.GetROI(selected))

    def image_changed(self):
        """Area and mean are the image's: measured again for the new one."""
        self.list.forget_stats()

    def sync(self):
        self._pending = False
        if not self or self.panel is None:
            return  # the window closed before the call came
        self.list.set_rois(self.panel.GetROIs())
        self._show_selection(self.panel.GetSelectedROI())

    def _show_selection(self, roi_id):
        row = self.list.row_of(roi_id)
        current = self.list.GetFirstSelected()
        if current == (-1 if row is None else row):
            return
        self._showing = True
        try:
            if current != -1:
                self.list.Select(current, False)
            if row is not None:
                self.list.Select(row)
                self.list.EnsureVisible(row)
        finally:
            self._showing = False

    # --- what the user does in the list

    def _on_selected(self, event):
        if self._showing or self.panel is None:
            return
        roi_id = self.list.selected_id()
        if roi_id is not None and roi_id != self.panel.GetSelectedROI():
            self.select(roi_id)

    def _on_key(self, event):
        key = event.GetKeyCode()
        if key in (wx.WXK_DELETE, wx.WXK_BACK):
            self.delete()
        elif key == wx.WXK_F2:
            self.ask_rename()
        else:
            event.Skip()

    def select(self, roi_id):
        """Makes a ROI the panel's selected (editing) ROI."""
        self.panel.SelectROI(roi_id)
        self.set_changed()

    def delete(self, roi_id=None):
        """Removes a ROI (by default the selected row's); False when there is none."""
        roi_id = self.list.selected_id() if roi_id is None else roi_id
        if roi_id is None or self.panel is None or not self.panel.RemoveROI(roi_id):
            return False
        self.set_changed()
        return True

    def ask_rename(self):
        roi_id = self.list.selected_id()
        if roi_id is None or self.panel is None:
            return
        name = self.panel.GetROI(roi_id)["name"]
        with wx.TextEntryDialog(self, "Name of the ROI:", "Rename ROI", name) as dlg:
            if dlg.ShowModal() == wx.ID_OK:
                self.rename(roi_id, dlg.GetValue())

    def rename(self, roi_id, name):
        """Renames a ROI; leading and trailing blanks are dropped, an empty name leaves it
        unnamed ("ROI <id>" in the list and in measurements)."""
        self.panel.RenameROI(roi_id, name.strip())
        self.set_changed()
