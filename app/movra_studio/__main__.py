"""Movra Studio.

    python3 -m movra_studio [IMAGE]                  a window; the sample image without IMAGE
    python3 -m movra_studio --screenshot OUT.png     the scripted scene, saved, then exit
    python3 -m movra_studio --measure FOLDER --rois ROIS.json --csv OUT.csv [--threads N]
                                                     measure every image of FOLDER, no window
"""

import argparse
import sys


class _Parser(argparse.ArgumentParser):
    def error(self, message):
        # Bad arguments to the batch command exit with 1: 2 means files failed there.
        if self.batch:
            self.print_usage(sys.stderr)
            self.exit(1, f"{self.prog}: error: {message}\n")
        super().error(message)


def parse_args(argv):
    parser = _Parser(prog="movra_studio", description="ROI inspection tool built on MovraModule.")
    parser.batch = "--measure" in argv
    parser.add_argument("image", nargs="?", help="image file to open (default: a sample)")
    parser.add_argument(
        "--screenshot",
        metavar="OUT.png",
        help="build the scripted scene, save a screenshot of the window and exit",
    )
    parser.add_argument(
        "--scene",
        choices=["inspection", "workbench"],
        default="inspection",
        help="the scripted scene of --screenshot: the inspection overlays (default), or "
        "measurements, profile and histogram (also saved as OUT-results.png, ...)",
    )
    batch = parser.add_argument_group("batch measurement (no window)")
    batch.add_argument("--measure", metavar="FOLDER",
                       help="measure every image file in FOLDER (not its subfolders)")
    batch.add_argument("--rois", metavar="ROIS.json", help="the ROI set (or single ROI) to measure")
    batch.add_argument("--csv", metavar="OUT.csv", help="where to write one row per image and ROI")
    batch.add_argument("--threads", metavar="N", type=int,
                       help="threads measuring at once (default: the number of CPUs)")
    args = parser.parse_args(argv)
    if args.measure is not None:
        if args.image is not None or args.screenshot is not None:
            parser.error("--measure takes no image and no --screenshot")
        if not args.rois or not args.csv:
            parser.error("--measure needs --rois and --csv")
    elif args.rois or args.csv or args.threads is not None:
        parser.error("--rois, --csv and --threads go with --measure")
    return args


def _measure(args):
    from . import batch
    from .movra import import_movra

    try:
        return batch.run(import_movra(), args.measure, args.rois, args.csv, args.threads)
    except batch.UsageError as e:
        print(f"movra_studio: {e}", file=sys.stderr)
        return 1
    except KeyboardInterrupt:
        print("\nmovra_studio: interrupted", file=sys.stderr)
        return 130


def _print_message(title, text):
    print(f"message: {title}: {text}", file=sys.stderr)


def main(argv=None):
    args = parse_args(sys.argv[1:] if argv is None else argv)
    if args.measure is not None:
        return _measure(args)
    from .movra import import_movra

    movra = import_movra()
    import wx

    from .main_frame import StudioFrame

    app = wx.App(False)
    headless = args.screenshot is not None
    if headless:
        # wxLogError would open a modal dialog that nobody closes.
        wx.Log.SetActiveTarget(wx.LogStderr())
    if headless:
        frame = StudioFrame(movra, report=_print_message)
        frame.SetPosition((0, 0))
    else:
        frame = StudioFrame(movra, config=wx.Config("MovraStudio"))
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
    from . import screenshot, workbench_scene

    screenshot.settle(0.5)
    scene = workbench_scene if args.scene == "workbench" else screenshot
    ok = scene.run(frame, args.screenshot)
    frame.Close(force=True)
    screenshot.settle(0.1)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
