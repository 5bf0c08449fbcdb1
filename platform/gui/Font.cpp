#include "platform/gui/Font.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <map>
#include <mutex>
#include <tuple>

namespace trek::platform {
namespace {

// "\Windows\Arial.ttf" -> "Arial": the handheld named fonts by file.
std::string FamilyOf(const std::string& face) {
    std::string f = face;
    size_t slash = f.find_last_of("\\/");
    if (slash != std::string::npos) f = f.substr(slash + 1);
    size_t dot = f.rfind('.');
    if (dot != std::string::npos && dot > 0) f = f.substr(0, dot);
    return f.empty() ? "Arial" : f;
}

FcPattern* MatchPattern(const std::string& face, int weight, bool italic) {
    FcPattern* pattern = FcPatternCreate();
    std::string family = FamilyOf(face);
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, weight >= 600 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    return match;
}

struct FaceCache {
    std::mutex mutex;
    std::map<std::tuple<std::string, bool, bool>, cairo_font_face_t*> faces;
};

FaceCache& Cache() {
    static FaceCache cache;
    return cache;
}

}  // namespace

std::string ResolveFontFamily(const std::string& face) {
    FcPattern* match = MatchPattern(face, 400, false);
    if (!match) return {};
    FcChar8* family = nullptr;
    std::string out;
    if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch) out = reinterpret_cast<char*>(family);
    FcPatternDestroy(match);
    return out;
}

cairo_font_face_t* CairoFontFace(const Font& font) {
    auto& cache = Cache();
    std::lock_guard lock(cache.mutex);
    auto key = std::make_tuple(FamilyOf(font.face), font.weight >= 600, font.italic);
    auto it = cache.faces.find(key);
    if (it != cache.faces.end()) return it->second;
    cairo_font_face_t* face = nullptr;
    if (FcPattern* match = MatchPattern(font.face, font.weight, font.italic)) {
        face = cairo_ft_font_face_create_for_pattern(match);
        FcPatternDestroy(match);  // cairo keeps its own reference
    }
    if (!face || cairo_font_face_status(face) != CAIRO_STATUS_SUCCESS)
        face = cairo_toy_font_face_create(FamilyOf(font.face).c_str(), font.italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                                          font.weight >= 600 ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cache.faces[key] = face;
    return face;
}

}  // namespace trek::platform
