// MovraROIAdvPanelWrapper: texts over the image and the pass/fail/recycle badge.
#include "module/roi_panel_wrapper.h"

#include <wx/arrstr.h>
#include <wx/string.h>

#include <stdexcept>
#include <string>

#include "module/panel_ops.h"
#include "panels/roi_adv_panel.h"
#include "roi/roi_records.h"

namespace {

using Panel = MovraROIAdvPanel;

std::vector<std::string> ParseTextLines(const py::object& lines) {
    const char* kMessage = "lines must be a str or a sequence of str";
    std::vector<std::string> result;
    if (py::isinstance<py::str>(lines)) {
        // One entry per line break-separated line; a text without a break is one line.
        const std::string text = lines.cast<std::string>();
        size_t start = 0;
        while (true) {
            const size_t end = text.find('\n', start);
            result.push_back(text.substr(start, end - start));
            if (end == std::string::npos) {
                break;
            }
            start = end + 1;
        }
        return result;
    }
    if (!py::isinstance<py::sequence>(lines) || py::isinstance<py::bytes>(lines)) {
        throw py::type_error(kMessage);
    }
    for (const py::handle item : lines) {
        if (!py::isinstance<py::str>(item)) {
            throw py::type_error(kMessage);
        }
        result.push_back(item.cast<std::string>());
    }
    return result;
}

cv::Point2f ParsePosition(const py::tuple& position) {
    if (py::len(position) != 2) {
        throw std::runtime_error("Position tuple must have 2 elements (x, y)");
    }
    return {position[0].cast<float>(), position[1].cast<float>()};
}

// Every argument is read before the panel is called, so a bad one changes nothing.
cvText MakeText(const py::object& lines, const py::tuple& position, const py::tuple& color,
                int fontHeight, const std::string& fontPath, const py::object& background,
                bool visible) {
    cvText text;
    text.visible = visible;
    text.lines = ParseTextLines(lines);
    text.position = ParsePosition(position);
    text.color = ParseColorTuple(color);
    text.fontHeight = fontHeight;
    text.fontPath = fontPath;
    text.drawBackground = !background.is_none();
    if (text.drawBackground) {
        if (!py::isinstance<py::tuple>(background)) {
            throw py::type_error("background must be None or a (B, G, R[, A]) tuple");
        }
        text.backgroundColor = ParseColorTuple(background.cast<py::tuple>());
    }
    return text;
}

}  // namespace

int MovraROIAdvPanelWrapper::AppendText(const py::object& lines, const py::tuple& position,
                                        const py::tuple& color, int fontHeight,
                                        const std::string& fontPath,
                                        const py::object& background) {
    return m_panel.CallOr(-1, [&](Panel& p) {
        return p.AppendOverlay(
            MakeText(lines, position, color, fontHeight, fontPath, background, true));
    });
}

void MovraROIAdvPanelWrapper::UpdateText(int index, const py::object& lines,
                                         const py::tuple& position, const py::tuple& color,
                                         int fontHeight, const std::string& fontPath,
                                         const py::object& background, bool show) {
    m_panel.Call([&](Panel& p) {
        p.UpdateOverlayByIndex(
            index, MakeText(lines, position, color, fontHeight, fontPath, background, show),
            show);
        // The panel repaints only for a shown text; a hidden one must disappear as promptly.
        if (!show) {
            Repaint(p, false);
        }
    });
}

void MovraROIAdvPanelWrapper::SetResultLogo(bool show, int result, const std::string& fontPath,
                                            const std::string& passText,
                                            const std::string& failText,
                                            const std::string& recycleText) {
    m_panel.Call([&](Panel& p) {
        p.UpdatePassFailRecycleLogo(show, result, wxString::FromUTF8(fontPath),
                                    wxString::FromUTF8(passText), wxString::FromUTF8(failText),
                                    wxString::FromUTF8(recycleText));
        Repaint(p, false);
    });
}
