// The panel's set of named ROIs: selection hands a shape to the editor and back, and the
// unselected ROIs are drawn beneath the editing one.
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <string>
#include <utility>

#include "panels/roi_adv_panel.h"
#include "panels/roi_layers.h"

void MovraROIAdvPanel::SyncSelectedROI() {
    if (m_selectedROI >= 0) {
        (void)m_rois.SetShape(m_selectedROI,
                              m_editor.Shape(static_cast<CvROIMode>(m_roiMode)));
    }
}

bool MovraROIAdvPanel::SelectROI(int id) {
    const ROIEntry* entry = id >= 0 ? m_rois.Find(id) : nullptr;
    if (id >= 0 && entry == nullptr) {
        return false;
    }
    SyncSelectedROI();
    m_selectedROI = id;
    m_editor.SetROIParamDefault();
    if (entry != nullptr) {
        m_roiMode = static_cast<int>(entry->shape.mode);
        m_editor.StoreShape(entry->shape);
    }
    // The steps recorded so far belong to the shape that was selected before.
    m_editor.m_history = ROIHistory();
    Refresh(false);
    return true;
}

int MovraROIAdvPanel::AddROI(ROIShape shape, std::string name, const cv::Scalar& color) {
    const int id = m_rois.Add(std::move(shape), std::move(name), color);
    Refresh(false);
    return id;
}

bool MovraROIAdvPanel::UpdateROI(int id, ROIShape shape) {
    if (m_rois.Find(id) == nullptr) {
        return false;
    }
    if (id == m_selectedROI) {
        m_roiMode = static_cast<int>(shape.mode);
        m_editor.SetROIParamDefault();
        m_editor.StoreShape(shape);
    }
    (void)m_rois.SetShape(id, std::move(shape));
    Refresh(false);
    return true;
}

bool MovraROIAdvPanel::RemoveROI(int id) {
    if (!m_rois.Remove(id)) {
        return false;
    }
    if (id == m_selectedROI) {
        m_selectedROI = -1;
        m_editor.SetROIParamDefault();
        m_editor.m_history = ROIHistory();
    }
    Refresh(false);
    return true;
}

void MovraROIAdvPanel::ClearROIs() {
    m_rois.Clear();
    if (m_selectedROI >= 0) {
        m_selectedROI = -1;
        m_editor.SetROIParamDefault();
        m_editor.m_history = ROIHistory();
    }
    Refresh(false);
}

namespace {

// The labels' font: OpenCV's Hershey simplex at half size, drawn 4 pixels above the bounds.
constexpr int kLabelFont = cv::FONT_HERSHEY_SIMPLEX;
constexpr double kLabelScale = 0.5;
constexpr int kLabelGap = 4;
// Window pixels a pen of width 2 and its antialiasing reach beyond a shape's bounds.
constexpr double kPenReach = 3.0;

struct LabelExtent {
    int advance = 0;  // the widest character's (a name's bytes times it bound its width)
    int height = 0;   // from the bounds' top edge to the highest ink
    int depth = 0;    // below the baseline
};

const LabelExtent& Label() {
    static const LabelExtent extent = [] {
        LabelExtent e;
        for (char c = ' '; c <= '~'; ++c) {
            int baseline = 0;
            const cv::Size size = cv::getTextSize(std::string(1, c), kLabelFont, kLabelScale, 1,
                                                  &baseline);
            e.advance = std::max(e.advance, size.width + 1);
            e.height = std::max(e.height, size.height + kLabelGap + 1);
            e.depth = std::max(e.depth, baseline);
        }
        return e;
    }();
    return extent;
}

}  // namespace

void MovraROIAdvPanel::DrawROISet(cv::Mat& buffer) {
    if (m_rois.Size() == 0 || buffer.empty()) {
        return;
    }
    // Only the ROIs the index finds near the view are drawn. The search reaches beyond the view
    // by what a pen draws outside a shape's bounds, and by what a label can: a label starts at
    // its ROI's left edge and sits above its top, so it shows in the view for ROIs up to its
    // height below the view and its width to the left.
    const double zoom = m_viewport.scale;
    const LabelExtent& label = Label();
    const cv::Rect2f view(m_viewport.GetVisibleROI());
    const auto pen = static_cast<float>(kPenReach / zoom);
    const auto left = static_cast<float>(
        (static_cast<double>(m_rois.LongestName()) * label.advance + kPenReach) / zoom);
    const auto below = static_cast<float>((label.height + kPenReach) / zoom);
    const cv::Rect2f near(view.x - left, view.y - pen, view.width + left + pen,
                          view.height + pen + below);
    const cv::Rect2f inked(view.x - pen, view.y - pen, view.width + 2 * pen,
                           view.height + 2 * pen);
    for (const int id : m_rois.Query(near)) {
        const ROIEntry& e = *std::as_const(m_rois).Find(id);
        const cv::Rect2f b = e.shape.Bounds();
        if (e.id == m_selectedROI || b.width <= 0) {
            continue;
        }
        if ((b & inked).area() > 0) {
            const cvROI roi = e.shape.ToRecord(e.color, 2);
            DrawROI(buffer, roi, m_viewport.OriginalToView(roi.points));
        }
        if (!e.name.empty()) {
            const cv::Point2f at =
                m_viewport.OriginalToView(std::vector<cv::Point2f>{b.tl()})[0] -
                m_viewport.GetCenteringOffset();
            const cv::Point org(static_cast<int>(at.x), static_cast<int>(at.y) - kLabelGap);
            cv::putText(buffer, e.name, org, kLabelFont, kLabelScale, e.color, 1, cv::LINE_AA);
        }
    }
}
