// ROIEditor: the rules by which the mouse creates and reshapes the one region of interest a
// panel edits (point, line, rectangle, rotated rectangle, circle, annulus sector, polygon).
// Window-free: a panel turns its mouse events into Press/Motion/Release/DoubleClick calls in
// image pixels and carries out the returned EditOutcome (repaint, crop events, cursor).
#pragma once

#include <opencv2/core.hpp>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "roi/roi_history.h"
#include "roi/roi_hit_test.h"
#include "roi/roi_mode.h"
#include "roi/roi_records.h"
#include "roi/roi_shape.h"

// What the view knows that an editing step needs.
struct EditContext {
    CvROIMode mode = CvROIMode::None;
    double scale = 1.0;           // zoom: ten screen pixels of hit tolerance are 10 / scale
    cv::Size imageSize{0, 0};     // presses and drags outside [0, cols) x [0, rows) do nothing
    std::int64_t nowMs = 0;       // time of the event, for the polygon's quick second press
    bool shift = false;           // Shift held: a rotation snaps to multiples of 45 degrees
};

enum class EditCursor { Unchanged, Hand, Cross };

// What the panel must do after an editing step, in this order: send `cropEvents` crop events
// (each carrying CropRect at that moment), repaint, set the cursor. `handled` false: the step
// did not use the event and the panel lets other handlers see it.
struct EditOutcome {
    bool handled = false;
    bool repaint = false;
    int cropEvents = 0;
    EditCursor cursor = EditCursor::Unchanged;
    // A drag step changed a shape that a crop event would report (an open polygon is none).
    bool shapeChanged = false;
};

class ROIEditor {
  public:
    // Puts the shape back to empty (the members marked as reset); keeps the polygon-drawing
    // flag, the mode (held by the caller) and the enable flags.
    void SetROIParamDefault();
    // Stores the three flags; disabling crop editing also empties the shape.
    void StoreFuncEnable(bool menuEnable, bool cropEnable, bool moveEnable);

    // Left press at image point p. Ignored (handled false) when crop editing is off, the ROI is
    // locked, the image is empty or p lies outside it. Every step ignores a non-finite p.
    [[nodiscard]] EditOutcome Press(const EditContext& ctx, const cv::Point2f& p);
    // Pointer motion at p with no panning in progress: rubber band, drag or hover test (a
    // locked ROI neither follows a drag nor shows the hand cursor).
    [[nodiscard]] EditOutcome Motion(const EditContext& ctx, const cv::Point2f& p);
    // Left release: ends the drag and reports the shape (handled false without a press).
    [[nodiscard]] EditOutcome Release(const EditContext& ctx);
    // Left double click: closes an open polygon of three or more vertices. Never handled: the
    // panel still calls its double-click callback and lets the event go on.
    [[nodiscard]] EditOutcome DoubleClick(const EditContext& ctx, const cv::Point2f& p);

    // Ten screen pixels in image pixels at zoom `scale`: how near a press must come to grab.
    [[nodiscard]] static float HitTolerance(double scale);
    // Which part of the shape p grabs, with a tolerance of ten screen pixels.
    [[nodiscard]] HitResult HitTestCurrentROI(const EditContext& ctx, const cv::Point2f& p) const;
    // Applies one drag step to the grabbed handle (m_currentHit).
    void UpdateROIFromDrag(const EditContext& ctx, const cv::Point2f& p);

    // The crop rectangle of the shape in `mode`, (0, 0, 0, 0) when it is empty or degenerate.
    [[nodiscard]] cv::Rect CropRect(CvROIMode mode) const;
    [[nodiscard]] double OuterRadius() const;
    [[nodiscard]] double InnerRadius() const;
    // Corners 1, 2, 3, 0 of a rotated rectangle; false (outputs untouched) otherwise.
    [[nodiscard]] bool RotatedRectEdges(CvROIMode mode, cv::Point2f& e1, cv::Point2f& e2,
                                        cv::Point2f& e3, cv::Point2f& e4) const;
    // The rectangle of a rectangle-like shape in `mode`; a width or height below 1 empties the
    // shape. A rotated rectangle's corners follow.
    void StoreRect(CvROIMode mode, const cv::Rect& rect);
    // In RotatedRectangle mode, the corner list made anew from the rectangle and angle (when the
    // rectangle has an area), so corners read back are those on screen.
    void SyncRotatedCorners(CvROIMode mode);
    // Replaces the shape by a record (its mode is the caller's to store); a point count that
    // does not fit the mode, or a non-finite point or angle, empties it.
    void StoreROI(const cvROI& roi);
    // The same from a shape value (its mode is the caller's to store).
    void StoreShape(const ROIShape& shape);
    // The shape held in `mode`, such that StoreShape of it gives back the same crop rectangle,
    // drawing and data. No points for the reset state, an open polygon or a mode that edits
    // nothing; an annulus's inner radius is the one in effect (half the outer one unless set).
    [[nodiscard]] ROIShape Shape(CvROIMode mode) const;

    // --- History. Every change of the shape is one undo step: a press-drag-release (recorded at
    // the release, or at the press when the press itself reports, as a polygon closing does), a
    // double click that closes a polygon, and each programmatic change the owner brackets with
    // BeginEdit and EndEdit. A change that leaves the shape on screen as it was is no step.
    [[nodiscard]] ROISnapshot Snapshot(CvROIMode mode) const;
    // Puts the shape of a snapshot back (its mode is the caller's to store) and ends any drag.
    void Restore(const ROISnapshot& snapshot);
    // The state a programmatic change starts from: during a drag, the state at its press, so
    // that the drag and the change do not leave a half-dragged shape in the history.
    [[nodiscard]] ROISnapshot BeginEdit(CvROIMode mode) const;
    // Records the change from `before` to the shape now in `mode`; true when it was a step.
    bool EndEdit(const ROISnapshot& before, CvROIMode mode);
    // Esc: a drag in progress ends with the shape as it was at its press, without a crop event
    // or a step (handled false without a drag).
    [[nodiscard]] EditOutcome CancelDrag();
    // One step back or forward from the shape in `mode`: the mode of the shape restored, or
    // nothing when there is no step (a drag in progress is dropped first, as Esc drops it).
    [[nodiscard]] std::optional<CvROIMode> UndoEdit(CvROIMode mode);
    [[nodiscard]] std::optional<CvROIMode> RedoEdit(CvROIMode mode);

    // --- Keys. They act only where a mouse edit could (crop editing on, the ROI not locked, an
    // image, no drag in progress) and only on a shape; handled false otherwise, so that the
    // key can do something else. Each change is one step and reports as a release does.
    // Arrow keys: the whole shape moves by `d` image pixels, unless moving is switched off or
    // the polygon is still open. Its centre stops at the image border, as the pointer does.
    [[nodiscard]] EditOutcome MoveBy(const EditContext& ctx, const cv::Point2f& d);
    // Delete: empties the shape (an open polygon goes without a crop event: it was never
    // reported).
    [[nodiscard]] EditOutcome DeleteShape(const EditContext& ctx);

    // Corners of `rect` turned by `angleDeg` about its centre, in cv::RotatedRect::points order.
    [[nodiscard]] static std::vector<cv::Point2f> RotatedCorners(const cv::Rect_<float>& rect,
                                                                 double angleDeg);

    // --- Editing state, in image pixels (float, y down), angles in degrees.
    bool m_cropEnable = false;
    bool m_moveEnable = false;
    bool m_menuEnable = false;
    bool m_lockROI = false;
    cv::Rect_<float> m_roiRect{0.f, 0.f, 0.f, 0.f};
    cv::Point2f m_leftMouseDownPoint{0.f, 0.f};
    cv::Point2f m_leftMouseUpPoint{0.f, 0.f};
    double m_innerRadius = -1.0;
    double m_startAngle = 0.0;
    double m_endAngle = 360.0;
    double m_rotateAngle = 0.0;
    double m_rotateAccum = 0.0;
    std::vector<cv::Point2f> m_roiPoints;
    cv::Point2f m_polygonHoverPoint{-1.f, -1.f};
    int m_activeVertex = -1;
    bool m_edgeDragStarted = false;
    HitResult m_currentHit;
    bool m_leftDown = false;
    cv::Point2f m_dragStartPoint{0.f, 0.f};
    cv::Rect_<float> m_dragStartRect{0.f, 0.f, 0.f, 0.f};
    cv::Point m_lastDragPoint{0, 0};
    int m_edgeVertices[4] = {0, 0, 0, 0};
    double m_edgeSlope = 0.0;
    bool m_polygonDrawing = true;
    std::int64_t m_lastClickTime = 0;
    cv::Point2f m_lastClickPoint{-1.f, -1.f};
    std::vector<cv::Point2f> m_dragStartPoints;
    ROIHistory m_history;
    // When set, each step goes to the owner, which keeps a history of its own (a set of ROIs),
    // instead of m_history: called with the state before and after, inside the editing call.
    std::function<void(const ROISnapshot&, const ROISnapshot&)> m_onStep;
    // The shape as it was at the press of the drag in progress (what Esc puts back).
    ROISnapshot m_pressSnapshot;

  private:
    // Records a step in m_history or hands it to m_onStep; false when the shape on screen did
    // not change.
    bool RecordStep(const ROISnapshot& before, const ROISnapshot& after);
    // The press has reported the shape (closing a polygon): that change is its own step, and
    // Esc from here on goes back only to it.
    void CommitReportedPress(CvROIMode mode);
    // Closes the open polygon; returns the crop events that closing sends.
    int ClosePolygon();
    // Crop events a finished edit sends in `mode`: none while a polygon is still open.
    [[nodiscard]] int FinalizeCount(CvROIMode mode) const;
    // Whether a key may edit the shape now (the checks common to MoveBy and DeleteShape).
    [[nodiscard]] bool KeyMayEdit(const EditContext& ctx) const;
    // The point a body drag holds under the pointer: the shape's centre.
    [[nodiscard]] cv::Point2f MoveCentre(CvROIMode mode) const;
};
