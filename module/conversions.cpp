#include "module/conversions.h"

#include <climits>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Below this a copy takes microseconds: giving the interpreter lock away costs more.
constexpr size_t kUnlockedCopyBytes = size_t{1} << 20;

using PackedUInt8Array = py::array_t<std::uint8_t, py::array::c_style | py::array::forcecast>;

int ExtentAsInt(py::ssize_t extent) {
    if (extent > INT_MAX) {
        throw std::runtime_error("Array is too large for an image");
    }
    return static_cast<int>(extent);
}

}  // namespace

void WithNumpyView(const UInt8Array& array, const std::function<void(const cv::Mat&)>& use) {
    const py::ssize_t ndim = array.ndim();
    if (ndim != 2 && ndim != 3) {
        throw std::runtime_error("Number of dimensions must be 2 or 3");
    }
    if (ndim == 3 && array.shape(2) == 0) {
        throw std::runtime_error("Array has no channels");
    }
    const int rows = ExtentAsInt(array.shape(0));
    const int cols = ExtentAsInt(array.shape(1));
    const py::ssize_t channels = ndim == 3 ? array.shape(2) : 1;
    const int type = channels == 3 ? CV_8UC3 : channels == 4 ? CV_8UC4 : CV_8UC1;
    if (rows == 0 || cols == 0) {
        use(cv::Mat());
        return;
    }
    // Sliced, transposed or reversed views are first laid out as packed rows, so the image
    // is what the array shows and nothing outside its buffer is read.
    const PackedUInt8Array packed = PackedUInt8Array::ensure(array);
    if (!packed) {
        throw py::error_already_set();
    }
    use(cv::Mat(rows, cols, type, const_cast<std::uint8_t*>(packed.data())));
}

cv::Mat NumpyToMat(const UInt8Array& array) {
    cv::Mat copy;
    WithNumpyView(array, [&copy](const cv::Mat& view) { copy = view.clone(); });
    return copy;
}

py::array_t<std::uint8_t> MatToNumpy(const cv::Mat& mat) {
    if (mat.empty()) {
        return py::array_t<std::uint8_t>(0);
    }
    // Large conversions and copies run without the interpreter lock: the new array is not
    // visible to any other thread yet, and `mat` is the caller's.
    const bool large = mat.total() * mat.elemSize() >= kUnlockedCopyBytes;
    cv::Mat bytes;
    {
        std::optional<py::gil_scoped_release> unlocked;
        if (large) unlocked.emplace();
        if (mat.depth() != CV_8U) {
            mat.convertTo(bytes, CV_MAKETYPE(CV_8U, mat.channels()));  // saturates, no rescaling
        } else if (!mat.isContinuous()) {
            bytes = mat.clone();
        } else {
            bytes = mat;
        }
    }
    const int channels = bytes.channels();
    py::array_t<std::uint8_t> result =
        channels == 1 ? py::array_t<std::uint8_t>({bytes.rows, bytes.cols})
                      : py::array_t<std::uint8_t>({bytes.rows, bytes.cols, channels});
    std::uint8_t* out = result.mutable_data();
    {
        std::optional<py::gil_scoped_release> unlocked;
        if (large) unlocked.emplace();
        std::memcpy(out, bytes.data, bytes.total() * bytes.elemSize());
    }
    return result;
}

py::array ImageArrayFrom(const py::object& value) {
    if (py::isinstance<py::array>(value)) {
        return py::reinterpret_borrow<py::array>(value);
    }
    const char* kinds = "biuf";
    if (!value.is_none() && !py::isinstance<py::str>(value) && !py::isinstance<py::dict>(value)) {
        const py::array array = py::module_::import("numpy").attr("asarray")(value);
        if (std::strchr(kinds, array.dtype().kind()) != nullptr) {
            return array;
        }
    }
    throw py::type_error("an image is an array of numbers, not " + TypeName(value));
}

py::array SaturatedUInt8(const py::array& array) {
    const py::dtype dtype = array.dtype();
    const char kind = dtype.kind();
    if (kind == 'u' && dtype.itemsize() == 1) {
        return array;
    }
    if (kind != 'b' && kind != 'u' && kind != 'i' && kind != 'f') {
        throw py::type_error("image arrays hold numbers; dtype " +
                             py::str(static_cast<py::object>(dtype)).cast<std::string>() +
                             " is not one");
    }
    const py::module_ np = py::module_::import("numpy");
    py::object values = array;
    if (kind == 'f') {
        values = np.attr("nan_to_num")(np.attr("rint")(array), py::arg("nan") = 0.0);
    }
    if (kind != 'b') {
        values = np.attr("clip")(values, 0, 255);
    }
    return values.attr("astype")(np.attr("uint8"));
}

namespace {

template <typename T>
void UsePacked(const py::array& array, int depth, int channels,
               const std::function<void(const cv::Mat&)>& use) {
    using Packed = py::array_t<T, py::array::c_style | py::array::forcecast>;
    const Packed packed = Packed::ensure(array);
    if (!packed) {
        throw py::error_already_set();
    }
    const int rows = ExtentAsInt(array.shape(0));
    const int cols = ExtentAsInt(array.shape(1));
    use(cv::Mat(rows, cols, CV_MAKETYPE(depth, channels), const_cast<T*>(packed.data())));
}

}  // namespace

void WithImageArray(const py::array& array, const std::function<void(const cv::Mat&)>& use) {
    const py::ssize_t ndim = array.ndim();
    if (ndim != 2 && ndim != 3) {
        throw std::runtime_error("Number of dimensions must be 2 or 3");
    }
    if (ndim == 3 && array.shape(2) == 0) {
        throw std::runtime_error("Array has no channels");
    }
    const py::ssize_t channels = ndim == 3 ? array.shape(2) : 1;
    if (channels == 2 || channels > 4) {
        throw py::value_error("an image has 1, 3 or 4 channels, not " + std::to_string(channels));
    }
    if (array.shape(0) == 0 || array.shape(1) == 0) {
        use(cv::Mat());
        return;
    }
    const int cn = static_cast<int>(channels);
    const py::dtype dtype = array.dtype();
    const char kind = dtype.kind();
    const auto size = dtype.itemsize();
    if (kind == 'u' && size == 2) {
        UsePacked<std::uint16_t>(array, CV_16U, cn, use);
    } else if (kind == 'i' && size == 2) {
        UsePacked<std::int16_t>(array, CV_16S, cn, use);
    } else if (kind == 'f' && size == 4) {
        UsePacked<float>(array, CV_32F, cn, use);
    } else if (kind == 'f' && size == 8) {
        UsePacked<double>(array, CV_64F, cn, use);
    } else {
        UsePacked<std::uint8_t>(SaturatedUInt8(array), CV_8U, cn, use);
    }
}

py::array SourceMatToNumpy(const cv::Mat& mat) {
    if (mat.empty()) {
        return py::array_t<std::uint8_t>(0);
    }
    py::dtype dtype;
    switch (mat.depth()) {
        case CV_8U: dtype = py::dtype::of<std::uint8_t>(); break;
        case CV_8S: dtype = py::dtype::of<std::int8_t>(); break;
        case CV_16U: dtype = py::dtype::of<std::uint16_t>(); break;
        case CV_16S: dtype = py::dtype::of<std::int16_t>(); break;
        case CV_32S: dtype = py::dtype::of<std::int32_t>(); break;
        case CV_32F: dtype = py::dtype::of<float>(); break;
        case CV_64F: dtype = py::dtype::of<double>(); break;
        default: throw std::runtime_error("image depth has no NumPy dtype");
    }
    const int channels = mat.channels();
    std::vector<py::ssize_t> shape{mat.rows, mat.cols};
    if (channels > 1) {
        shape.push_back(channels);
    }
    py::array result(dtype, shape);
    const size_t rowBytes = static_cast<size_t>(mat.cols) * mat.elemSize();
    auto* out = static_cast<std::uint8_t*>(result.mutable_data());
    for (int y = 0; y < mat.rows; ++y) {
        std::memcpy(out + rowBytes * y, mat.ptr(y), rowBytes);
    }
    return result;
}

cv::Rect ParseRectTuple(const py::tuple& rect) {
    if (py::len(rect) != 4) {
        throw std::runtime_error("Rect tuple must have 4 elements (x, y, w, h)");
    }
    const int x = rect[0].cast<int>();
    const int y = rect[1].cast<int>();
    const int w = rect[2].cast<int>();
    const int h = rect[3].cast<int>();
    return {x, y, w, h};
}

std::vector<cv::Point2f> ParsePointList(const py::list& points) {
    std::vector<cv::Point2f> result;
    // The length is read before every item: a list may change while its items are converted.
    for (size_t i = 0; i < py::len(points); ++i) {
        const py::tuple item(points[i]);
        if (py::len(item) >= 2) {
            const float x = item[0].cast<float>();
            const float y = item[1].cast<float>();
            result.emplace_back(x, y);
        }
    }
    return result;
}

cv::Scalar ParseColorTuple(const py::tuple& tuple) {
    cv::Scalar color(0, 0, 0, 0);
    if (py::len(tuple) < 3) {
        return color;
    }
    color[0] = tuple[0].cast<double>();
    color[1] = tuple[1].cast<double>();
    color[2] = tuple[2].cast<double>();
    color[3] = py::len(tuple) >= 4 ? tuple[3].cast<double>() : 255.0;
    return color;
}

std::string TypeName(const py::handle& value) {
    return py::str(py::type::handle_of(value).attr("__name__")).cast<std::string>();
}

py::tuple PointToTuple(const cv::Point2f& point) {
    return py::make_tuple(static_cast<double>(point.x), static_cast<double>(point.y));
}

py::tuple RectToTuple(const cv::Rect& rect) {
    return py::make_tuple(rect.x, rect.y, rect.width, rect.height);
}

py::list PointListToList(const std::vector<cv::Point2f>& points) {
    py::list result;
    for (const cv::Point2f& p : points) {
        result.append(PointToTuple(p));
    }
    return result;
}
