// The ROI panel's two events. MOVRAPanel_EVT_CROP_CHANGE (a CropEvent): the user finished
// drawing or editing the ROI. MOVRAPanel_EVT_TOOL_CHANGE (a wxCommandEvent whose int is the new
// CvROIMode): the user picked another tool in the context menu. Both are command events sent
// synchronously to the panel's handler and propagate to its parents; their numeric values come
// from wxNewEventType when the library is loaded.
#pragma once

#include <wx/event.h>

#include <opencv2/core/types.hpp>

class CropEvent : public wxCommandEvent {
  public:
    CropEvent(wxEventType type = wxEVT_NULL, int id = 0) : wxCommandEvent(type, id) {}
    CropEvent(const CropEvent& other) = default;

    [[nodiscard]] wxEvent* Clone() const override { return new CropEvent(*this); }
    [[nodiscard]] wxEventCategory GetEventCategory() const override {
        return wxEVT_CATEGORY_USER_INPUT;
    }

    // The editing ROI's crop rectangle when the event was sent; (0, 0, 0, 0) for an empty ROI.
    cv::Rect m_cropRect{0, 0, 0, 0};
};

wxDECLARE_EVENT(MOVRAPanel_EVT_CROP_CHANGE, CropEvent);
wxDECLARE_EVENT(MOVRAPanel_EVT_TOOL_CHANGE, wxCommandEvent);
