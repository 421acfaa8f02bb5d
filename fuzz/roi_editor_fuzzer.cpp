// libFuzzer target: the ROI editor driven by an arbitrary event sequence. The input is a header
// (mode, zoom, image width and height) followed by events; every step must leave every number
// the editor holds finite and its crop rectangle non-negative, whatever the points (inside, on
// the border, far outside, NaN, infinite), clock jumps, records set, undos, redos, cancelled
// drags or key edits in between.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>

#include "roi/roi_editor.h"

namespace {

class Reader {
  public:
    Reader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool Empty() const { return m_pos >= m_size; }
    std::uint8_t U8() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    std::uint16_t U16() { return static_cast<std::uint16_t>(U8() | (U8() << 8)); }

  private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// Every editing mode, and values no mode has.
CvROIMode Mode(std::uint8_t b) {
    static const int kModes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, -1, 99};
    return static_cast<CvROIMode>(kModes[b % (sizeof(kModes) / sizeof(kModes[0]))]);
}

// Half the codes land inside [0, extent), a quarter on or just beyond its edges, the rest far
// outside or non-finite.
float Coord(std::uint16_t v, int extent) {
    const auto e = static_cast<float>(extent);
    const unsigned low = v & 0x3fffu;
    switch (v >> 14) {
        case 0:
        case 1:
            return static_cast<float>((v & 0x7fffu) / 32768.0 * extent);
        case 2: {
            const float edges[] = {0.0f, std::nextafter(e, 0.0f), e, -1e-3f, e - 0.5f, 0.5f};
            return edges[low % 6];
        }
        default: {
            const float far[] = {std::numeric_limits<float>::quiet_NaN(),
                                 std::numeric_limits<float>::infinity(),
                                 -std::numeric_limits<float>::infinity(), 1e30f, -1e30f, -1.0f};
            return low < 6 ? far[low] : (static_cast<float>(low) - 8192.0f) * 50.0f;
        }
    }
}

// A record as a host might pass it: mostly finite points of moderate size, sometimes NaN.
cvROI Record(Reader& in, CvROIMode mode) {
    cvROI roi;
    roi.mode = mode;
    const int count = in.U8() % 7;
    for (int i = 0; i < count; ++i) {
        const auto x = static_cast<std::int16_t>(in.U16());
        const auto y = static_cast<std::int16_t>(in.U16());
        roi.points.emplace_back(x == INT16_MIN ? std::numeric_limits<float>::quiet_NaN()
                                               : static_cast<float>(x) * 8.0f,
                                static_cast<float>(y) * 8.0f);
    }
    roi.angle = static_cast<std::int16_t>(in.U16()) * 0.25;
    return roi;
}

bool Finite(double v) { return std::isfinite(v); }
bool Finite(const cv::Point2f& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

void Check(const ROIEditor& e, CvROIMode mode, const char* step) {
    bool ok = Finite(e.m_roiRect.x) && Finite(e.m_roiRect.y) && Finite(e.m_roiRect.width) &&
              Finite(e.m_roiRect.height) && Finite(e.m_dragStartRect.x) &&
              Finite(e.m_dragStartRect.y) && Finite(e.m_dragStartRect.width) &&
              Finite(e.m_dragStartRect.height) && Finite(e.m_leftMouseDownPoint) &&
              Finite(e.m_leftMouseUpPoint) && Finite(e.m_polygonHoverPoint) &&
              Finite(e.m_dragStartPoint) && Finite(e.m_lastClickPoint) &&
              Finite(e.m_innerRadius) && Finite(e.m_startAngle) && Finite(e.m_endAngle) &&
              Finite(e.m_rotateAngle) && Finite(e.m_rotateAccum) && Finite(e.m_edgeSlope) &&
              Finite(e.m_currentHit.distance);
    for (const auto& p : e.m_roiPoints) {
        ok = ok && Finite(p);
    }
    for (const auto& p : e.m_dragStartPoints) {
        ok = ok && Finite(p);
    }
    const cv::Rect crop = e.CropRect(mode);
    if (!ok || crop.width < 0 || crop.height < 0) {
        std::fprintf(stderr, "ROI editor invariant broken after %s in mode %d\n", step,
                     static_cast<int>(mode));
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reader in(data, size);
    ROIEditor editor;
    EditContext ctx;
    ctx.mode = Mode(in.U8());
    ctx.scale = 0.1 * std::pow(200.0, in.U8() / 255.0);  // 0.1 to 20
    ctx.imageSize = {1 + in.U16() % 20000, 1 + in.U16() % 20000};
    ctx.nowMs = 1000;
    editor.StoreFuncEnable(true, true, true);

    for (int step = 0; step < 4096 && !in.Empty(); ++step) {
        const std::uint8_t op = in.U8();
        const std::uint8_t flags = in.U8();
        const cv::Point2f p(Coord(in.U16(), ctx.imageSize.width),
                            Coord(in.U16(), ctx.imageSize.height));
        ctx.shift = (flags & 0x80) != 0;
        if (flags & 0x40) {
            ctx.nowMs -= 5000;  // the clock went back
        } else {
            ctx.nowMs += (flags & 0x3f) * 50;
        }
        const char* name = "motion";
        EditOutcome out;
        switch (op % 14) {
            case 0:
            case 1:
                name = "press";
                out = editor.Press(ctx, p);
                break;
            case 2:
                name = "release";
                out = editor.Release(ctx);
                break;
            case 3:
                name = "double click";
                out = editor.DoubleClick(ctx, p);
                break;
            case 4:
                name = "flags";
                editor.StoreFuncEnable(flags & 1, (flags & 6) != 0, flags & 8);
                editor.m_lockROI = (flags & 0x30) == 0x30;
                break;
            case 5: {
                name = "record";
                const ROISnapshot before = editor.BeginEdit(ctx.mode);
                ctx.mode = Mode(flags);
                editor.StoreROI(Record(in, ctx.mode));
                (void)editor.EndEdit(before, ctx.mode);
                break;
            }
            case 6:
                name = "mode change";
                if (Mode(flags) != ctx.mode) {
                    const ROISnapshot before = editor.BeginEdit(ctx.mode);
                    editor.SetROIParamDefault();
                    ctx.mode = Mode(flags);
                    (void)editor.EndEdit(before, ctx.mode);
                }
                break;
            case 10: {
                name = "undo or redo";
                const std::optional<CvROIMode> mode =
                    (flags & 1) != 0 ? editor.UndoEdit(ctx.mode) : editor.RedoEdit(ctx.mode);
                if (mode) {
                    ctx.mode = *mode;
                }
                break;
            }
            case 11:
                name = "escape";
                out = editor.CancelDrag();
                break;
            case 12: {
                name = "arrow";
                // An arrow key's step, or now and then any delta at all.
                const float by = (flags & 1) != 0 ? 10.0f : 1.0f;
                const int dir = (flags >> 1) & 3;
                cv::Point2f d(dir == 0 ? -by : dir == 1 ? by : 0.0f,
                              dir == 2 ? -by : dir == 3 ? by : 0.0f);
                if ((flags & 0x20) != 0) {
                    d = p;
                }
                out = editor.MoveBy(ctx, d);
                break;
            }
            case 13:
                name = "delete";
                out = editor.DeleteShape(ctx);
                break;
            default:
                out = editor.Motion(ctx, p);
                break;
        }
        if (out.cropEvents < 0 || out.cropEvents > 1) {
            std::abort();
        }
        Check(editor, ctx.mode, name);
    }
    return 0;
}
