#include "platform/gui/sdl/SdlBackend.h"

#include <SDL2/SDL.h>

#include "platform/gui/VirtualKeys.h"
#include "platform/gui/WindowSystem.h"

namespace trek::platform {

std::unique_ptr<SdlBackend> SdlBackend::open(Size size, int dpi, const std::string& title, std::string* error) {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0 && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        if (error) *error = SDL_GetError();
        return nullptr;
    }
    std::unique_ptr<SdlBackend> b(new SdlBackend);
    b->dpi_ = dpi;
    b->window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, size.width,
                                  size.height, SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE);
    if (!b->window_) {
        if (error) *error = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    b->arrow_ = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    b->wait_ = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_WAIT);
    SDL_StartTextInput();
    return b;
}

SdlBackend::~SdlBackend() {
    if (arrow_) SDL_FreeCursor(arrow_);
    if (wait_) SDL_FreeCursor(wait_);
    if (window_) SDL_DestroyWindow(window_);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

Size SdlBackend::size() const {
    int w = 0, h = 0;
    SDL_GetWindowSize(window_, &w, &h);
    return {w, h};
}

void SdlBackend::pump(WindowSystem& system) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        switch (e.type) {
            case SDL_QUIT:
                if (Window* main = system.mainWindow()) main->post(WM_CLOSE);
                else system.loop().quit(0);
                break;
            case SDL_WINDOWEVENT:
                if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
                    system.resize({e.window.data1, e.window.data2});
                else if (e.window.event == SDL_WINDOWEVENT_EXPOSED)
                    system.invalidateScreen(system.screenRect());
                else if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED)
                    system.activate(true);
                else if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
                    system.activate(false);
                break;
            case SDL_MOUSEBUTTONDOWN:
                if (e.button.button == SDL_BUTTON_LEFT) system.mouseDown({e.button.x, e.button.y});
                break;
            case SDL_MOUSEBUTTONUP:
                if (e.button.button == SDL_BUTTON_LEFT) system.mouseUp({e.button.x, e.button.y});
                break;
            case SDL_MOUSEMOTION: system.mouseMove({e.motion.x, e.motion.y}); break;
            case SDL_MOUSEWHEEL: system.wheel(e.wheel.y * WHEEL_DELTA); break;
            case SDL_KEYDOWN:
            case SDL_KEYUP:
                if (uint32_t vk = VirtualKeyFromSdl(e.key.keysym.sym)) system.key(vk, e.type == SDL_KEYDOWN);
                break;
            case SDL_TEXTINPUT: system.text(e.text.text); break;
            default: break;
        }
    }
}

void SdlBackend::present(const Bitmap& bb) {
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    if (!surface || bb.empty()) return;
    int w = std::min(bb.width(), surface->w), h = std::min(bb.height(), surface->h);
    SDL_LockSurface(surface);
    SDL_ConvertPixels(w, h, SDL_PIXELFORMAT_ARGB8888, bb.data(), bb.stride(), surface->format->format,
                      surface->pixels, surface->pitch);
    SDL_UnlockSurface(surface);
    SDL_UpdateWindowSurface(window_);
}

bool SdlBackend::readBack(Bitmap& out) {
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    if (!surface || !out.reset(surface->w, surface->h)) return false;
    SDL_LockSurface(surface);
    int rc = SDL_ConvertPixels(surface->w, surface->h, surface->format->format, surface->pixels, surface->pitch,
                               SDL_PIXELFORMAT_ARGB8888, out.data(), out.stride());
    SDL_UnlockSurface(surface);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) out.row(y)[x] |= 0xFF000000u;
    return rc == 0;
}

void SdlBackend::setCursor(Cursor cursor) {
    cursor_ = cursor;
    SDL_SetCursor(cursor == Cursor::Wait ? wait_ : arrow_);
}

void SdlBackend::setTitle(const std::string& title) { SDL_SetWindowTitle(window_, title.c_str()); }

void SdlBackend::raise() {
    SDL_ShowWindow(window_);
    SDL_RaiseWindow(window_);
}

}  // namespace trek::platform
