#include "module/bindings.h"
#include "panels/display_modes.h"
#include "roi/roi_mode.h"

void BindEnums(py::module_& m) {
    py::enum_<CvDisplayMode>(m, "CvDisplayMode")
        .value("Original", CvDisplayMode::Original)
        .value("ZoomToFit", CvDisplayMode::ZoomToFit)
        .export_values();

    // The drawing-only kinds 8 and 9 (arrow line, ellipse) are not offered to Python.
    py::enum_<CvROIMode>(m, "CvROIMode")
        .value("None", CvROIMode::None)
        .value("Point", CvROIMode::Point)
        .value("Line", CvROIMode::Line)
        .value("Rectangle", CvROIMode::Rectangle)
        .value("RotatedRectangle", CvROIMode::RotatedRectangle)
        .value("Circle", CvROIMode::Circle)
        .value("Annulus", CvROIMode::Annulus)
        .value("Polygon", CvROIMode::Polygon)
        .value("Mask", CvROIMode::Mask)
        .export_values();

    py::enum_<GuideLineMode>(m, "GuideLineMode")
        .value("Off", GuideLineMode::Off)
        .value("CenterCross", GuideLineMode::CenterCross)
        .value("RuleOfThirds", GuideLineMode::RuleOfThirds)
        .value("GoldenRatio", GuideLineMode::GoldenRatio)
        .value("SafeZones", GuideLineMode::SafeZones)
        .value("AspectRatioMask", GuideLineMode::AspectRatioMask)
        .value("DiagonalLines", GuideLineMode::DiagonalLines)
        .value("CornerMarkers", GuideLineMode::CornerMarkers)
        .export_values();

    py::enum_<AspectRatio>(m, "AspectRatio")
        .value("AR_1_1", AspectRatio::AR_1_1)
        .value("AR_4_3", AspectRatio::AR_4_3)
        .value("AR_3_2", AspectRatio::AR_3_2)
        .value("AR_16_9", AspectRatio::AR_16_9)
        .value("AR_2_39_1", AspectRatio::AR_2_39_1)
        .value("AR_9_16", AspectRatio::AR_9_16)
        .export_values();
}

void BindConstants(py::module_& m) {
    // Same values as OpenCV's interpolation and image-read flags.
    m.attr("INTER_NEAREST") = 0;
    m.attr("INTER_LINEAR") = 1;
    m.attr("INTER_AREA") = 3;
    m.attr("INTER_CUBIC") = 2;
    m.attr("INTER_LANCZOS4") = 4;
    m.attr("IMREAD_UNCHANGED") = -1;
    m.attr("IMREAD_GRAYSCALE") = 0;
    m.attr("IMREAD_COLOR") = 1;
    m.attr("IMREAD_ANYDEPTH") = 2;
    m.attr("IMREAD_ANYCOLOR") = 4;
}
