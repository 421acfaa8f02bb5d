// MovraROIAdvPanelWrapper: the set of named ROIs.
#include <utility>

#include "module/roi_data_dict.h"
#include "module/roi_panel_wrapper.h"
#include "module/roi_set_dict.h"
#include "panels/roi_adv_panel.h"

namespace {

using Panel = MovraROIAdvPanel;

ROIEntry& EntryOrKeyError(Panel& p, int id) {
    ROIEntry* entry = p.m_rois.Find(id);
    if (entry == nullptr) {
        throw py::key_error(std::to_string(id));
    }
    return *entry;
}

}  // namespace

int MovraROIAdvPanelWrapper::AddROI(int mode, const py::list& points, double angle,
                                    const std::string& name, const py::object& color) {
    return m_panel.CallOr(-1, [&](Panel& p) {
        // The same checks as shape data: a bad mode or point count is refused, nothing added.
        py::dict data;
        data["version"] = 1;
        data["mode"] = mode;
        data["points"] = points;
        data["angle"] = angle;
        ROIShape shape = ParseEditingDataDict(data);
        const bool palette = color.is_none();
        const cv::Scalar colour = palette ? cv::Scalar() : ParseROIColor(color, "color");
        const int id = p.m_rois.NextId();
        return p.AddROI(std::move(shape), name, palette ? ROISet::PaletteColor(id) : colour);
    });
}

py::list MovraROIAdvPanelWrapper::GetROIs() const {
    py::list out;
    m_panel.Call([&](Panel& p) {
        p.SyncSelectedROI();
        for (const ROIEntry& e : p.m_rois.Entries()) out.append(EntryToDict(e));
    });
    return out;
}

py::dict MovraROIAdvPanelWrapper::GetROI(int id) const {
    return m_panel.CallOr(py::dict(), [&](Panel& p) {
        p.SyncSelectedROI();
        return EntryToDict(EntryOrKeyError(p, id));
    });
}

void MovraROIAdvPanelWrapper::UpdateROI(int id, const py::object& data) {
    m_panel.Call([&](Panel& p) {
        (void)EntryOrKeyError(p, id);
        (void)p.UpdateROI(id, ParseEditingDataDict(data));
    });
}

void MovraROIAdvPanelWrapper::RenameROI(int id, const std::string& name) {
    m_panel.Call([&](Panel& p) {
        (void)EntryOrKeyError(p, id);
        (void)p.RenameROI(id, name);
    });
}

void MovraROIAdvPanelWrapper::SetROIColor(int id, const py::tuple& color) {
    m_panel.Call([&](Panel& p) {
        const cv::Scalar colour = ParseROIColor(color, "color");
        (void)EntryOrKeyError(p, id);
        (void)p.SetROIColor(id, colour);
    });
}

bool MovraROIAdvPanelWrapper::RemoveROI(int id) {
    return m_panel.CallOr(false, [&](Panel& p) { return p.RemoveROI(id); });
}

void MovraROIAdvPanelWrapper::ClearROIs() {
    m_panel.Call([](Panel& p) { p.ClearROIs(); });
}

void MovraROIAdvPanelWrapper::SelectROI(const py::object& id) {
    m_panel.Call([&](Panel& p) {
        if (id.is_none()) {
            (void)p.SelectROI(-1);
            return;
        }
        if (!py::isinstance<py::int_>(id) || !p.SelectROI(id.cast<int>())) {
            throw py::key_error(py::repr(id).cast<std::string>());
        }
    });
}

py::object MovraROIAdvPanelWrapper::GetSelectedROI() const {
    return m_panel.CallOr(py::object(py::none()), [](Panel& p) -> py::object {
        if (p.m_selectedROI < 0) return py::none();
        return py::int_(p.m_selectedROI);
    });
}

py::dict MovraROIAdvPanelWrapper::GetROISetData() const {
    py::dict out;
    out["version"] = 2;
    out["rois"] = GetROIs();
    out["selected"] = GetSelectedROI();
    return out;
}

void MovraROIAdvPanelWrapper::SetROISetData(const py::object& data) {
    m_panel.Call([&](Panel& p) {
        ROISetData parsed = ParseROISetData(data);
        if (parsed.single) {
            // Ids are never reused: the one shape gets the next, and is selected.
            const int id = p.m_rois.NextId();
            parsed.entries[0].id = id;
            parsed.entries[0].color = ROISet::PaletteColor(id);
            parsed.selected = id;
        }
        p.ReplaceROIs(std::move(parsed.entries), parsed.selected ? *parsed.selected : -1);
    });
}

void MovraROIAdvPanelWrapper::SetMultiROI(bool enable) {
    m_panel.Call([&](Panel& p) { p.SetMultiROI(enable); });
}

bool MovraROIAdvPanelWrapper::GetMultiROI() const {
    return m_panel.CallOr(false, [](Panel& p) { return p.GetMultiROI(); });
}
