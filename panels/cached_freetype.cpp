#include "panels/cached_freetype.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb-ft.h>
#include <hb.h>
#include <opencv2/imgproc.hpp>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

#include "panels/glyph_raster.h"

namespace cached_freetype {

namespace {

using detail::BlendGlyph;
using detail::Glyph;
using detail::Ink;
using detail::MakeInk;
using detail::Partial;
using detail::Span;
using detail::TakeBitmap;

// Glyph bitmaps kept per font file: a screenful of glyphs at the largest text height the
// panels draw fits several times; beyond it whole heights are dropped, least recently used
// first.
constexpr size_t kFaceBudget = size_t{48} << 20;
// A single bitmap this large is drawn and dropped rather than evict everything else.
constexpr size_t kLargestKept = kFaceBudget / 4;
constexpr size_t kMaxHeights = 8;
// Shaped lines and measured sizes kept before the maps start over.
constexpr size_t kMaxEntries = 4096;

std::atomic<size_t> g_glyphBytes{0};

struct Height {
    std::unordered_map<unsigned, Glyph> glyphs;  // nodes: the pointers below stay valid
    // Each line's glyphs in order, once all of them loaded: a paint walks a list instead of
    // looking every glyph up.
    std::unordered_map<std::string, std::vector<std::pair<unsigned, Glyph*>>> lines;
    size_t bytes = 0;
    uint64_t lastUse = 0;
};

// One font file opened once for all renderers that load it: its own FreeType face and HarfBuzz
// font, the shaping of lines and the glyphs per height. Every member is used under `mutex`.
class Face {
  public:
    static std::shared_ptr<Face> Open(const std::string& path, int index);
    ~Face();
    Face(const Face&) = delete;
    Face& operator=(const Face&) = delete;

    // putText(dst, text, org, height, colour, FILLED, LINE_AA, bottomLeftOrigin) as OpenCV's
    // renderer draws it. Throws cv::Exception where that renderer's checks fail.
    void Draw(cv::Mat& dst, const std::string& text, cv::Point org, int height,
              const cv::Scalar& colour, bool bottomLeftOrigin);
    // The part of an image of `size` that Draw with these arguments can change.
    cv::Rect Bounds(const std::string& text, cv::Point org, int height, bool bottomLeftOrigin,
                    const cv::Size& size);
    // The face's reach at `height` (cached_freetype::FontReach).
    Reach ReachAt(int height);

    std::mutex mutex;

  private:
    Face() = default;
    // Visits the glyphs of a line that can reach an image of `size`, rendered, with their
    // bitmaps' top-left as OpenCV places them.
    template <typename Visit>
    void Walk(const std::string& text, cv::Point org, int height, bool bottomLeftOrigin,
              const cv::Size& size, Visit&& visit);
    Height& UseHeight(int height);
    const std::vector<unsigned>& Shape(const std::string& text);
    Glyph& Metrics(Height& size, unsigned id);
    const Glyph& Render(Height& size, Glyph& glyph, unsigned id, Glyph& scratch);
    void Forget(Height& size);

    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
    hb_font_t* font_ = nullptr;
    int sizeSet_ = -1;  // the pixel size last set on face_
    uint64_t clock_ = 0;
    size_t bytes_ = 0;
    std::map<int, Height> heights_;
    std::unordered_map<std::string, std::vector<unsigned>> shaped_;
};

std::mutex g_facesMutex;
std::map<std::string, std::weak_ptr<Face>> g_faces;

// The file as it is now: a font file replaced under the same name is a different face.
std::string FaceKey(const std::string& path, int index) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    std::string key = path;
    key += '\0';
    for (const long long v :
         {static_cast<long long>(index), static_cast<long long>(st.st_dev),
          static_cast<long long>(st.st_ino), static_cast<long long>(st.st_size),
          static_cast<long long>(st.st_mtim.tv_sec), static_cast<long long>(st.st_mtim.tv_nsec)}) {
        key += std::to_string(v);
        key += ':';
    }
    return key;
}

std::shared_ptr<Face> Face::Open(const std::string& path, int index) {
    const std::string key = FaceKey(path, index);
    if (key.empty()) return nullptr;
    std::lock_guard<std::mutex> lock(g_facesMutex);
    auto found = g_faces.find(key);
    if (found != g_faces.end()) {
        if (std::shared_ptr<Face> face = found->second.lock()) return face;
    }
    for (auto it = g_faces.begin(); it != g_faces.end();) {
        it = it->second.expired() ? g_faces.erase(it) : std::next(it);
    }
    std::shared_ptr<Face> face(new Face());
    if (FT_Init_FreeType(&face->library_) != 0) {
        face->library_ = nullptr;
        return nullptr;
    }
    if (FT_New_Face(face->library_, path.c_str(), index, &face->face_) != 0) {
        face->face_ = nullptr;
        return nullptr;
    }
    face->font_ = hb_ft_font_create(face->face_, nullptr);
    if (face->font_ == nullptr) return nullptr;
    g_faces[key] = face;
    return face;
}

Face::~Face() {
    g_glyphBytes -= bytes_;
    if (font_ != nullptr) hb_font_destroy(font_);
    if (face_ != nullptr) FT_Done_Face(face_);
    if (library_ != nullptr) FT_Done_FreeType(library_);
}

void Face::Forget(Height& size) {
    for (auto& entry : size.glyphs) {
        Glyph& g = entry.second;
        g.rendered = false;
        g.rows = g.pitch = 0;
        std::vector<Span>().swap(g.spans);
        std::vector<Partial>().swap(g.partials);
        std::vector<uint32_t>().swap(g.rowSpans);
        std::vector<uint32_t>().swap(g.rowPartials);
    }
    bytes_ -= size.bytes;
    g_glyphBytes -= size.bytes;
    size.bytes = 0;
}

Height& Face::UseHeight(int height) {
    if (sizeSet_ != height) {
        if (FT_Set_Pixel_Sizes(face_, static_cast<FT_UInt>(height),
                               static_cast<FT_UInt>(height)) != 0) {
            sizeSet_ = -1;
            CV_Error(cv::Error::StsError, "FreeType cannot set the pixel size");
        }
        sizeSet_ = height;
    }
    auto found = heights_.find(height);
    if (found == heights_.end()) {
        if (heights_.size() >= kMaxHeights) {
            auto oldest = std::min_element(
                heights_.begin(), heights_.end(),
                [](const auto& a, const auto& b) { return a.second.lastUse < b.second.lastUse; });
            Forget(oldest->second);
            heights_.erase(oldest);
        }
        found = heights_.emplace(height, Height()).first;
    }
    found->second.lastUse = ++clock_;
    return found->second;
}

const std::vector<unsigned>& Face::Shape(const std::string& text) {
    auto found = shaped_.find(text);
    if (found != shaped_.end()) return found->second;
    if (shaped_.size() >= kMaxEntries) shaped_.clear();
    // The calls OpenCV's renderer makes, so that the same glyphs come out in the same order.
    hb_buffer_t* buffer = hb_buffer_create();
    hb_buffer_add_utf8(buffer, text.c_str(), -1, 0, -1);
    hb_buffer_guess_segment_properties(buffer);
    hb_shape(font_, buffer, nullptr, 0);
    unsigned count = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
    std::vector<unsigned> ids;
    ids.reserve(count);
    for (unsigned i = 0; info != nullptr && i < count; ++i) ids.push_back(info[i].codepoint);
    hb_buffer_destroy(buffer);
    return shaped_.emplace(text, std::move(ids)).first->second;
}

Glyph& Face::Metrics(Height& size, unsigned id) {
    auto found = size.glyphs.find(id);
    if (found != size.glyphs.end()) return found->second;
    if (FT_Load_Glyph(face_, id, 0) != 0) {
        CV_Error(cv::Error::StsError, "FreeType cannot load a glyph");
    }
    const FT_GlyphSlot slot = face_->glyph;
    Glyph g;
    g.advanceX = slot->advance.x >> 6;
    g.advanceY = slot->advance.y >> 6;
    g.bearingX = slot->metrics.horiBearingX >> 6;
    g.bearingY = slot->metrics.horiBearingY >> 6;
    g.width = (slot->metrics.width + 63) >> 6;
    g.height = (slot->metrics.height + 63) >> 6;
    return size.glyphs.emplace(id, std::move(g)).first->second;
}

const Glyph& Face::Render(Height& size, Glyph& glyph, unsigned id, Glyph& scratch) {
    if (glyph.rendered) return glyph;
    if (FT_Load_Glyph(face_, id, 0) != 0 ||
        FT_Render_Glyph(face_->glyph, FT_RENDER_MODE_NORMAL) != 0) {
        CV_Error(cv::Error::StsError, "FreeType cannot render a glyph");
    }
    const FT_Bitmap& bmp = face_->glyph->bitmap;
    const size_t estimate = size_t{2} * bmp.rows * static_cast<size_t>(std::max(bmp.pitch, 0));
    if (estimate > kLargestKept) {
        TakeBitmap(bmp, scratch);
        return scratch;
    }
    if (bytes_ + estimate > kFaceBudget) {
        for (auto& entry : heights_) {
            if (&entry.second != &size) Forget(entry.second);
        }
        if (bytes_ + estimate > kFaceBudget) Forget(size);
    }
    TakeBitmap(bmp, glyph);
    const size_t bytes = glyph.Bytes();
    size.bytes += bytes;
    bytes_ += bytes;
    g_glyphBytes += bytes;
    return glyph;
}

template <typename Visit>
void Face::Walk(const std::string& text, cv::Point org, int height, bool bottomLeftOrigin,
                const cv::Size& image, Visit&& visit) {
    Height& size = UseHeight(height);
    long long penX = org.x;
    long long penY = bottomLeftOrigin ? org.y : static_cast<long long>(org.y) + height;
    // The outline's box, rounded, and the bitmap differ by a pixel or so; this margin covers
    // any hinting difference, so a glyph whose box and margin miss the image is never rendered.
    const long long margin = 2 + height / 4;
    Glyph scratch;
    const auto step = [&](unsigned id, Glyph& g) {
        const long long left = penX + g.bearingX;
        const long long top = penY - g.bearingY;
        if (left - margin < image.width && top - margin < image.height &&
            left + g.width + margin > 0 && top + g.height + margin > 0) {
            visit(Render(size, g, id, scratch), left, top);
        }
        penX += g.advanceX;
        penY += g.advanceY;
    };
    const auto known = size.lines.find(text);
    if (known != size.lines.end()) {
        for (const auto& [id, glyph] : known->second) step(id, *glyph);
        return;
    }
    // Glyph by glyph as OpenCV's renderer goes: one that fails to load ends the walk with the
    // glyphs before it drawn.
    std::vector<std::pair<unsigned, Glyph*>> line;
    for (const unsigned id : Shape(text)) {
        Glyph& g = Metrics(size, id);
        line.emplace_back(id, &g);
        step(id, g);
    }
    if (size.lines.size() >= kMaxEntries) size.lines.clear();
    size.lines.emplace(text, std::move(line));
}

void Face::Draw(cv::Mat& dst, const std::string& text, cv::Point org, int height,
                const cv::Scalar& colour, bool bottomLeftOrigin) {
    const Ink ink = MakeInk(colour);
    Walk(text, org, height, bottomLeftOrigin, dst.size(),
         [&](const Glyph& g, long long left, long long top) {
             BlendGlyph(dst, g, left, top, ink);
         });
}

cv::Rect Face::Bounds(const std::string& text, cv::Point org, int height, bool bottomLeftOrigin,
                      const cv::Size& image) {
    long long x0 = image.width, y0 = image.height, x1 = 0, y1 = 0;
    Walk(text, org, height, bottomLeftOrigin, image,
         [&](const Glyph& g, long long left, long long top) {
             // BlendGlyph's reach: pitch bytes of each row.
             x0 = std::min(x0, std::max(0LL, left));
             y0 = std::min(y0, std::max(0LL, top));
             x1 = std::max(x1, std::min<long long>(image.width, left + g.pitch));
             y1 = std::max(y1, std::min<long long>(image.height, top + g.rows));
         });
    if (x0 >= x1 || y0 >= y1) return {};
    return {static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0),
            static_cast<int>(y1 - y0)};
}

Reach Face::ReachAt(int height) {
    (void)UseHeight(height);
    const FT_Size_Metrics& m = face_->size->metrics;
    // 26.6 values to whole pixels, outward. FreeType's size metrics are off by up to a pixel
    // once glyphs are hinted; the margin is Walk's.
    const long margin = 2 + height / 4;
    const auto up = [](FT_Pos v) { return static_cast<long>((v + 63) >> 6); };
    long ascent = up(m.ascender), descent = up(-m.descender), before = 0, after = up(m.max_advance);
    if (FT_IS_SCALABLE(face_)) {
        // The box of all the font's outlines, scaled: no glyph's ink leaves it.
        const FT_BBox& b = face_->bbox;
        before = std::max(before, up(-FT_MulFix(b.xMin, m.x_scale)));
        after = std::max(after, up(FT_MulFix(b.xMax, m.x_scale)));
        ascent = std::max(ascent, up(FT_MulFix(b.yMax, m.y_scale)));
        descent = std::max(descent, up(-FT_MulFix(b.yMin, m.y_scale)));
    }
    const auto whole = [margin](long v) { return static_cast<int>(std::max(0L, v) + margin); };
    return {whole(up(m.max_advance)), whole(before), whole(after), whole(ascent), whole(descent)};
}

class CachedFreeType2 final : public cv::freetype::FreeType2 {
  public:
    CachedFreeType2() : cv_(cv::freetype::createFreeType2()) {}

    void loadFontData(cv::String fontFileName, int idx) override {
        Forget();
        cv_->loadFontData(fontFileName, idx);
        hasFont_ = true;
        face_ = Face::Open(fontFileName, idx);
    }

    void loadFontData(char* pBuf, size_t bufSize, int idx) override {
        Forget();
        cv_->loadFontData(pBuf, bufSize, idx);
        hasFont_ = true;  // drawn by OpenCV's renderer alone
    }

    void setSplitNumber(int num) override { cv_->setSplitNumber(num); }

    void putText(cv::InputOutputArray img, const cv::String& text, cv::Point org, int fontHeight,
                 cv::Scalar color, int thickness, int line_type, bool bottomLeftOrigin) override {
        if (!face_ || thickness >= 0 || line_type != cv::LINE_AA || !img.isMat() || img.empty() ||
            img.dims() != 2 || img.type() != CV_8UC3 || fontHeight < 0) {
            cv_->putText(img, text, org, fontHeight, color, thickness, line_type,
                         bottomLeftOrigin);
            return;
        }
        if (text.empty() || fontHeight == 0) return;
        cv::Mat dst = img.getMat();
        std::lock_guard<std::mutex> lock(face_->mutex);
        face_->Draw(dst, text, org, fontHeight, color, bottomLeftOrigin);
    }

    bool Ready() const { return hasFont_; }

    bool Bounds(const cv::String& text, cv::Point org, int height, bool bottomLeftOrigin,
                const cv::Size& image, cv::Rect& bounds) {
        if (!hasFont_) return false;
        if (!face_) {
            bounds = cv::Rect(0, 0, image.width, image.height);  // OpenCV draws: anywhere
            return true;
        }
        if (text.empty() || height <= 0 || image.empty()) {
            bounds = cv::Rect();
            return true;
        }
        std::lock_guard<std::mutex> lock(face_->mutex);
        bounds = face_->Bounds(text, org, height, bottomLeftOrigin, image);
        return true;
    }

    bool ReachAt(int height, Reach& reach) {
        if (!face_) return false;
        if (height <= 0) CV_Error(cv::Error::StsBadArg, "The font height must be positive");
        std::lock_guard<std::mutex> lock(face_->mutex);
        reach = face_->ReachAt(height);
        return true;
    }

    cv::Size getTextSize(const cv::String& text, int fontHeight, int thickness,
                         int* baseLine) override {
        // OpenCV's renderer measures with whatever face it last held, also one a failed load
        // has already freed.
        if (!hasFont_) CV_Error(cv::Error::StsError, "The renderer holds no font");
        const auto key = std::make_tuple(text, fontHeight, thickness);
        auto found = sizes_.find(key);
        if (found == sizes_.end()) {
            if (sizes_.size() >= kMaxEntries) sizes_.clear();
            int baseline = 0;
            const cv::Size size = cv_->getTextSize(text, fontHeight, thickness, &baseline);
            found = sizes_.emplace(key, std::make_pair(size, baseline)).first;
        }
        if (baseLine != nullptr) *baseLine = found->second.second;
        return found->second.first;
    }

  private:
    // A load that fails leaves OpenCV's renderer without a font, so the state goes first.
    void Forget() {
        hasFont_ = false;
        face_.reset();
        sizes_.clear();
    }

    cv::Ptr<cv::freetype::FreeType2> cv_;
    bool hasFont_ = false;
    std::shared_ptr<Face> face_;
    std::map<std::tuple<std::string, int, int>, std::pair<cv::Size, int>> sizes_;
};

}  // namespace

cv::Ptr<cv::freetype::FreeType2> Create() { return cv::makePtr<CachedFreeType2>(); }

bool Ready(const cv::freetype::FreeType2& font) {
    const auto* cached = dynamic_cast<const CachedFreeType2*>(&font);
    return cached != nullptr && cached->Ready();
}

bool TextBounds(cv::freetype::FreeType2& font, const cv::String& text, cv::Point org, int height,
                bool bottomLeftOrigin, const cv::Size& image, cv::Rect& bounds) {
    auto* cached = dynamic_cast<CachedFreeType2*>(&font);
    return cached != nullptr &&
           cached->Bounds(text, org, height, bottomLeftOrigin, image, bounds);
}

bool FontReach(cv::freetype::FreeType2& font, int height, Reach& reach) {
    auto* cached = dynamic_cast<CachedFreeType2*>(&font);
    return cached != nullptr && cached->ReachAt(height, reach);
}

size_t GlyphCacheBytes() { return g_glyphBytes.load(); }

}  // namespace cached_freetype
