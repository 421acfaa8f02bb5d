"""Headless mode: a scripted scene on the sample image (a rotated-rectangle ROI on the scratch,
a circle overlay on the bore, the edge mask, rule-of-thirds guide lines, a FAIL badge and the
information pane), then a screenshot of the whole window, drawn by GTK for the purpose rather
than read from the screen, so that it is right on X11 and Wayland alike."""

import json
import math
import sys
import time

import numpy as np
import wx

from . import roi_json, roi_readout, window_render

# The scene in fractions of the image size, so that it also fits an image given on the command
# line; on the sample the rectangle lies on the scratch and the circle around the bore.
ROI_CENTRE = (161 / 240, 21 / 32)  # (805, 525) on the sample
ROI_SIZE = (11 / 60, 0.09)  # 220 x 72
ROI_ANGLE = 27.9
LABEL_AT = (0.53, 0.78)
OVERLAY_CENTRE = (0.5, 0.5)
OVERLAY_RADIUS = 0.1167  # of the width
OVERLAY_COLOUR = (255, 128, 0)  # azure (B, G, R)
GUIDE_MODE = 2  # rule of thirds, index into commands.GUIDE_MODES
GUIDE_COLOUR = (0, 230, 255)  # yellow (B, G, R)
GUIDE_THICKNESS = 2
RESULT = 1  # fail
# The screenshot's size: the window's contents, whatever the desktop draws around them (GTK's
# own title bar and shadows on Wayland, nothing on a bare X server), so that shots from every
# backend compare pixel for pixel.
SHOT_SIZE = (1280, 820)


def settle(seconds=0.3):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        wx.SafeYield(None, True)
        time.sleep(0.01)


def fit_contents(frame, size=SHOT_SIZE, rounds=3):
    """Sizes the frame so that its contents (menu bar to status bar) are `size`."""
    for _ in range(rounds):
        w, h = window_render.size_of(frame)
        if (w, h) == tuple(size):
            return
        fw, fh = frame.GetSize()
        frame.SetSize(fw + size[0] - w, fh + size[1] - h)
        settle(0.2)


def build_scene(frame):
    """Sets up the scripted scene on the frame's current image; returns lines saying what."""
    view = frame.view
    panel = view.panel
    w, h = view.image_size()
    rw, rh = ROI_SIZE[0] * w, ROI_SIZE[1] * h
    cx, cy = ROI_CENTRE[0] * w, ROI_CENTRE[1] * h
    frame.set_tool(roi_json.ROTATED_RECTANGLE)
    panel.SetEditingROI(roi_json.ROTATED_RECTANGLE, [(cx - rw / 2, cy - rh / 2), (rw, rh)],
                        ROI_ANGLE)
    ox, oy, r = OVERLAY_CENTRE[0] * w, OVERLAY_CENTRE[1] * h, OVERLAY_RADIUS * w
    view.add_overlay(roi_json.CIRCLE, [(ox, oy), (r, 0)], OVERLAY_COLOUR, 2)
    label_at = (LABEL_AT[0] * w, LABEL_AT[1] * h)
    view.add_text("defect: scratch", label_at, (224, 255, 255), font_height=20,
                  background=(40, 40, 40))
    frame.set_edges(True)
    frame.set_guide(mode=GUIDE_MODE, colour=GUIDE_COLOUR, thickness=GUIDE_THICKNESS)
    frame.set_result(RESULT)
    frame.refresh_readout()
    edge_pixels = int(np.count_nonzero(view.edge_mask()))
    readout = "; ".join(f"{k} {v}" for k, v in roi_readout.readout_rows(frame.roi_data())[1:])
    info = dict(frame.side.info.rows())
    return [
        f"image: {info.get('File')} {info.get('Size')}, {info.get('Format')}, "
        f"camera {info.get('Camera')}, taken {info.get('Date')}, GPS {info.get('GPS')}",
        f"ROI: rotated rectangle, {readout}",
        f"overlay: circle of radius {r:.0f} px around ({ox:.0f}, {oy:.0f})",
        f"edges: Canny mask with {edge_pixels} edge pixels, shown in cyan",
        "guide lines: rule of thirds, yellow, 2 px",
        f"label: \"defect: scratch\" at ({label_at[0]:.0f}, {label_at[1]:.0f})",
        "badge: FAIL",
    ]


def _point_at_pointer(frame, image_point):
    """Moves the real pointer over an image point, so the status bar shows its pixel. Only X11
    lets a program move the pointer; elsewhere the status bar stays as it is."""
    window = frame.view.window
    if window is None or not window_render.on_x11():
        return
    z = frame.view.panel.GetZoomFactor()
    w, h = frame.view.image_size()
    cw, ch = window.GetClientSize()
    sx = (cw - w * z) / 2 + image_point[0] * z
    sy = (ch - h * z) / 2 + image_point[1] * z
    sim = wx.UIActionSimulator()
    sim.MouseMove(window.ClientToScreen((int(sx), int(sy))))
    settle(0.2)


def scene_geometry(frame):
    """Where the image lies in the screenshot: enough for a reader to find the scene's pixels."""
    window = frame.view.window
    w, h = frame.view.image_size()
    return {
        "panel_origin": list(window_render.origin_in(window, frame)),
        "panel_size": list(window.GetClientSize()),
        "zoom": frame.view.panel.GetZoomFactor(),
        "image_size": [w, h],
    }


def grab_window(window, max_rounds=40):
    """RGB pixels (rows, cols, 3) of the window as GTK draws it, once two drawings agree (the
    panel may still be taking a size or an image). RenderError when it cannot be drawn or
    draws nothing but one colour, which is never the scene."""
    now = window_render.render(window)
    for _ in range(max_rounds):
        settle(0.05)
        last, now = now, window_render.render(window)
        if np.array_equal(now, last):
            break
    if (now == now[0, 0]).all():
        raise window_render.RenderError("the window drew a single colour, not the scene")
    return now


def save_png(pixels, out_path):
    h, w = pixels.shape[:2]
    image = wx.Image(w, h, np.ascontiguousarray(pixels).tobytes())
    return image.SaveFile(str(out_path), wx.BITMAP_TYPE_PNG)


def run(frame, out_path):
    """Builds the scene, saves the screenshot at out_path and prints what it did; True when
    the screenshot was written, False (with the reason on stderr) when it could not be taken."""
    print("Movra Studio, headless scene:")
    try:
        fit_contents(frame)
    except window_render.RenderError as e:
        print(f"movra_studio: no screenshot: {e}", file=sys.stderr)
        return False
    for line in build_scene(frame):
        print("  " + line)
    w, h = frame.view.image_size()
    _point_at_pointer(frame, (ROI_CENTRE[0] * w, ROI_CENTRE[1] * h))
    settle(0.5)
    try:
        shot = grab_window(frame)
        geometry = scene_geometry(frame)
    except window_render.RenderError as e:
        print(f"movra_studio: no screenshot: {e}", file=sys.stderr)
        return False
    ok = save_png(shot, out_path)
    print(f"  zoom {math.floor(geometry['zoom'] * 100 + 0.5)} %; status bar: "
          f"{frame.GetStatusBar().GetStatusText(1).strip()}")
    sh, sw = shot.shape[:2]
    print(f"  screenshot: {out_path} ({sw} × {sh}) {'written' if ok else 'NOT written'}")
    print("scene: " + json.dumps(geometry))
    return ok
