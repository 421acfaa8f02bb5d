"""Where dialogs open: message boxes centred over the main window, and file dialogs that start in
the folder used last (else the shown image's) with a name suggested from the shown image."""

import os

import wx


class DialogPlaces:
    """Remembers the last folder a file dialog was used in, for the next one."""

    def __init__(self):
        self.last_dir = None

    def start(self, image_path, suffix=""):
        """(folder, file name) a dialog starts with: the last folder used, else the image's,
        else the working folder; the image's name stem plus `suffix` when one is given."""
        folder = self.last_dir
        if not folder and image_path and os.path.isabs(image_path):
            folder = os.path.dirname(image_path)
        name = ""
        if suffix and image_path:
            name = os.path.splitext(os.path.basename(image_path))[0] + suffix
        return folder or os.getcwd(), name

    def chosen(self, path):
        self.last_dir = os.path.dirname(os.path.abspath(path))

    def ask(self, parent, title, wildcard, style, image_path, suffix=""):
        """(path, filter index) chosen in a file dialog, or (None, 0)."""
        folder, name = self.start(image_path, suffix)
        with wx.FileDialog(parent, title, defaultDir=folder, defaultFile=name,
                           wildcard=wildcard, style=style) as dlg:
            if dlg.ShowModal() != wx.ID_OK:
                return None, 0
            self.chosen(dlg.GetPath())
            return dlg.GetPath(), dlg.GetFilterIndex()


def ask_csv_path(parent, title):
    """A path to save a CSV file to (".csv" added to a name without an extension), or None."""
    with wx.FileDialog(parent, title, wildcard="CSV files (*.csv)|*.csv",
                       style=wx.FD_SAVE | wx.FD_OVERWRITE_PROMPT) as dlg:
        if dlg.ShowModal() != wx.ID_OK:
            return None
        path = dlg.GetPath()
    return path if os.path.splitext(path)[1] else path + ".csv"


def message(parent, title, text, icon=wx.ICON_WARNING):
    """A message box over `parent` (the native one opens where the window manager puts it,
    often a corner of the screen)."""
    # The generic dialog builds itself in ShowModal, centred on its parent (wx.CENTRE).
    with wx.GenericMessageDialog(parent, text, title, wx.OK | wx.CENTRE | icon) as dlg:
        dlg.ShowModal()
