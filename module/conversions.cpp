#include "module/conversions.h"

#include <climits>
#include <cstring>
#include <optional>
#include <stdexcept>

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
