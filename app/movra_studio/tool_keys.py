"""The tool letters of the Tools menu (P, L, R, T, C, A, G). GTK does not fire menu
accelerators without a modifier, so the frame looks at keys before any window takes them."""

import wx

from . import commands

_MODE_BY_KEY = {ord(key): mode for mode, key in commands.TOOL_KEYS.items()}


def install(frame):
    """Binds the letters on `frame`; frame.set_tool(mode) does the work."""

    def on_key(event):
        mode = _MODE_BY_KEY.get(event.GetKeyCode())
        focus = wx.Window.FindFocus()
        # Letters typed into a text field or with a modifier are not tool choices.
        if (mode is None or event.HasAnyModifiers()
                or isinstance(focus, (wx.TextCtrl, wx.ComboBox, wx.SpinCtrl))):
            event.Skip()
            return
        frame.set_tool(mode)

    frame.Bind(wx.EVT_CHAR_HOOK, on_key)
