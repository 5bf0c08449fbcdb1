#pragma once
// Fonts by face, height and weight, resolved through fontconfig: "Arial" (or
// a platform path such as "\Windows\Arial.ttf") becomes whatever the system
// maps it to — Liberation Sans on Debian with fonts-liberation2.
#include <string>

typedef struct _cairo_font_face cairo_font_face_t;

namespace trek::platform {

struct Font {
    std::string face = "Arial";
    // As LOGFONT counts it: negative = character (em) height in pixels,
    // positive = cell height (ascent + descent).
    int height = -13;
    int weight = 400;  // 400 normal, 700 bold
    bool italic = false;
    bool underline = false;
    bool operator==(const Font&) const = default;
};

// The family name fontconfig chooses for a face ("Arial" -> "Liberation Sans").
std::string ResolveFontFamily(const std::string& face);

// A cairo face for the font, cached for the life of the process (not to be destroyed by callers).
cairo_font_face_t* CairoFontFace(const Font& font);

}  // namespace trek::platform
