"""The main window: menus, toolbar, status bar, the image area beside the side pane, and the
commands. Each command that asks for a file is split into the dialog and an action taking the
path, so that scripts and tests can run the actions without dialogs."""

import os
import shutil
import tempfile

import wx

from . import (
    commands, crop, dialogs, display_levels, info_format, roi_json, roi_readout, roi_set,
    sample, tool_keys,
)
from .background_open import BackgroundOpen
from .image_view import ImageView, OpenError
from .side_pane import SidePane
from .workbench import Workbench

TITLE = "Movra Studio"
SIDE_WIDTH = 340
_IMAGE_EXTENSIONS = ["jpg", "jpeg", "png", "tif", "tiff", "bmp", "heic", "heif", "jxl", "webp"]
_SAVE_FORMATS = [("PNG", "png"), ("JPEG", "jpg"), ("TIFF", "tif"), ("BMP", "bmp")]


def _pattern(exts):
    return ";".join(f"*.{e};*.{e.upper()}" for e in exts)


class _FileDrop(wx.FileDropTarget):
    def __init__(self, frame):
        super().__init__()
        self.frame = frame

    def OnDropFiles(self, x, y, filenames):
        if filenames:
            # Not inside the drag-and-drop callback: opening may show a message box.
            wx.CallAfter(self.frame.background.open, filenames[0])
        return True


class StudioFrame(wx.Frame):
    """report(title, text) shows a message the user caused (a dialog by default); config, a
    wx.Config, remembers the window and recent files between runs (None: nothing is kept)."""

    def __init__(self, movra, report=None, size=(1280, 820), config=None):
        super().__init__(None, title=TITLE, size=size)
        self.movra = movra
        self.report = report or self._message_box
        self.SetMenuBar(commands.build_menu_bar())
        self.toolbar, self.zoom_label = commands.build_toolbar(self)
        self.CreateStatusBar(4)
        # The zoom field holds "Zoom 2000 %" whole.
        zoom_width = self.GetStatusBar().GetTextExtent("Zoom 2000 %").width + 24
        self.SetStatusWidths([-1, 300, 200, max(110, zoom_width)])
        self.splitter = wx.SplitterWindow(self, style=wx.SP_LIVE_UPDATE | wx.SP_3DSASH)
        self.view = ImageView(self.splitter, movra)
        self.side = SidePane(self.splitter)
        self.splitter.SetMinimumPaneSize(200)
        self.splitter.SetSashGravity(1.0)
        # Negative: the side pane's width, kept when the window grows (sash gravity 1).
        self.splitter.SplitVertically(self.view, self.side, -SIDE_WIDTH)
        self.guide = {"mode": 0, "colour": commands.GUIDE_COLOURS[0][1], "thickness": 1,
                      "ratio": 3}
        self.crop_rect = None
        self._synced = (None, None)
        self.places = dialogs.DialogPlaces()
        self._readout_pending = False
        self._tempdir = None
        self.SetDropTarget(_FileDrop(self))
        self._bind()
        tool_keys.install(self)
        self.background = BackgroundOpen(self)
        self.workbench = Workbench(self, config)
        self.levels = display_levels.install(self)

    # --- start-up

    def start(self, path=None):
        """Creates the image panel (the frame must be shown) and opens `path` or the sample."""
        panel = self.view.attach()
        panel.SetOnCropCallback(self._on_crop)
        panel.SetOnMouseMoveCallback(self._on_motion)
        if self.view.window is not None:
            self.view.window.SetDropTarget(_FileDrop(self))
        self._apply_guides()
        self.workbench.attach(panel)
        self.side.rois.attach(panel, self.refresh_readout)
        # After the workbench's: the readout follows a drag too, not only its release.
        panel.SetOnROIChangingCallback(self._on_roi_changing)
        if path is None or not self.open_path(path):
            self.open_sample()
        # The keys (tool letters, Return) belong to the image, not to the toolbar's first button.
        if self.view.window is not None:
            self.view.window.SetFocus()

    def sample_path(self):
        if self._tempdir is None:
            self._tempdir = tempfile.mkdtemp(prefix="movra-studio-")
        path = os.path.join(self._tempdir, "sample plate.jpg")
        if not os.path.exists(path):
            sample.write_sample_jpeg(self.movra, path)
        return path

    # --- wiring

    def _bind(self):
        on = self.Bind
        on(wx.EVT_MENU, lambda e: self.ask_open(), id=commands.OPEN)
        on(wx.EVT_MENU, lambda e: self.open_sample(), id=commands.SAMPLE)
        on(wx.EVT_MENU, lambda e: self.ask_save_roi(), id=commands.SAVE_ROI)
        on(wx.EVT_MENU, lambda e: self.ask_load_roi(), id=commands.LOAD_ROI)
        on(wx.EVT_MENU, lambda e: self.ask_crop_save(), id=commands.CROP_SAVE)
        on(wx.EVT_MENU, lambda e: self.Close(), id=commands.QUIT)
        on(wx.EVT_MENU, lambda e: self._zoom("ZoomToFit"), id=commands.ZOOM_FIT)
        on(wx.EVT_MENU, lambda e: self._zoom("SetOriginal"), id=commands.ZOOM_100)
        on(wx.EVT_MENU, lambda e: self._zoom("ZoomIn"), id=commands.ZOOM_IN)
        on(wx.EVT_MENU, lambda e: self._zoom("ZoomOut"), id=commands.ZOOM_OUT)
        on(wx.EVT_MENU, lambda e: self.clear_roi(), id=commands.CLEAR_ROI)
        on(wx.EVT_MENU, lambda e: self.set_edges(not self.view.edges_on), id=commands.EDGES)
        on(wx.EVT_TOGGLEBUTTON, lambda e: self.set_edges(e.IsChecked()), id=commands.EDGES)
        on(wx.EVT_UPDATE_UI, lambda e: e.Check(self.view.edges_on), id=commands.EDGES)
        on(wx.EVT_MENU, lambda e: self._about(), id=commands.ABOUT)
        on(wx.EVT_MENU, lambda e: self._ask_guide_colour(), id=commands.GUIDE_CUSTOM_COLOUR)
        for cid, result in commands.RESULTS.items():
            on(wx.EVT_MENU, lambda e, r=result: self.set_result(r), id=cid)
        for mode, cid in commands.TOOL_IDS.items():
            on(wx.EVT_MENU, lambda e, m=mode: self.set_tool(m), id=cid)
            on(wx.EVT_UPDATE_UI, lambda e, m=mode: e.Check(self.tool() == m), id=cid)
        self._bind_choices(commands.GUIDE_MODE_IDS, "mode", range(len(commands.GUIDE_MODES)))
        self._bind_choices(commands.GUIDE_COLOUR_IDS, "colour",
                           [c[1] for c in commands.GUIDE_COLOURS])
        self._bind_choices(commands.GUIDE_THICKNESS_IDS, "thickness", commands.GUIDE_THICKNESSES)
        self._bind_choices(commands.ASPECT_RATIO_IDS, "ratio", range(len(commands.ASPECT_RATIOS)))
        on(wx.EVT_IDLE, self._on_idle)
        on(wx.EVT_CLOSE, self._on_close)

    def _bind_choices(self, ids, key, values):
        for cid, value in zip(ids, values):
            self.Bind(wx.EVT_MENU, lambda e, v=value: self.set_guide(**{key: v}), id=cid)
            self.Bind(wx.EVT_UPDATE_UI, lambda e, v=value: e.Check(self.guide[key] == v), id=cid)

    def _on_close(self, event):
        self.view.detach()
        if self._tempdir:
            shutil.rmtree(self._tempdir, ignore_errors=True)
        event.Skip()

    def _message_box(self, title, text):
        dialogs.message(self, title, text)

    def _status(self, text):
        self.SetStatusText(text, 0)

    # --- images

    def ask_open(self):
        wildcard = (f"Images|{_pattern(_IMAGE_EXTENSIONS)}|All files (*)|*")
        path, _ = self.places.ask(self, "Open image", wildcard,
                                  wx.FD_OPEN | wx.FD_FILE_MUST_EXIST, self.view.path)
        if path:
            self.background.open(path)

    def open_path(self, path):
        """Shows the image at `path`; on failure tells the user and keeps the current image."""
        try:
            self.view.load(path)
        except OpenError as e:
            self.report("Cannot open image", f"Cannot open “{os.path.basename(path)}”: {e}.")
            return False
        self._image_shown(f"Opened {path}")
        self.workbench.image_opened(path)
        return True

    def open_sample(self):
        try:
            path = self.sample_path()
            self.view.load(path)
        except (OSError, OpenError) as e:
            # Still something to work on: the same picture, without its file and tags.
            self.report("Sample image", f"The sample file could not be written ({e}).")
            self.view.show_array(sample.make_sample_image(), "sample")
        self._image_shown("Opened the generated sample image")

    def _image_shown(self, message):
        self.crop_rect = None
        name = os.path.basename(self.view.path or "")
        self.SetTitle(f"{name} – {TITLE}" if name else TITLE)
        self.side.info.set_rows(info_format.info_rows(self.view.info, self.view.path))
        self.side.rois.image_changed()
        self.refresh_readout()
        self.levels.refresh()
        # The pointer readout described the previous image; the next motion fills it again.
        self.SetStatusText("", 1)
        if self.view.info.get("damaged"):
            # It opened, but part of what is shown was made up by the decoder.
            message += " – the file is damaged, part of the image may be missing"
        self._status(message)

    # --- ROI

    def tool(self):
        return self.view.panel.GetROIMode() if self.view.panel is not None else 0

    def set_tool(self, mode):
        self.view.panel.SetROIMode(mode)
        self.crop_rect = None
        self.refresh_readout()

    def clear_roi(self):
        """Removes the selected ROI from the set (a cleared shape would stay in it, empty)."""
        panel = self.view.panel
        selected = panel.GetSelectedROI()
        if selected is not None:
            panel.RemoveROI(selected)
            self.side.rois.set_changed()
        else:
            panel.HideROI()
        self.crop_rect = None
        self.refresh_readout()

    def roi_data(self):
        return roi_json.read_roi(self.view.panel) if self.view.panel is not None else None

    def refresh_readout(self):
        self.side.readout.set_rows(roi_readout.readout_rows(self.roi_data()))
        self.side.rois.roi_changed()
        self.workbench.roi_changed()
        self.levels.refresh()

    def _on_roi_changing(self, rect):
        self.workbench.roi_changed()
        # One readout per turn of the event loop, however many steps a drag reports.
        if not self._readout_pending:
            self._readout_pending = True
            wx.CallAfter(self._live_readout)

    def _live_readout(self):
        self._readout_pending = False
        if self.view.panel is not None:
            self.refresh_readout()

    def _on_crop(self, rect):
        self.crop_rect = rect
        self.refresh_readout()

    def _on_motion(self, point):
        x, y = point
        pixel = self.view.pixel_text(x, y)
        where = f"x {int(x // 1)}, y {int(y // 1)}"
        self.SetStatusText(f"{where}   {pixel}" if pixel else f"{where}   (outside)", 1)

    def _on_idle(self, event):
        event.Skip()
        panel = self.view.panel
        if panel is None:
            return
        # The context menu and Ctrl+wheel change tool and zoom inside the panel, unannounced.
        state = (panel.GetROIMode(), round(panel.GetZoomFactor() * 100))
        if state != self._synced:
            mode_changed = state[0] != self._synced[0]
            if state[1] != self._synced[1]:
                # The image moved under the pointer: the old position no longer holds.
                self.SetStatusText("", 1)
            self._synced = state
            self.zoom_label.SetLabel(f"{state[1]} %")
            self.SetStatusText(f"Zoom {state[1]} %", 3)
            self.SetStatusText(f"Tool: {roi_json.MODE_NAMES.get(state[0], 'none')}", 2)
            if mode_changed:
                self.crop_rect = None
                self.refresh_readout()

    def _zoom(self, method):
        getattr(self.view.panel, method)()

    def roi_set_data(self):
        """The ROI set as Save ROI writes it; None without a ROI."""
        return roi_set.read_set(self.view.panel) if self.view.panel is not None else None

    def ask_save_roi(self):
        if self.roi_set_data() is None:
            self.report("Save ROI", "There is no ROI to save. Draw one on the image first.")
            return
        path, _ = self.places.ask(self, "Save ROI", "ROI files (*.json)|*.json",
                                  wx.FD_SAVE | wx.FD_OVERWRITE_PROMPT, self.view.path, ".json")
        if path:
            self.save_roi(path if os.path.splitext(path)[1] else path + ".json")

    def save_roi(self, path):
        """Writes every ROI of the set (names, colours and the selection included)."""
        data = self.roi_set_data()
        if data is None:
            self.report("Save ROI", "There is no ROI to save. Draw one on the image first.")
            return False
        try:
            roi_json.save_roi_file(path, data)
        except OSError as e:
            self.report("Save ROI", f"Cannot write “{path}”: {e.strerror or e}.")
            return False
        count = len(data["rois"])
        self._status(f"Saved {count} ROI{'s' if count > 1 else ''} to {path}")
        return True

    def ask_load_roi(self):
        path, _ = self.places.ask(self, "Load ROI", "ROI files (*.json)|*.json|All files|*",
                                  wx.FD_OPEN | wx.FD_FILE_MUST_EXIST, self.view.path)
        if path:
            self.load_roi(path)

    def load_roi(self, path):
        """Replaces the ROI set by a saved set, or by a single saved ROI."""
        try:
            roi_set.apply_set(self.view.panel, roi_json.load_roi_file(path))
        except OSError as e:
            self.report("Load ROI", f"Cannot read “{path}”: {e.strerror or e}.")
            return False
        except ValueError as e:
            self.report("Load ROI", f"“{os.path.basename(path)}” is not a usable ROI: {e}.")
            return False
        self.crop_rect = None
        self.refresh_readout()
        self._status(f"Loaded the ROIs from {path}")
        return True

    # --- crop

    def ask_crop_save(self):
        if self._crop_box() is None:
            return
        wildcard = "|".join(f"{name} (*.{ext})|*.{ext}" for name, ext in _SAVE_FORMATS)
        path, kind = self.places.ask(self, "Save ROI region as", wildcard,
                                     wx.FD_SAVE | wx.FD_OVERWRITE_PROMPT, self.view.path,
                                     " ROI.png")
        if path:
            if not os.path.splitext(path)[1]:
                path += "." + _SAVE_FORMATS[kind][1]
            self.crop_save(path)

    def _crop_box(self):
        box = crop.crop_box(self.view.panel, self.roi_data()) if self.view.has_image() else None
        if box is None:
            self.report("Crop", "There is no ROI region inside the image to save. Draw a "
                                "rectangle, circle, annulus, polygon or line first.")
        return box

    def crop_save(self, path):
        """Writes the ROI's bounding region of the loaded image to `path`."""
        box = self._crop_box()
        if box is None:
            return False
        engine = self.movra.MovraEngine()
        engine.SetMat(self.view.region(box))
        try:
            ok = engine.SaveImage(path)
        except RuntimeError as e:
            ok, why = False, f"no encoder for this file type ({e})"
        else:
            why = "the file could not be written"
        if not ok:
            self.report("Crop", f"Cannot save “{path}”: {why}.")
            return False
        self._status(f"Saved the {box[2] - box[0]} × {box[3] - box[1]} px region to {path}")
        return True

    # --- overlays, result badge, guide lines

    def set_edges(self, on):
        self.view.set_edges(on)
        self._status("Edges shown" if on else "Edges hidden")

    def set_result(self, result):
        """Shows the pass (0), fail (1) or recycle (2) badge; None hides it."""
        if result is None:
            self.view.panel.SetResultLogo(False, 0)
        else:
            self.view.panel.SetResultLogo(True, result)

    def set_guide(self, **changes):
        self.guide.update(changes)
        self._apply_guides()

    def _apply_guides(self):
        p = self.view.panel
        m = self.movra
        g = self.guide
        p.SetGuideLineMode(getattr(m.GuideLineMode, commands.GUIDE_MODES[g["mode"]][1]))
        p.SetGuideLineColor(*g["colour"], 255)
        p.SetGuideLineThickness(g["thickness"])
        p.SetAspectRatio(getattr(m.AspectRatio, commands.ASPECT_RATIOS[g["ratio"]][1]))

    def _ask_guide_colour(self):
        b, g, r = self.guide["colour"]
        data = wx.ColourData()
        data.SetColour(wx.Colour(r, g, b))
        with wx.ColourDialog(self, data) as dlg:
            if dlg.ShowModal() == wx.ID_OK:
                c = dlg.GetColourData().GetColour()
                self.set_guide(colour=(c.Blue(), c.Green(), c.Red()))

    def _about(self):
        dialogs.message(
            self,
            "About Movra Studio",
            "Movra Studio: an image inspection tool built on MovraModule "
            f"{self.movra.__version__} and wxPython {wx.version()}.",
            wx.ICON_INFORMATION,
        )
