// Conversions between Python values (NumPy arrays, tuples, lists) and OpenCV types.
// Images always cross by copy: no matrix refers to an array's memory or the reverse.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <opencv2/core.hpp>

#include <functional>
#include <string>
#include <vector>

namespace py = pybind11;

// Any array NumPy can force-cast to uint8 (float arrays included).
using UInt8Array = py::array_t<std::uint8_t, py::array::forcecast>;

// Deep copy of a (rows, cols) or (rows, cols, n) array: n = 3 or 4 gives that many channels,
// any other n one channel made of the first rows x cols values. Views with strides are read
// as NumPy shows them. Throws std::runtime_error for other shapes.
[[nodiscard]] cv::Mat NumpyToMat(const UInt8Array& array);

// Calls `use` with a matrix header over the array's pixels laid out as NumpyToMat reads them
// (no copy when the array is already packed), for callers that copy the pixels themselves.
// The header is valid only during the call. Same shape rules and errors as NumpyToMat.
void WithNumpyView(const UInt8Array& array, const std::function<void(const cv::Mat&)>& use);

// Calls `use` with a matrix header over an image array for a panel: uint8, uint16, int16,
// float32 and float64 arrays as they are (no copy when packed; the panel stores them), any
// other dtype saturated to uint8 first (floats rounded, NaN as 0). Shapes as NumpyToMat, except
// that 2 or more than 4 channels raise ValueError naming the count.
void WithImageArray(const py::array& array, const std::function<void(const cv::Mat&)>& use);

// An image argument as an array: ndarrays as they are, other values through numpy.asarray
// (nested sequences, scalars); TypeError for what holds no numbers.
[[nodiscard]] py::array ImageArrayFrom(const py::object& value);

// The array as uint8 by saturation (floats rounded, NaN as 0); the array itself when it is
// uint8 already. TypeError for dtypes that hold no numbers (objects, strings, complex).
[[nodiscard]] py::array SaturatedUInt8(const py::array& array);

// New array owning a copy of the pixels at their own depth (uint8, int8, uint16, int16, int32,
// float32, float64); shape (0,) for an empty matrix.
[[nodiscard]] py::array SourceMatToNumpy(const cv::Mat& mat);

// New uint8 array owning a copy of the pixels; shape (0,) for an empty matrix. Deeper
// matrices are brought to 8 bits by saturation (scale 1, offset 0).
[[nodiscard]] py::array_t<std::uint8_t> MatToNumpy(const cv::Mat& mat);

// (x, y, w, h); throws std::runtime_error unless the tuple has exactly four elements.
[[nodiscard]] cv::Rect ParseRectTuple(const py::tuple& rect);

// Items with fewer than two elements are skipped; further elements are ignored.
[[nodiscard]] std::vector<cv::Point2f> ParsePointList(const py::list& points);

// (B, G, R[, A]) as a scalar, alpha 255 when absent; fewer than three elements give (0, 0, 0, 0).
[[nodiscard]] cv::Scalar ParseColorTuple(const py::tuple& tuple);

// The Python type name of `value` ("str", "NoneType", ...), for error messages.
[[nodiscard]] std::string TypeName(const py::handle& value);

[[nodiscard]] py::tuple PointToTuple(const cv::Point2f& point);
[[nodiscard]] py::tuple RectToTuple(const cv::Rect& rect);
[[nodiscard]] py::list PointListToList(const std::vector<cv::Point2f>& points);
