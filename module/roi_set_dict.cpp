#include "module/roi_set_dict.h"

#include <set>
#include <utility>

#include "module/roi_data_dict.h"
#include "panels/roi_adv_panel.h"

namespace {

[[noreturn]] void Bad(const std::string& field, const std::string& why) {
    throw py::value_error(field + ": " + why);
}

int ReadId(const py::handle& value, const std::string& field) {
    if (PyBool_Check(value.ptr()) || !py::isinstance<py::int_>(value)) {
        Bad(field, "expected an int id, not " + py::repr(value).cast<std::string>());
    }
    const long long id = value.cast<py::int_>().cast<long long>();
    if (id < 1 || id > 2147483646) {
        Bad(field, "id " + std::to_string(id) + " is outside 1 to 2147483646");
    }
    return static_cast<int>(id);
}

}  // namespace

ROIShape ShapeById(MovraROIAdvPanel& panel, const py::handle& id) {
    panel.SyncSelectedROI();
    const ROIEntry* entry =
        py::isinstance<py::int_>(id) ? panel.m_rois.Find(id.cast<int>()) : nullptr;
    if (entry == nullptr) {
        throw py::key_error(py::repr(id).cast<std::string>());
    }
    return entry->shape;
}

cv::Scalar ParseROIColor(const py::handle& color, const std::string& field) {
    if (!py::isinstance<py::sequence>(color) || py::isinstance<py::str>(color) ||
        (py::len(color) != 3 && py::len(color) != 4)) {
        Bad(field, "expected (B, G, R) or (B, G, R, A)");
    }
    cv::Scalar out(0, 0, 0, 255);
    int i = 0;
    for (const py::handle channel : color) {
        const std::string at = field + "[" + std::to_string(i) + "]";
        if (PyBool_Check(channel.ptr()) ||
            (!py::isinstance<py::int_>(channel) && !py::isinstance<py::float_>(channel))) {
            Bad(at, "expected a number");
        }
        const double v = channel.cast<double>();
        if (!(v >= 0.0 && v <= 255.0)) {
            Bad(at, py::repr(channel).cast<std::string>() + " is outside 0 to 255");
        }
        out[i++] = v;
    }
    return out;
}

py::dict EntryToDict(const ROIEntry& entry) {
    py::dict d = EditingDataToDict(entry.shape);
    d["id"] = entry.id;
    d["name"] = entry.name;
    d["color"] = py::make_tuple(entry.color[0], entry.color[1], entry.color[2], entry.color[3]);
    return d;
}

ROISetData ParseROISetData(const py::handle& data) {
    if (!py::isinstance<py::dict>(data)) {
        throw py::type_error("expected a dict, not " +
                             py::str(py::type::of(data).attr("__name__")).cast<std::string>());
    }
    const py::dict d = py::reinterpret_borrow<py::dict>(data);
    ROISetData out;
    if (!d.contains("version")) {
        Bad("version", "missing");
    }
    const py::object version = d["version"];
    if (py::isinstance<py::int_>(version) && !PyBool_Check(version.ptr()) &&
        version.cast<long long>() == 1) {
        // One shape, read as a set of one (selected, as the editing ROI it was).
        ROIEntry entry;
        entry.id = 1;
        entry.shape = ParseEditingDataDict(d);
        entry.color = ROISet::PaletteColor(1);
        out.entries.push_back(std::move(entry));
        out.selected = 1;
        out.single = true;
        return out;
    }
    if (!py::isinstance<py::int_>(version) || PyBool_Check(version.ptr()) ||
        version.cast<long long>() != 2) {
        Bad("version", "unsupported version " + py::repr(version).cast<std::string>() +
                           " (this module reads versions 1 and 2)");
    }
    if (!d.contains("rois") || !py::isinstance<py::list>(d["rois"])) {
        Bad("rois", "expected a list of ROI dicts");
    }
    std::set<int> ids;
    const py::list rois = d["rois"];
    for (size_t i = 0; i < rois.size(); ++i) {
        const std::string field = "rois[" + std::to_string(i) + "]";
        const py::handle item = rois[i];
        if (!py::isinstance<py::dict>(item)) {
            Bad(field, "expected a dict");
        }
        const py::dict e = py::reinterpret_borrow<py::dict>(item);
        ROIEntry entry;
        if (!e.contains("id")) {
            Bad(field + ".id", "missing");
        }
        entry.id = ReadId(e["id"], field + ".id");
        if (!ids.insert(entry.id).second) {
            Bad(field + ".id", "id " + std::to_string(entry.id) + " appears twice");
        }
        try {
            entry.shape = ParseEditingDataDict(e);
        } catch (const py::value_error& err) {
            throw py::value_error(field + "." + err.what());
        }
        if (e.contains("name") && !e["name"].is_none()) {
            if (!py::isinstance<py::str>(e["name"])) {
                Bad(field + ".name", "expected a str");
            }
            entry.name = e["name"].cast<std::string>();
        }
        entry.color = e.contains("color") && !e["color"].is_none()
                          ? ParseROIColor(e["color"], field + ".color")
                          : ROISet::PaletteColor(entry.id);
        out.entries.push_back(std::move(entry));
    }
    if (d.contains("selected") && !d["selected"].is_none()) {
        const int selected = ReadId(d["selected"], "selected");
        if (ids.count(selected) == 0) {
            Bad("selected", "no ROI has id " + std::to_string(selected));
        }
        out.selected = selected;
    }
    return out;
}
