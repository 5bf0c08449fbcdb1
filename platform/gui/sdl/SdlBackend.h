#pragma once
// A real window through SDL2 (X11, Wayland or KMS/DRM): the back buffer is
// copied to the window surface; mouse, touch, keys, text input and resizing
// become window-system input.
#include <memory>
#include <string>

#include "platform/gui/Backend.h"

struct SDL_Window;
struct SDL_Cursor;

namespace trek::platform {

class SdlBackend : public Backend {
public:
    // nullptr (with the reason in error) when no display can be opened.
    static std::unique_ptr<SdlBackend> open(Size size, int dpi, const std::string& title, std::string* error);
    ~SdlBackend() override;

    bool headless() const override { return false; }
    Size size() const override;
    int dpi() const override { return dpi_; }
    void pump(WindowSystem& system) override;
    bool needsPolling() const override { return true; }
    void present(const Bitmap& backBuffer) override;
    void setCursor(Cursor cursor) override;
    Cursor cursor() const override { return cursor_; }
    void setTitle(const std::string& title) override;
    void raise() override;
    bool readBack(Bitmap& out) override;

private:
    SdlBackend() = default;
    SDL_Window* window_ = nullptr;
    SDL_Cursor* arrow_ = nullptr;
    SDL_Cursor* wait_ = nullptr;
    Cursor cursor_ = Cursor::Arrow;
    int dpi_ = 96;
};

}  // namespace trek::platform
