#include "module/parent_window.h"

#include <wx/window.h>

#include <string>

#include "module/conversions.h"

namespace {

[[noreturn]] void NotAWindow(const py::handle& obj) {
    throw py::type_error(
        "parent_handle must be an int (a native window handle) or a wx.Window, not " +
        TypeName(obj));
}

// The C++ window behind a wx.Window object; TypeError for anything else.
wxWindow* UnwrapWindow(const py::object& obj) {
    py::object windowType;
    py::object siplib;
    try {
        windowType = py::module_::import("wx").attr("Window");
        siplib = py::module_::import("wx.siplib");
    } catch (py::error_already_set&) {
        NotAWindow(obj);  // without wxPython nothing can be a wx.Window
    }
    if (!py::isinstance(obj, windowType)) {
        NotAWindow(obj);
    }
    const std::string destroyed =
        "parent_handle must be a live wx.Window; this " + TypeName(obj) + " has been destroyed";
    if (siplib.attr("isdeleted")(obj).cast<bool>()) {
        throw py::type_error(destroyed);
    }
    const auto address = siplib.attr("unwrapinstance")(obj).cast<std::uintptr_t>();
    // The address is trusted only once it has been found among the windows that exist now.
    wxWindow* window = FindLiveWindow(reinterpret_cast<const void*>(address));
    if (window == nullptr) {
        throw py::type_error("parent_handle must be a live wx.Window; this " + TypeName(obj) +
                             " is not among the windows of this process");
    }
    if (IsGoingAway(window)) {
        throw py::type_error(destroyed);
    }
    return window;
}

}  // namespace

PanelPlacement PlacementFor(const PanelParent& parent, int id, int x, int y, int width,
                            int height, long style, const std::string& name) {
    PanelPlacement placement;
    placement.parentHandle = parent.handle;
    if (parent.window) {
        placement.parentWindow = UnwrapWindow(parent.window);
    }
    placement.id = id;
    placement.x = x;
    placement.y = y;
    placement.width = width;
    placement.height = height;
    placement.style = style;
    placement.name = name;
    return placement;
}
