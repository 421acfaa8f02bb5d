"""The Results window: the measurement rows collected so far (Measure, Measure Folder), with
Copy (tab-separated, for spreadsheets), Save CSV and Clear. Closing only hides it: the rows
stay until cleared."""

import wx

from . import dialogs, measurements

COPY = wx.NewIdRef()
SAVE = wx.NewIdRef()
CLEAR = wx.NewIdRef()


class _RowList(wx.ListCtrl):
    """A virtual report list: it asks for the cells it shows, so thousands of rows cost
    nothing."""

    def __init__(self, parent):
        super().__init__(parent, style=wx.LC_REPORT | wx.LC_VIRTUAL | wx.LC_HRULES | wx.LC_VRULES)
        self.header = []
        self.cells = []

    def show(self, header, cells):
        if header != self.header:
            self.ClearAll()
            for i, name in enumerate(header):
                width = 150 if name in ("file", "error") else 80
                self.InsertColumn(i, name, wx.LIST_FORMAT_LEFT, width)
            self.header = header
        self.cells = cells
        self.SetItemCount(len(cells))
        if cells:
            self.EnsureVisible(len(cells) - 1)
        self.Refresh()

    def OnGetItemText(self, item, column):
        return self.cells[item][column]


class ResultsWindow(wx.Frame):
    """report(title, text) tells the user about a failure (a message box by default)."""

    def __init__(self, parent, report=None):
        super().__init__(parent, title="Results", size=(960, 320),
                         style=wx.DEFAULT_FRAME_STYLE | wx.FRAME_FLOAT_ON_PARENT)
        self.report = report or (lambda title, text: wx.MessageBox(text, title, wx.OK, self))
        self.rows = []
        panel = wx.Panel(self)
        buttons = wx.BoxSizer(wx.HORIZONTAL)
        for cid, label in ((COPY, "&Copy"), (SAVE, "&Save CSV…"), (CLEAR, "C&lear")):
            buttons.Add(wx.Button(panel, cid, label), 0, wx.RIGHT, 6)
        self.count = wx.StaticText(panel, label="")
        buttons.Add(self.count, 0, wx.ALIGN_CENTER_VERTICAL | wx.LEFT, 12)
        self.list = _RowList(panel)
        sizer = wx.BoxSizer(wx.VERTICAL)
        sizer.Add(buttons, 0, wx.ALL, 6)
        sizer.Add(self.list, 1, wx.EXPAND)
        panel.SetSizer(sizer)
        self.Bind(wx.EVT_BUTTON, lambda e: self.copy(), id=COPY)
        self.Bind(wx.EVT_BUTTON, lambda e: self.ask_save(), id=SAVE)
        self.Bind(wx.EVT_BUTTON, lambda e: self.clear(), id=CLEAR)
        self.Bind(wx.EVT_MENU, lambda e: self.copy(), id=wx.ID_COPY)
        self.SetAcceleratorTable(wx.AcceleratorTable([(wx.ACCEL_CTRL, ord("C"), wx.ID_COPY)]))
        self.Bind(wx.EVT_CLOSE, self._on_close)
        self._update()

    def _on_close(self, event):
        if event.CanVeto():
            self.Hide()
        else:
            event.Skip()

    def _update(self):
        header, _ = measurements.table(self.rows)
        self.list.show(header, [[measurements.display_text(r.get(c)) for c in header]
                                for r in self.rows])
        n = len(self.rows)
        self.count.SetLabel(f"{n} row{'s' if n != 1 else ''}")

    def add_rows(self, rows):
        self.rows.extend(rows)
        self._update()

    def clear(self):
        self.rows = []
        self._update()

    def copy(self):
        """Puts the rows on the clipboard as tab-separated text; False when it is busy."""
        if not wx.TheClipboard.Open():
            self.report("Copy", "The clipboard is in use by another program.")
            return False
        try:
            wx.TheClipboard.SetData(wx.TextDataObject(measurements.to_tsv(self.rows)))
        finally:
            wx.TheClipboard.Close()
        return True

    def ask_save(self):
        path = dialogs.ask_csv_path(self, "Save results")
        if path:
            self.save_csv(path)

    def save_csv(self, path):
        try:
            measurements.save_csv(path, self.rows)
        except OSError as e:
            self.report("Save results", f"Cannot write “{path}”: {e.strerror or e}.")
            return False
        return True
