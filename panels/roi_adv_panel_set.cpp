// The panel's set of named ROIs: selection hands a shape to the editor and back, and the
// unselected ROIs are drawn beneath the editing one.
#include <opencv2/imgproc.hpp>

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

void MovraROIAdvPanel::DrawROISet(cv::Mat& buffer) {
    if (m_rois.Size() == 0 || buffer.empty()) {
        return;
    }
    const cv::Rect visible = m_viewport.GetVisibleROI();
    const cv::Rect2f view(visible);
    for (const ROIEntry& e : m_rois.Entries()) {
        if (e.id == m_selectedROI) {
            continue;
        }
        const cv::Rect2f b = e.shape.Bounds();
        if (b.width <= 0 || (b & view).area() <= 0) {
            continue;
        }
        const cvROI roi = e.shape.ToRecord(e.color, 2);
        DrawROI(buffer, roi, m_viewport.OriginalToView(roi.points));
        if (!e.name.empty()) {
            // The label sits just above the ROI's bounds.
            const cv::Point2f at =
                m_viewport.OriginalToView(std::vector<cv::Point2f>{b.tl()})[0] -
                m_viewport.GetCenteringOffset();
            const cv::Point org(static_cast<int>(at.x), static_cast<int>(at.y) - 4);
            cv::putText(buffer, e.name, org, cv::FONT_HERSHEY_SIMPLEX, 0.5, e.color, 1,
                        cv::LINE_AA);
        }
    }
}
