// The `parent_handle` argument of both panel classes: a native window handle (int) as before, or
// a wx.Window object, whose C++ window is found through wxPython's own wrapper and accepted only
// when it is a live window of this process.
#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>

#include "module/host_embedding.h"

namespace py = pybind11;

// What the caller passed: an int handle, or (when `window` is set) some other object.
struct PanelParent {
    std::uintptr_t handle = 0;
    py::object window;
};

// The placement of a panel under `parent`. A window object must be a live wx.Window of this
// process: anything else (another type, a destroyed or dying window, a non-window wx object)
// raises TypeError before any window or window id is taken.
[[nodiscard]] PanelPlacement PlacementFor(const PanelParent& parent, int id, int x, int y,
                                          int width, int height, long style,
                                          const std::string& name);

namespace pybind11::detail {

// Ints go through the integer conversion unchanged (a negative one is refused there, as
// before); every other object is taken as a window candidate and judged by PlacementFor.
template <>
struct type_caster<PanelParent> {
    PYBIND11_TYPE_CASTER(PanelParent, const_name("int | wx.Window"));

    bool load(handle src, bool convert) {
        make_caster<std::uintptr_t> asInt;
        if (asInt.load(src, convert)) {
            value.handle = cast_op<std::uintptr_t>(asInt);
            value.window = object();
            return true;
        }
        if (PyLong_Check(src.ptr()) != 0 || PyFloat_Check(src.ptr()) != 0) {
            return false;
        }
        value.handle = 0;
        value.window = reinterpret_borrow<object>(src);
        return true;
    }
};

}  // namespace pybind11::detail
