"""Movra Studio.

    python3 -m movra_studio [IMAGE]                  a window; the sample image without IMAGE
    python3 -m movra_studio --screenshot OUT.png     the scripted scene, saved, then exit
"""

import argparse
import sys


def parse_args(argv):
    parser = argparse.ArgumentParser(
        prog="movra_studio", description="ROI inspection tool built on MovraModule."
    )
    parser.add_argument("image", nargs="?", help="image file to open (default: a sample)")
    parser.add_argument(
        "--screenshot",
        metavar="OUT.png",
        help="build the scripted scene, save a screenshot of the window and exit",
    )
    return parser.parse_args(argv)


def _print_message(title, text):
    print(f"message: {title}: {text}", file=sys.stderr)


def main(argv=None):
    args = parse_args(sys.argv[1:] if argv is None else argv)
    from .movra import import_movra

    movra = import_movra()
    import wx

    from .main_frame import StudioFrame

    app = wx.App(False)
    headless = args.screenshot is not None
    if headless:
        # wxLogError would open a modal dialog that nobody closes.
        wx.Log.SetActiveTarget(wx.LogStderr())
    frame = StudioFrame(movra, report=_print_message if headless else None)
    frame.SetPosition((0, 0) if headless else wx.DefaultPosition)
    frame.Show()
    frame.Raise()
    try:
        frame.start(args.image)
    except RuntimeError as e:
        print(f"movra_studio: {e}", file=sys.stderr)
        frame.Destroy()
        return 1
    if not headless:
        app.MainLoop()
        return 0
    from . import screenshot

    screenshot.settle(0.5)
    ok = screenshot.run(frame, args.screenshot)
    frame.Close(force=True)
    screenshot.settle(0.1)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
