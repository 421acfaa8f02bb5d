// The Python callables of one ROI panel wrapper and the native forwarders that the panel calls.
// A forwarder takes the interpreter lock itself (panel events arrive from the wx event loop,
// which runs without it); errors raised in Python go to sys.unraisablehook and never reach the
// panel or the event loop. GUI thread only.
#pragma once

#include <pybind11/pybind11.h>

#include <opencv2/core/types.hpp>

#include <functional>
#include <memory>

class MovraROIAdvPanel;

namespace py = pybind11;

// Shared by the wrapper and the forwarders installed in its panel: the panel may outlive the
// wrapper by a few events (its destruction is put off while one of its handlers runs), and a
// callback may destroy the wrapper while it runs.
struct RoiCallbacks {
    RoiCallbacks() = default;
    RoiCallbacks(const RoiCallbacks&) = delete;
    RoiCallbacks& operator=(const RoiCallbacks&) = delete;
    ~RoiCallbacks() { ReleaseAll(); }

    // Drops every reference (ROI-set-changed, ROI-changing, mouse-move, right double-click,
    // left double-click, right-click, crop, in that order), taking the interpreter lock when the
    // caller does not hold it. With no interpreter left to take it from, the references are
    // abandoned instead.
    void ReleaseAll();
    // For Python's garbage collector (tp_traverse): visits every held callable.
    int Traverse(visitproc visit, void* arg) const;

    py::object onCrop;
    py::object onRightClick;
    py::object onLeftDClick;
    py::object onRightDClick;
    py::object onMouseMove;
    py::object onROIChanging;
    py::object onROISetChanged;
    // Forwarders of this wrapper that are inside Python now.
    int activeCalls = 0;
};

// Binds the crop event of `panel` to a handler that calls `callbacks->onCrop` with the tuple
// (x, y, width, height) and lets the event go on to other handlers.
void BindCropForwarder(MovraROIAdvPanel& panel, std::shared_ptr<RoiCallbacks> callbacks);

// For the panel's right-click member: calls onRightClick((x, y), code); its truth says whether
// the context menu is suppressed (false when unset, None, or on an error).
[[nodiscard]] std::function<bool(const cv::Point2f&, int)> RightClickForwarder(
    std::shared_ptr<RoiCallbacks> callbacks);

// For the panel's double-click and motion members: calls the callable in `slot` with (x, y).
[[nodiscard]] std::function<void(const cv::Point2f&)> PointForwarder(
    std::shared_ptr<RoiCallbacks> callbacks, py::object RoiCallbacks::*slot);

// For the panel's ROI-changing member: calls onROIChanging with (x, y, width, height).
[[nodiscard]] std::function<void(const cv::Rect&)> RectForwarder(
    std::shared_ptr<RoiCallbacks> callbacks);

// For the panel's ROI-set member: calls onROISetChanged(action, id), id None for -1.
[[nodiscard]] std::function<void(const char*, int)> SetChangeForwarder(
    std::shared_ptr<RoiCallbacks> callbacks);
