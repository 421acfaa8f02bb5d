"""The application's commands: ids, labels, shortcuts, and the menu bar and toolbar built from
them. Handlers are bound by the frame."""

import wx

from . import icons
from .roi_json import MODE_NAMES

# Command ids (wx.NewIdRef keeps them clear of the panel's own menu ids 400-415).
OPEN = wx.ID_OPEN
SAMPLE = wx.NewIdRef()
SAVE_ROI = wx.NewIdRef()
LOAD_ROI = wx.NewIdRef()
CROP_SAVE = wx.NewIdRef()
QUIT = wx.ID_EXIT
ZOOM_FIT = wx.NewIdRef()
ZOOM_100 = wx.NewIdRef()
ZOOM_IN = wx.NewIdRef()
ZOOM_OUT = wx.NewIdRef()
CLEAR_ROI = wx.NewIdRef()
EDGES = wx.NewIdRef()
RESULT_PASS = wx.NewIdRef()
RESULT_FAIL = wx.NewIdRef()
RESULT_RECYCLE = wx.NewIdRef()
RESULT_NONE = wx.NewIdRef()
GUIDE_CUSTOM_COLOUR = wx.NewIdRef()
ABOUT = wx.ID_ABOUT

# ROI mode -> (command id, icon name).
TOOL_IDS = {mode: wx.NewIdRef() for mode in MODE_NAMES}
TOOL_ICONS = {
    1: "point",
    2: "line",
    3: "rectangle",
    4: "rotated_rectangle",
    5: "circle",
    6: "annulus",
    7: "polygon",
}
TOOL_KEYS = {1: "P", 2: "L", 3: "R", 4: "T", 5: "C", 6: "A", 7: "G"}

RESULTS = {RESULT_PASS: 0, RESULT_FAIL: 1, RESULT_RECYCLE: 2, RESULT_NONE: None}

# Guide-line choices: (label, GuideLineMode member name).
GUIDE_MODES = [
    ("Off", "Off"),
    ("Centre cross", "CenterCross"),
    ("Rule of thirds", "RuleOfThirds"),
    ("Golden ratio", "GoldenRatio"),
    ("Safe zones", "SafeZones"),
    ("Aspect-ratio frame", "AspectRatioMask"),
    ("Diagonals", "DiagonalLines"),
    ("Corner markers", "CornerMarkers"),
]
GUIDE_COLOURS = [  # (label, (b, g, r))
    ("Yellow", (0, 230, 255)),
    ("Green", (0, 255, 0)),
    ("Cyan", (255, 255, 0)),
    ("Magenta", (255, 0, 255)),
    ("White", (255, 255, 255)),
]
GUIDE_THICKNESSES = [1, 2, 3, 5]
ASPECT_RATIOS = [
    ("1:1", "AR_1_1"),
    ("4:3", "AR_4_3"),
    ("3:2", "AR_3_2"),
    ("16:9", "AR_16_9"),
    ("2.39:1", "AR_2_39_1"),
    ("9:16", "AR_9_16"),
]
GUIDE_MODE_IDS = [wx.NewIdRef() for _ in GUIDE_MODES]
GUIDE_COLOUR_IDS = [wx.NewIdRef() for _ in GUIDE_COLOURS]
GUIDE_THICKNESS_IDS = [wx.NewIdRef() for _ in GUIDE_THICKNESSES]
ASPECT_RATIO_IDS = [wx.NewIdRef() for _ in ASPECT_RATIOS]


def _radio_menu(items, ids):
    menu = wx.Menu()
    for label, cid in zip(items, ids):
        menu.AppendRadioItem(cid, label)
    return menu


def build_menu_bar():
    file_menu = wx.Menu()
    file_menu.Append(OPEN, "&Open image…\tCtrl+O")
    file_menu.Append(SAMPLE, "Open &sample image")
    file_menu.AppendSeparator()
    file_menu.Append(SAVE_ROI, "&Save ROI…\tCtrl+S")
    file_menu.Append(LOAD_ROI, "&Load ROI…\tCtrl+Shift+O")
    file_menu.AppendSeparator()
    file_menu.Append(QUIT, "&Quit\tCtrl+Q")

    crop_menu = wx.Menu()
    crop_menu.Append(CROP_SAVE, "Save &As…\tCtrl+Shift+S", "Write the ROI's bounding region")

    view_menu = wx.Menu()
    view_menu.Append(ZOOM_FIT, "Zoom to &fit\tCtrl+0")
    view_menu.Append(ZOOM_100, "&100 %\tCtrl+1")
    view_menu.Append(ZOOM_IN, "Zoom &in\tCtrl+=")
    view_menu.Append(ZOOM_OUT, "Zoom &out\tCtrl+-")

    tools_menu = wx.Menu()
    for mode, name in MODE_NAMES.items():
        tools_menu.AppendRadioItem(TOOL_IDS[mode], f"{name}\t{TOOL_KEYS[mode]}")
    tools_menu.AppendSeparator()
    tools_menu.Append(CLEAR_ROI, "&Clear ROI\tEscape")

    guides_menu = wx.Menu()
    guides_menu.AppendSubMenu(_radio_menu([m[0] for m in GUIDE_MODES], GUIDE_MODE_IDS), "&Mode")
    colours = _radio_menu([c[0] for c in GUIDE_COLOURS], GUIDE_COLOUR_IDS)
    colours.AppendSeparator()
    colours.Append(GUIDE_CUSTOM_COLOUR, "Other colour…")
    guides_menu.AppendSubMenu(colours, "&Colour")
    thickness = _radio_menu([f"{t} px" for t in GUIDE_THICKNESSES], GUIDE_THICKNESS_IDS)
    guides_menu.AppendSubMenu(thickness, "&Thickness")
    ratios = _radio_menu([a[0] for a in ASPECT_RATIOS], ASPECT_RATIO_IDS)
    guides_menu.AppendSubMenu(ratios, "&Aspect ratio")

    inspect_menu = wx.Menu()
    inspect_menu.AppendCheckItem(EDGES, "&Edges\tCtrl+E", "Show the image's Canny edges")
    inspect_menu.AppendSeparator()
    inspect_menu.Append(RESULT_PASS, "Result: &pass\tF5")
    inspect_menu.Append(RESULT_FAIL, "Result: &fail\tF6")
    inspect_menu.Append(RESULT_RECYCLE, "Result: &recycle\tF7")
    inspect_menu.Append(RESULT_NONE, "&No result\tF8")

    help_menu = wx.Menu()
    help_menu.Append(ABOUT, "&About")

    bar = wx.MenuBar()
    for menu, title in (
        (file_menu, "&File"),
        (crop_menu, "&Crop"),
        (view_menu, "&View"),
        (tools_menu, "&Tools"),
        (guides_menu, "&Guides"),
        (inspect_menu, "&Inspect"),
        (help_menu, "&Help"),
    ):
        bar.Append(menu, title)
    return bar


def build_toolbar(frame):
    tb = frame.CreateToolBar(wx.TB_HORIZONTAL | wx.TB_FLAT)
    size = (icons.SIZE, icons.SIZE)
    tb.SetToolBitmapSize(size)
    art = wx.ArtProvider.GetBitmap
    tb.AddTool(OPEN, "Open", art(wx.ART_FILE_OPEN, wx.ART_TOOLBAR, size), "Open an image")
    tb.AddTool(SAVE_ROI, "Save ROI", art(wx.ART_FILE_SAVE, wx.ART_TOOLBAR, size), "Save ROI")
    tb.AddTool(LOAD_ROI, "Load ROI", art(wx.ART_FOLDER_OPEN, wx.ART_TOOLBAR, size), "Load ROI")
    tb.AddTool(CROP_SAVE, "Crop", icons.icon("crop"), "Save the ROI's region as an image")
    tb.AddSeparator()
    for mode, name in MODE_NAMES.items():
        tb.AddRadioTool(
            TOOL_IDS[mode], name, icons.icon(TOOL_ICONS[mode]), shortHelp=f"{name} tool"
        )
    tb.AddSeparator()
    tb.AddTool(ZOOM_FIT, "Fit", icons.icon("zoom_fit"), "Zoom to fit")
    tb.AddTool(ZOOM_100, "100 %", icons.icon("zoom_100"), "Actual size")
    tb.AddTool(ZOOM_IN, "Zoom in", icons.icon("zoom_in"), "Zoom in")
    tb.AddTool(ZOOM_OUT, "Zoom out", icons.icon("zoom_out"), "Zoom out")
    zoom_label = wx.StaticText(tb, label="100 %", size=(64, -1), style=wx.ALIGN_CENTRE_HORIZONTAL)
    tb.AddControl(zoom_label)
    tb.AddSeparator()
    tb.AddCheckTool(EDGES, "Edges", icons.icon("edges"), shortHelp="Show edges (Canny)")
    tb.Realize()
    return tb, zoom_label
