#include "module/roi_data_dict.h"

#include <pybind11/gil_safe_call_once.h>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "module/conversions.h"

namespace {

constexpr int kVersion = 1;

[[noreturn]] void Bad(const std::string& field, const std::string& why) {
    throw py::value_error(field + ": " + why);
}

std::string Repr(double v) { return py::repr(py::float_(v)).cast<std::string>(); }

// numbers.Real and numbers.Integral, each looked up once and never released: a function-local
// static py::object would be released after the interpreter has ended.
py::object NumbersClass(const char* name) { return py::module_::import("numbers").attr(name); }

const py::object& RealClass() {
    PYBIND11_CONSTINIT static py::gil_safe_call_once_and_store<py::object> storage;
    return storage.call_once_and_store_result([] { return NumbersClass("Real"); }).get_stored();
}

const py::object& IntegralClass() {
    PYBIND11_CONSTINIT static py::gil_safe_call_once_and_store<py::object> storage;
    return storage.call_once_and_store_result([] { return NumbersClass("Integral"); })
        .get_stored();
}

// Real numbers, NumPy's included; bool is refused although Python counts it as an int.
bool IsReal(const py::handle& value) {
    return !PyBool_Check(value.ptr()) && py::isinstance(value, RealClass());
}

double ReadReal(const py::handle& value, const std::string& field) {
    if (!IsReal(value)) {
        Bad(field, "expected a number, not " + TypeName(value));
    }
    const double v = py::float_(py::reinterpret_borrow<py::object>(value));
    if (!std::isfinite(v)) {
        Bad(field, Repr(v) + " is not a finite number");
    }
    return v;
}

// A coordinate is kept in single precision: a finite double beyond its range would turn into
// an infinity there.
float ReadCoordinate(const py::handle& value, const std::string& field) {
    const double v = ReadReal(value, field);
    if (std::abs(v) > FLT_MAX) {
        Bad(field, Repr(v) + " is beyond the single-precision range");
    }
    return static_cast<float>(v);
}

int ReadInt(const py::handle& value, const std::string& field, long long lo, long long hi) {
    if (PyBool_Check(value.ptr()) || !py::isinstance(value, IntegralClass())) {
        Bad(field, "expected an int, not " + TypeName(value));
    }
    const py::int_ number(py::reinterpret_borrow<py::object>(value));
    int overflow = 0;
    const long long v = PyLong_AsLongLongAndOverflow(number.ptr(), &overflow);
    if (overflow != 0 || v < lo || v > hi) {
        Bad(field, py::repr(number).cast<std::string>() + " is outside " + std::to_string(lo) +
                       " to " + std::to_string(hi));
    }
    return static_cast<int>(v);
}

bool IsSequence(const py::handle& value) {
    return py::isinstance<py::list>(value) || py::isinstance<py::tuple>(value);
}

py::dict RequireDict(const py::handle& data) {
    if (!py::isinstance<py::dict>(data)) {
        throw py::type_error("ROI data must be a dict, not " + TypeName(data));
    }
    return py::reinterpret_borrow<py::dict>(data);
}

py::object Get(const py::dict& d, const char* key) {
    return d.contains(key) ? py::reinterpret_borrow<py::object>(d[key]) : py::object();
}

py::object Require(const py::dict& d, const char* key) {
    py::object value = Get(d, key);
    if (!value) {
        Bad(key, "missing");
    }
    return value;
}

void CheckVersion(const py::dict& d) {
    const py::object version = Require(d, "version");
    if (PyBool_Check(version.ptr()) || !py::isinstance<py::int_>(version) ||
        version.cast<py::int_>().cast<long long>() != kVersion) {
        Bad("version", "unsupported version " + py::repr(version).cast<std::string>() +
                           " (this module reads version 1)");
    }
}

std::vector<cv::Point2f> ReadPoints(const py::dict& d) {
    const py::object points = Require(d, "points");
    if (!IsSequence(points)) {
        Bad("points", "expected a list of [x, y] pairs, not " + TypeName(points));
    }
    std::vector<cv::Point2f> result;
    result.reserve(py::len(points));
    std::size_t i = 0;
    for (const py::handle item : points) {
        const std::string field = "points[" + std::to_string(i++) + "]";
        if (!IsSequence(item) || py::len(item) != 2) {
            Bad(field, "expected an [x, y] pair");
        }
        const py::sequence pair = py::reinterpret_borrow<py::sequence>(item);
        result.emplace_back(ReadCoordinate(pair[0], field), ReadCoordinate(pair[1], field));
    }
    return result;
}

double ReadOptionalReal(const py::dict& d, const char* key, double fallback) {
    const py::object value = Get(d, key);
    return value ? ReadReal(value, key) : fallback;
}

py::list PointsToList(const std::vector<cv::Point2f>& points) {
    py::list list(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        list[i] = py::list(py::make_tuple(double{points[i].x}, double{points[i].y}));
    }
    return list;
}

// A measure in the points' own precision: a radius given as 30 reads 30.0, not 29.99999999.
double Single(double v) { return double{static_cast<float>(v)}; }

bool IsRing(int mode) {
    return mode == static_cast<int>(CvROIMode::Circle) ||
           mode == static_cast<int>(CvROIMode::Annulus);
}

// A measure given by name must say what the points say (to a ten-thousandth, relative).
void CheckMeasure(const py::dict& d, const char* key, double fromPoints) {
    const py::object value = Get(d, key);
    if (!value) {
        return;
    }
    const double given = ReadReal(value, key);
    const double scale = std::max({1.0, std::abs(given), std::abs(fromPoints)});
    if (std::abs(given - fromPoints) > 1e-4 * scale) {
        Bad(key, Repr(given) + " does not match the points, which give " + Repr(fromPoints));
    }
}

}  // namespace

py::dict EditingDataToDict(const ROIShape& data) {
    py::dict d;
    d["version"] = kVersion;
    d["mode"] = static_cast<int>(data.mode);
    d["points"] = PointsToList(data.points);
    d["angle"] = data.angle;
    if (IsRing(static_cast<int>(data.mode)) && !data.points.empty()) {
        const RingMeasures m = data.Ring();
        d["outer_radius"] = Single(m.outerRadius);
        if (data.mode == CvROIMode::Annulus) {
            d["inner_radius"] = Single(m.innerRadius);
            d["start_angle"] = Single(m.startAngle);
            d["end_angle"] = Single(m.endAngle);
        }
    }
    return d;
}

ROIShape ParseEditingDataDict(const py::handle& data) {
    const py::dict d = RequireDict(data);
    CheckVersion(d);
    ROIShape shape;
    const int mode = ReadInt(Require(d, "mode"), "mode", INT_MIN, INT_MAX);
    if (!IsEditingMode(mode)) {
        Bad("mode", "unknown mode " + std::to_string(mode) +
                        " (0 none, 1 point, 2 line, 3 rectangle, 4 rotated rectangle, 5 circle, "
                        "6 annulus, 7 polygon)");
    }
    shape.mode = static_cast<CvROIMode>(mode);
    shape.points = ReadPoints(d);
    const std::string countError = EditingPointCountError(mode, shape.points.size());
    if (!countError.empty()) {
        Bad("points", countError);
    }
    shape.angle = ReadOptionalReal(d, "angle", 0.0);
    if (IsRing(mode) && !shape.points.empty()) {
        const RingMeasures m = shape.Ring();
        CheckMeasure(d, "outer_radius", Single(m.outerRadius));
        if (shape.mode == CvROIMode::Annulus) {
            CheckMeasure(d, "inner_radius", Single(m.innerRadius));
            CheckMeasure(d, "start_angle", Single(m.startAngle));
            CheckMeasure(d, "end_angle", Single(m.endAngle));
        }
    }
    return shape;
}

py::dict OverlayToDict(const cvROI& roi) {
    py::dict d;
    d["version"] = kVersion;
    d["mode"] = static_cast<int>(roi.mode);
    d["points"] = PointsToList(roi.points);
    d["angle"] = roi.angle;
    d["color"] = py::list(py::make_tuple(roi.color[0], roi.color[1], roi.color[2], roi.color[3]));
    d["thickness"] = roi.thickness;
    d["visible"] = roi.visible;
    d["line_style"] = static_cast<int>(roi.lineStyle);
    if (roi.mode == CvROIMode::Mask) {
        // The pixels stay in the panel: a dict of plain values is no place for an image.
        py::dict mask;
        mask["width"] = roi.mask.cols;
        mask["height"] = roi.mask.rows;
        d["mask"] = mask;
    }
    return d;
}

cvROI ParseOverlayDict(const py::handle& data) {
    const py::dict d = RequireDict(data);
    CheckVersion(d);
    cvROI roi;
    const int mode = ReadInt(Require(d, "mode"), "mode", INT_MIN, INT_MAX);
    if (mode == static_cast<int>(CvROIMode::Mask)) {
        Bad("mode", "a mask overlay is added with AppendMaskOverlay");
    }
    if (!IsShapeOverlayMode(mode)) {
        Bad("mode", "unknown mode " + std::to_string(mode) + " (0 to 9)");
    }
    roi.mode = static_cast<CvROIMode>(mode);
    roi.points = ReadPoints(d);
    const std::string countError = OverlayPointCountError(mode, roi.points.size());
    if (!countError.empty()) {
        Bad("points", countError);
    }
    roi.angle = ReadOptionalReal(d, "angle", 0.0);
    const py::object color = Require(d, "color");
    if (!IsSequence(color) || (py::len(color) != 3 && py::len(color) != 4)) {
        Bad("color", "expected [B, G, R] or [B, G, R, A]");
    }
    roi.color = cv::Scalar(0, 0, 0, 255);
    std::size_t i = 0;
    for (const py::handle channel : color) {
        const std::string field = "color[" + std::to_string(i) + "]";
        const double v = ReadReal(channel, field);
        if (v < 0.0 || v > 255.0) {
            Bad(field, Repr(v) + " is outside 0 to 255");
        }
        roi.color[static_cast<int>(i++)] = v;
    }
    const py::object thickness = Get(d, "thickness");
    roi.thickness = thickness ? ReadInt(thickness, "thickness", INT_MIN, INT_MAX) : 2;
    const py::object visible = Get(d, "visible");
    if (visible && !PyBool_Check(visible.ptr())) {
        Bad("visible", "expected True or False, not " + TypeName(visible));
    }
    roi.visible = visible ? visible.cast<bool>() : true;
    const py::object style = Get(d, "line_style");
    roi.lineStyle = static_cast<LineStyle>(style ? ReadInt(style, "line_style", 0, 2) : 0);
    roi.highlightIndex = -1;
    return roi;
}
