"""Opening image files without blocking the window: the panel decodes the file on a worker
thread while the window stays responsive and the current image editable; "Loading NAME…" shows
in the status bar under a busy cursor. Opening another file meanwhile supersedes the first."""

import os

import wx

from .image_view import OpenError, check_openable


class BackgroundOpen:
    def __init__(self, frame):
        self.frame = frame
        self._latest = None  # the token of the load whose outcome counts
        self._busy = False
        frame.Bind(wx.EVT_CLOSE, self._on_close)

    def open(self, path):
        """Starts showing `path`; a file that cannot be an image is reported at once."""
        frame = self.frame
        name = os.path.basename(path)
        try:
            check_openable(path)
        except OpenError as e:
            frame.report("Cannot open image", f"Cannot open “{name}”: {e}.")
            return
        token = self._latest = object()
        if not self._busy:
            wx.BeginBusyCursor()
            self._busy = True
        frame._status(f"Loading {name}…")
        frame.view.panel.LoadImageAsync(path, lambda p, ok: self._finished(token, p, ok))

    def is_loading(self):
        return self._busy

    def _finished(self, token, path, ok):
        if token is not self._latest:
            return  # superseded by a later open, which ends the busy state itself
        self._latest = None
        self._end_busy()
        frame = self.frame
        if ok:
            frame.view.loaded(path)
            frame._image_shown(f"Opened {path}")
            frame.workbench.image_opened(path)
        else:
            frame._status("")
            frame.report("Cannot open image",
                         f"Cannot open “{os.path.basename(path)}”: it is not an image this "
                         "program can read, or it is damaged.")

    def _end_busy(self):
        if self._busy:
            self._busy = False
            wx.EndBusyCursor()

    def _on_close(self, event):
        # The panel goes with the window and drops its pending load without a call.
        self._latest = None
        self._end_busy()
        event.Skip()
