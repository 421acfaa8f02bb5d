#include "module/display_py.h"

#include <cmath>
#include <optional>

#include "module/panel_ops.h"
#include "panels/movra_panel.h"
#include "roi/display_map.h"

namespace {

std::string Joined(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) {
        out += (out.empty() ? "" : ", ") + n;
    }
    return out;
}

std::string Number(double v) { return py::repr(py::float_(v)).cast<std::string>(); }

}  // namespace

py::array SourceMatOf(const MovraPanel* panel) {
    return SourceMatToNumpy(panel != nullptr ? panel->m_matBitmap : cv::Mat());
}

py::object SourcePixelOf(const MovraPanel* panel, int x, int y) {
    if (panel == nullptr) {
        return py::none();
    }
    const cv::Mat& src = panel->m_matBitmap;
    const std::optional<std::vector<double>> values = SourcePixel(src, x, y);
    if (!values) {
        return py::none();
    }
    const bool floating = src.depth() == CV_32F || src.depth() == CV_64F;
    py::tuple out(values->size());
    for (size_t i = 0; i < values->size(); ++i) {
        const double v = (*values)[i];
        out[i] = floating ? py::object(py::float_(v))
                          : py::object(py::int_(static_cast<long long>(v)));
    }
    return out;
}

void SetDisplayLevelsOf(MovraPanel* panel, const py::object& low, const py::object& high) {
    std::optional<DisplayLevels> levels;
    if (!low.is_none() || !high.is_none()) {
        if (low.is_none() || high.is_none()) {
            throw py::type_error("SetDisplayLevels takes both low and high, or None");
        }
        levels = DisplayLevels{low.cast<double>(), high.cast<double>()};
        if (!std::isfinite(levels->low) || !std::isfinite(levels->high) ||
            !(levels->high > levels->low)) {
            throw py::value_error("display levels need finite low < high, not (" +
                                  Number(levels->low) + ", " + Number(levels->high) + ")");
        }
    }
    if (panel == nullptr) {
        return;
    }
    (void)panel->SetDisplayLevels(levels);
    Repaint(*panel, false);
}

py::object DisplayLevelsOf(const MovraPanel* panel) {
    if (panel == nullptr || !panel->GetDisplayMap().Levels()) {
        return py::none();
    }
    const DisplayLevels& l = *panel->GetDisplayMap().Levels();
    return py::make_tuple(l.low, l.high);
}

py::object SetAutoLevelsOf(MovraPanel* panel, double saturated) {
    if (!(saturated >= 0.0 && saturated < 100.0)) {
        throw py::value_error("saturated is a percentage in 0..100, not " + Number(saturated));
    }
    if (panel == nullptr) {
        return py::none();
    }
    const std::optional<DisplayLevels> levels = AutoLevels(panel->m_matBitmap, saturated);
    if (!levels) {
        return py::none();
    }
    (void)panel->SetDisplayLevels(levels);
    Repaint(*panel, false);
    return py::make_tuple(levels->low, levels->high);
}

void SetColormapOf(MovraPanel* panel, const std::string& name) {
    const std::optional<int> colormap = ColormapByName(name);
    if (!colormap) {
        throw py::value_error("unknown colormap '" + name + "'; known: " +
                              Joined(ColormapNames()));
    }
    if (panel == nullptr) {
        return;
    }
    panel->SetColormap(*colormap);
    Repaint(*panel, false);
}

std::string ColormapOf(const MovraPanel* panel) {
    return ColormapName(panel != nullptr ? panel->GetDisplayMap().Colormap() : DisplayMap::kGray);
}
