"""The inspection workbench on top of the main window: Measure and the Results window, the line
profile and histogram windows kept up to date as the ROI changes (also while it is dragged),
the next and previous image of the folder (the ROIs stay on the panel), recent files, Measure
Folder, and the window's size, position and panes remembered in a wx.Config.

The frame creates one Workbench and tells it when the panel exists (attach), when an image was
opened (image_opened) and when the ROI changed (roi_changed)."""

import os
import threading

import wx

from . import batch, folder_nav, measurements, profile_data, roi_json, roi_set
from .plot_windows import HistogramWindow, ProfileWindow
from .results_window import ResultsWindow

MEASURE = wx.NewIdRef()
MEASURE_ALL = wx.NewIdRef()
MEASURE_FOLDER = wx.NewIdRef()
SHOW_RESULTS = wx.NewIdRef()
SHOW_PROFILE = wx.NewIdRef()
SHOW_HISTOGRAM = wx.NewIdRef()
NEXT_IMAGE = wx.NewIdRef()
PREVIOUS_IMAGE = wx.NewIdRef()

_PANES = ("results", "profile", "histogram")


class Workbench:
    def __init__(self, frame, config=None):
        self.frame = frame
        self.config = config
        self.windows = {}
        self._refresh_pending = False
        self._folder_job = None
        self._browse_target = None  # the file Page Down/Up asked for, until one is shown
        self.history = wx.FileHistory(9)
        self._add_menus()
        self._add_tool()
        frame.Bind(wx.EVT_CLOSE, self._on_close)
        if config is not None:
            self.history.Load(config)
            self._restore_geometry()

    # --- menus and toolbar

    def _add_menus(self):
        bar = self.frame.GetMenuBar()
        file_menu = bar.GetMenu(0)
        at = file_menu.GetMenuItemCount() - 2  # before the separator above Quit
        recent = wx.Menu()
        self.history.UseMenu(recent)
        for item in (
            (NEXT_IMAGE, "&Next image in folder\tPgDn"),
            (PREVIOUS_IMAGE, "&Previous image in folder\tPgUp"),
            None,
            (MEASURE_FOLDER, "&Measure Folder…"),
        ):
            if item is None:
                file_menu.InsertSeparator(at)
            else:
                file_menu.Insert(at, item[0], item[1])
            at += 1
        file_menu.InsertSeparator(at)
        file_menu.Insert(at + 1, wx.ID_ANY, "&Recent files", recent)
        measure_menu = wx.Menu()
        measure_menu.Append(MEASURE, "&Measure\tCtrl+M", "Add the selected ROI's row to Results")
        measure_menu.Append(MEASURE_ALL, "Measure &all ROIs\tCtrl+Shift+M")
        measure_menu.AppendSeparator()
        measure_menu.Append(SHOW_RESULTS, "&Results window")
        measure_menu.Append(SHOW_PROFILE, "Line &profile window\tCtrl+Shift+P")
        measure_menu.Append(SHOW_HISTOGRAM, "&Histogram window\tCtrl+Shift+H")
        bar.Insert(bar.FindMenu("&Inspect") + 1, measure_menu, "&Measure")
        on = self.frame.Bind
        on(wx.EVT_MENU, lambda e: self.measure(), id=MEASURE)
        on(wx.EVT_MENU, lambda e: self.measure(all_rois=True), id=MEASURE_ALL)
        on(wx.EVT_MENU, lambda e: self.ask_measure_folder(), id=MEASURE_FOLDER)
        on(wx.EVT_MENU, lambda e: self.show("results"), id=SHOW_RESULTS)
        on(wx.EVT_MENU, lambda e: self.show("profile"), id=SHOW_PROFILE)
        on(wx.EVT_MENU, lambda e: self.show("histogram"), id=SHOW_HISTOGRAM)
        on(wx.EVT_MENU, lambda e: self.open_neighbour(1), id=NEXT_IMAGE)
        on(wx.EVT_MENU, lambda e: self.open_neighbour(-1), id=PREVIOUS_IMAGE)
        on(wx.EVT_MENU_RANGE, self._on_recent, id=wx.ID_FILE1, id2=wx.ID_FILE9)

    def _add_tool(self):
        tb = self.frame.toolbar
        size = tb.GetToolBitmapSize()
        tb.AddSeparator()
        # Shift+click measures every ROI, as Ctrl+Shift+M does.
        tb.AddTool(MEASURE, "Measure", wx.ArtProvider.GetBitmap(wx.ART_REPORT_VIEW,
                                                                 wx.ART_TOOLBAR, size),
                   "Measure the ROI (Shift: all ROIs) into Results")
        tb.Realize()

    # --- what the frame tells

    def attach(self, panel):
        panel.SetOnROIChangingCallback(lambda rect: self.roi_changed())
        if self.config is not None:
            self._restore_panes()

    def image_opened(self, path):
        if path and os.path.isfile(path):
            self.history.AddFileToHistory(os.path.abspath(path))
        # The ROIs stay on the panel from image to image.
        self._browse_target = None
        self.roi_changed()

    def roi_changed(self):
        """Redraws the open plot windows once the current events are handled, so that a drag's
        many steps cost one redraw per turn of the event loop."""
        if not self._refresh_pending and self._plots_shown():
            self._refresh_pending = True
            wx.CallAfter(self._refresh_plots)

    # --- measuring

    def window(self, name):
        """The results, profile or histogram window, made on first use."""
        if name not in self.windows:
            if name == "results":
                w = ResultsWindow(self.frame, report=self.frame.report)
            elif name == "profile":
                w = ProfileWindow(self.frame, on_width=lambda width: self.refresh_profile())
            else:
                w = HistogramWindow(self.frame)
            self._place(w, len(self.windows))
            self.windows[name] = w
        return self.windows[name]

    def _place(self, window, index):
        """Beside the main window where the screen has room, so that it leaves the image
        free; stacked a little for each window already made."""
        x, y = self.frame.GetScreenRect().GetTopRight()
        x, y = x + 8, y + 40 * index
        display = wx.Display.GetFromPoint((x + 100, y + 100))
        if display != wx.NOT_FOUND:
            window.SetPosition((x, y))

    def show(self, name):
        w = self.window(name)
        w.Show()
        w.Raise()
        if name == "profile":
            self.refresh_profile()
        elif name == "histogram":
            self.refresh_histogram()
        return w

    def _panel(self):
        return self.frame.view.panel

    def roi_entries(self, all_rois=False):
        """[(id, name, data)] of the ROIs to measure: the selected one, or every ROI of the
        set that has a shape, in drawing order."""
        panel = self._panel()
        if panel is None:
            return []
        rois = [r for r in panel.GetROIs() if roi_set.has_shape(r)]
        if not all_rois:
            selected = panel.GetSelectedROI()
            rois = [r for r in rois if r["id"] == selected]
        return [(r["id"], roi_set.display_name(r["id"], r["name"]), r) for r in rois]

    def measure_rows(self, all_rois=False):
        panel = self._panel()
        name = os.path.basename(self.frame.view.path or "")
        return [measurements.stats_row(name, roi_id, roi_name, data["mode"],
                                       panel.GetROIStats(roi_id))
                for roi_id, roi_name, data in self.roi_entries(all_rois)]

    def measure(self, all_rois=None):
        """Appends the ROI's row (all ROIs' rows with Shift) to Results; False without a ROI."""
        if all_rois is None:
            all_rois = wx.GetKeyState(wx.WXK_SHIFT)
        rows = self.measure_rows(all_rois)
        if not rows:
            self.frame.report("Measure", "There is no ROI to measure. Draw one on the image "
                                         "first.")
            return False
        self.show("results").add_rows(rows)
        self.frame.SetStatusText(f"Measured {len(rows)} ROI{'s' if len(rows) > 1 else ''}", 0)
        return True

    def ask_measure_folder(self):
        if not self.roi_entries(True):
            self.frame.report("Measure Folder", "There is no ROI to measure. Draw one first.")
            return
        start = os.path.dirname(self.frame.view.path or "") or os.getcwd()
        with wx.DirDialog(self.frame, "Measure every image in", start,
                          style=wx.DD_DIR_MUST_EXIST) as dlg:
            if dlg.ShowModal() == wx.ID_OK:
                self.measure_folder(dlg.GetPath())

    def measure_folder(self, folder, threads=None):
        """Measures every image of `folder` with the ROIs in the background, behind a progress
        dialog that can cancel; the rows go to Results. False when the folder cannot be read
        or a run is going on."""
        if self._folder_job is not None:
            return False
        try:
            paths = folder_nav.image_files(folder)
        except OSError as e:
            self.frame.report("Measure Folder", f"Cannot read “{folder}”: {e.strerror or e}.")
            return False
        rois = self.roi_entries(True)
        cancel = threading.Event()
        dialog = _FolderProgress(self.frame, len(paths), cancel)
        dialog.Show()
        self._folder_job = (dialog, cancel)

        def progress(done, total):
            wx.CallAfter(self._folder_progress, done, total)

        def work():
            results = batch.measure_files(self.frame.movra, paths, rois, threads, progress,
                                          cancel)
            wx.CallAfter(self._folder_done, results, len(paths))

        threading.Thread(target=work, name="measure-folder", daemon=True).start()
        return True

    def _folder_progress(self, done, total):
        if self.frame and self._folder_job is not None:
            self._folder_job[0].advance(done, total)

    def _folder_done(self, results, total):
        if not self.frame or self._folder_job is None:
            return  # the window closed while the last files were measured
        dialog, cancel = self._folder_job
        self._folder_job = None
        dialog.Destroy()
        rows = [row for r in results for row in r.rows]
        self.show("results").add_rows(rows)
        failed = sum(1 for r in results if not r.ok)
        text = f"Measured {len(results)} of {total} images"
        if failed:
            text += f"; {failed} could not be read"
        if cancel.is_set():
            text += " (cancelled)"
        self.frame.SetStatusText(text, 0)

    def folder_running(self):
        return self._folder_job is not None

    # --- plots

    def _plots_shown(self):
        return any(n in self.windows and self.windows[n].IsShown()
                   for n in ("profile", "histogram"))

    def _refresh_plots(self):
        self._refresh_pending = False
        if self._panel() is None:
            return
        self.refresh_profile()
        self.refresh_histogram()

    def refresh_profile(self):
        w = self.windows.get("profile")
        if w is None or not w.IsShown() or self._panel() is None:
            return
        data = self.frame.roi_data()
        if data is None or data["mode"] != roi_json.LINE:
            w.show_profile(None, "Draw a line to see its profile.")
            return
        try:
            profile = self._panel().GetLineProfile(width=w.width())
        except ValueError as e:
            w.show_profile(None, str(e))
            return
        (x0, y0), (x1, y1) = data["points"]
        w.show_profile(profile, f"({x0:.0f}, {y0:.0f}) → ({x1:.0f}, {y1:.0f}), "
                                f"{len(profile)} samples")

    def refresh_histogram(self):
        w = self.windows.get("histogram")
        view = self.frame.view
        if w is None or not w.IsShown() or not view.has_image():
            return
        data = self.frame.roi_data()
        if data is None:
            edges, counts = profile_data.histogram(view.pixels)
            where = "whole image"
        else:
            panel = self._panel()
            found = profile_data.roi_histogram(panel, panel.GetSelectedROI())
            if found is None:
                w.show_histogram(None, None, "The ROI holds no pixel of the image.")
                return
            edges, counts = found
            where = roi_json.MODE_NAMES[data["mode"]].lower()
        w.show_histogram(edges, counts, f"{where}: {int(counts[:, 0].sum())} pixels")

    # --- folder browsing and recent files

    def open_neighbour(self, step):
        """Opens the next (1) or previous (-1) image of the current file's folder in the
        background, keeping the ROI; False when there is none. The step is taken from the file
        last asked for, so that a file that could not be opened is passed over by the next
        step, and quick steps go on while one is loading."""
        base = self._browse_target or self.frame.view.path
        target = folder_nav.neighbour(base, step) if base and os.path.isabs(base) else None
        if target is None:
            self.frame.SetStatusText("No further image in this folder", 0)
            return False
        self._browse_target = target
        self.frame.background.open(target)
        return True

    def _on_recent(self, event):
        path = self.history.GetHistoryFile(event.GetId() - wx.ID_FILE1)
        if not self.frame.open_path(path):
            self.history.RemoveFileFromHistory(event.GetId() - wx.ID_FILE1)

    # --- remembered between runs

    def _on_close(self, event):
        if self._folder_job is not None:
            dialog, cancel = self._folder_job
            cancel.set()
            dialog.Destroy()
            self._folder_job = None
        if self.config is not None:
            self._save()
        for w in self.windows.values():
            w.Destroy()
        self.windows = {}
        event.Skip()

    def _save(self):
        c = self.config
        f = self.frame
        c.WriteBool("/Window/maximized", f.IsMaximized())
        if not f.IsMaximized() and not f.IsIconized():
            x, y = f.GetPosition()
            w, h = f.GetSize()
            for key, value in (("x", x), ("y", y), ("width", w), ("height", h)):
                c.WriteInt(f"/Window/{key}", value)
        splitter = f.splitter
        if splitter.IsSplit():
            c.WriteInt("/Window/side_width",
                       splitter.GetClientSize().width - splitter.GetSashPosition())
        for name in _PANES:
            w = self.windows.get(name)
            c.WriteBool(f"/Panes/{name}", bool(w and w.IsShown()))
            if w is not None:
                x, y = w.GetPosition()
                ww, wh = w.GetSize()
                c.Write(f"/Panes/{name}_rect", f"{x},{y},{ww},{wh}")
        self.history.Save(c)
        c.Flush()

    def _restore_geometry(self):
        c = self.config
        f = self.frame
        w, h = c.ReadInt("/Window/width", 0), c.ReadInt("/Window/height", 0)
        if w >= 400 and h >= 300:
            f.SetSize(w, h)
        x, y = c.ReadInt("/Window/x", -1), c.ReadInt("/Window/y", -1)
        # Only a place on one of today's displays: a monitor may have gone since.
        if c.HasEntry("/Window/x") and wx.Display.GetFromPoint((x + 40, y + 20)) != wx.NOT_FOUND:
            f.SetPosition((x, y))
        if c.ReadBool("/Window/maximized", False):
            f.Maximize()

    def _restore_panes(self):
        c = self.config
        side = c.ReadInt("/Window/side_width", 0)
        splitter = self.frame.splitter
        if side > 0 and splitter.IsSplit():
            splitter.SetSashPosition(max(200, splitter.GetClientSize().width - side))
        for name in _PANES:
            if not c.ReadBool(f"/Panes/{name}", False):
                continue
            w = self.window(name)
            try:
                x, y, ww, wh = (int(v) for v in c.Read(f"/Panes/{name}_rect", "").split(","))
            except ValueError:
                pass
            else:
                if ww >= 100 and wh >= 80 and wx.Display.GetFromPoint((x + 20, y + 10)) != \
                        wx.NOT_FOUND:
                    w.SetSize(x, y, ww, wh)
            self.show(name)


class _FolderProgress(wx.Dialog):
    """The progress of Measure Folder: a gauge and a Cancel button that sets `cancel`. Not a
    wx.ProgressDialog: that one runs a nested event loop in each update, while the updates
    themselves arrive as events."""

    def __init__(self, parent, total, cancel):
        super().__init__(parent, title="Measure Folder",
                         style=wx.CAPTION | wx.FRAME_FLOAT_ON_PARENT)
        self.cancel = cancel
        self.shown = 0
        self.label = wx.StaticText(self, label=f"Measuring {total} images…")
        self.gauge = wx.Gauge(self, range=max(total, 1), size=(360, -1))
        button = wx.Button(self, wx.ID_CANCEL, "Cancel")
        button.Bind(wx.EVT_BUTTON, lambda e: self._cancel())
        sizer = wx.BoxSizer(wx.VERTICAL)
        sizer.Add(self.label, 0, wx.ALL, 10)
        sizer.Add(self.gauge, 0, wx.EXPAND | wx.LEFT | wx.RIGHT, 10)
        sizer.Add(button, 0, wx.ALIGN_RIGHT | wx.ALL, 10)
        self.SetSizerAndFit(sizer)
        self.CentreOnParent()

    def advance(self, done, total):
        # Counts posted by different threads may arrive out of order: only forward.
        if done > self.shown:
            self.shown = done
            self.gauge.SetValue(min(done, self.gauge.GetRange()))
            self.label.SetLabel(f"Measured {done} of {total} images")

    def _cancel(self):
        self.cancel.set()
        self.label.SetLabel("Cancelling: the files being read are finished first…")
