// The Python methods both panel classes share for their source image and its display: the
// source at its own depth, its pixel values, display levels (set, automatic) and colormaps.
// `W` needs `MovraPanel* BasePanel() const` (null once the panel is gone, when every method
// returns its neutral value).
#pragma once

#include <pybind11/pybind11.h>

#include <string>

#include "module/conversions.h"

class MovraPanel;

[[nodiscard]] py::array SourceMatOf(const MovraPanel* panel);
[[nodiscard]] py::object SourcePixelOf(const MovraPanel* panel, int x, int y);
// ValueError (nothing changed) for levels that are not finite with high > low, TypeError for
// one bound given without the other.
void SetDisplayLevelsOf(MovraPanel* panel, const py::object& low, const py::object& high);
[[nodiscard]] py::object DisplayLevelsOf(const MovraPanel* panel);
// None (levels unchanged) without an image; ValueError for a percentage outside 0..100.
[[nodiscard]] py::object SetAutoLevelsOf(MovraPanel* panel, double saturated);
// ValueError (map unchanged) for an unknown name.
void SetColormapOf(MovraPanel* panel, const std::string& name);
[[nodiscard]] std::string ColormapOf(const MovraPanel* panel);

template <typename W, typename Class>
void BindSourceAndDisplay(Class& cls) {
    cls.def(
           "GetSourceMat", [](const W& w) { return SourceMatOf(w.BasePanel()); },
           "Return the source image at its own depth and channels (uint8, uint16, int16 or "
           "float32); for an 8-bit image what GetRawMat() returns. Empty array without an image.")
        .def(
            "GetSourcePixel",
            [](const W& w, int x, int y) { return SourcePixelOf(w.BasePanel(), x, y); },
            py::arg("x"), py::arg("y"),
            "Return the source values at pixel (x, y) as a tuple (ints for integer images, "
            "floats for float images, in the image's channel order), or None outside the image.")
        .def(
            "SetDisplayLevels",
            [](W& w, const py::object& low, const py::object& high) {
                SetDisplayLevelsOf(w.BasePanel(), low, high);
            },
            py::arg("low"), py::arg("high") = py::none(),
            "Show source value v as clip(round((v - low) * 255 / (high - low)), 0, 255) on every "
            "channel; SetDisplayLevels(None) returns to the default (values saturated). "
            "ValueError for high <= low, NaN or infinity (levels unchanged).")
        .def(
            "GetDisplayLevels", [](const W& w) { return DisplayLevelsOf(w.BasePanel()); },
            "Return (low, high) as floats, or None for the default display.")
        .def(
            "SetAutoLevels",
            [](W& w, double saturated) { return SetAutoLevelsOf(w.BasePanel(), saturated); },
            py::arg("saturated") = 0.35,
            "Set and return the display levels that clip `saturated` per cent of the source's "
            "values, half at each end (read from a subsample of a large image). None without an "
            "image.")
        .def(
            "SetColormap",
            [](W& w, const std::string& name) { SetColormapOf(w.BasePanel(), name); },
            py::arg("name"),
            "Colour a single-channel source on the screen with an OpenCV colormap by its "
            "lower-case name (\"viridis\", \"inferno\", \"jet\", ...; \"gray\" is the default), "
            "applied after the display levels. ValueError for an unknown name (map unchanged).")
        .def(
            "GetColormap", [](const W& w) { return ColormapOf(w.BasePanel()); },
            "Return the colormap's name (\"gray\" by default).");
}
