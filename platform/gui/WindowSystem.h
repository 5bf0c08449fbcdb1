#pragma once
// The windows of one screen on top of a MessageLoop: creation and destruction,
// z-order, show/hide, invalidation and WM_PAINT, capture and focus, input
// routing, accelerator-ready key state, modal loops, scripted input and
// screenshots. All of it belongs to the UI thread; other threads only post to
// the loop.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/Bitmap.h"
#include "platform/core/MessageLoop.h"
#include "platform/gui/Backend.h"
#include "platform/gui/GuiMessages.h"
#include "platform/gui/Window.h"

namespace trek::platform {

class ScriptPlayer;
struct ScriptCommand;

// What a procedure does not handle: WM_CLOSE destroys the window.
int64_t DefaultWindowProc(Window& window, const Message& m);

class WindowSystem {
public:
    WindowSystem(MessageLoop& loop, std::unique_ptr<Backend> backend);
    ~WindowSystem();
    WindowSystem(const WindowSystem&) = delete;
    WindowSystem& operator=(const WindowSystem&) = delete;

    MessageLoop& loop() { return loop_; }
    Backend& backend() { return *backend_; }
    bool headless() const { return backend_->headless(); }
    Size screenSize() const { return {backBuffer_.width(), backBuffer_.height()}; }
    Rect screenRect() const { return {0, 0, backBuffer_.width(), backBuffer_.height()}; }
    int dpi() const { return backend_->dpi(); }
    int scale() const;
    Bitmap& backBuffer() { return backBuffer_; }

    // Windows. create() sends WM_CREATE; a result of -1 destroys the window again (nullptr).
    Window* create(const WindowDesc& desc, WindowProc proc = {});
    void destroy(Window* window);  // WM_DESTROY to children first, timers killed
    Window* find(WindowId id) const;
    Window* findTopLevel(const std::string& className) const;
    Window* mainWindow() const { return main_; }
    void setMainWindow(Window* window);
    std::vector<Window*> topLevelWindows() const { return topLevel_; }  // bottom first

    void show(Window* window, bool visible);
    void move(Window* window, const Rect& rect);
    void bringToTop(Window* window);
    void setEnabled(Window* window, bool enabled);
    void invalidate(Window* window);
    void invalidateScreen(const Rect& rect);
    bool hasInvalid() const;
    // Paints every invalid window now (dispatching WM_PAINT) and presents.
    void updateNow();
    void markDirty() { dirty_ = true; }

    Window* setCapture(Window* window);  // returns the previous capture
    void releaseCapture();
    Window* capture() const { return capture_; }
    Window* setFocus(Window* window);    // returns the previous focus
    Window* focus() const { return focus_; }
    Window* windowAt(Point screen) const;  // deepest shown, enabled window; respects modality
    bool keyDown(uint32_t vk) const;

    // The loop as the shell writes it: get (false on WM_QUIT), translate, dispatch.
    bool getMessage(Message& out);
    bool peekMessage(Message& out, bool remove = true);
    // Adds WM_CHAR for the control keys (return, escape, tab, backspace); text arrives as WM_CHAR already.
    void translateMessage(const Message& m);
    int64_t dispatch(const Message& m) { return loop_.dispatch(m); }
    // get/translate/dispatch until WM_QUIT; filter may take a message first (returns true when it did).
    int run(const std::function<bool(const Message&)>& filter = {});

    // Modal loops (dialogs, message boxes). endWith() is how a script's "answer" ends the innermost one.
    struct Modal {
        Window* window;
        std::function<bool(const Message&)> filter;  // IsDialogMessage
        std::function<void(int)> endWith;
        std::function<bool()> done;
        int defaultAnswer = IDOK;  // taken headless when the script ends with the window still open
        std::string caption;
    };
    void runModal(const Modal& modal);
    Window* modalWindow() const { return modal_.empty() ? nullptr : modal_.back().window; }
    bool answerModal(int answer);
    // Scripted answer for the next message box or dialog (IDOK, IDCANCEL, IDYES, IDNO).
    void setPendingAnswer(int answer) { pendingAnswer_ = answer; }
    std::optional<int> takePendingAnswer();
    // True while a script still has commands to run (headless modal loops wait for it).
    bool scriptActive() const;

    // Input in screen coordinates, as backends and scripts deliver it.
    void mouseDown(Point p);
    void mouseMove(Point p);
    void mouseUp(Point p);
    void wheel(int delta);
    void key(uint32_t vk, bool down);
    void text(const std::string& utf8);
    void resize(Size size);
    void activate(bool active);
    void setCursor(Cursor cursor) { backend_->setCursor(cursor); }

    bool loadScript(const std::string& path, std::string* error);
    void setScript(std::vector<ScriptCommand> commands);
    ScriptPlayer* script() { return script_.get(); }
    // Writes what the screen shows as PNG.
    bool screenshot(const std::string& path, std::string* error = nullptr);
    void setScreenshotAtExit(const std::string& path) { exitScreenshot_ = path; }
    // Headless runs end (WM_CLOSE to the main window) when the script is done; on by default.
    void setCloseWhenIdle(bool on) { closeWhenIdle_ = on; }

private:
    std::vector<Window*> paintOrder() const;
    void collectPaintOrder(Window* w, std::vector<Window*>& out) const;
    bool nextPaint(Message& out);
    void erase(Window* w);
    void present();
    void noteTaken(const Message& m);
    void postMouse(Window* target, uint32_t message, Point screen, uint64_t keys);
    Window* keyTarget() const;
    void detach(Window* w);
    void destroyTree(Window* w);
    void collectGarbage();
    bool idleWork();
    void writeExitScreenshot();
    Window* deepestAt(Window* w, Point p) const;

    MessageLoop& loop_;
    std::unique_ptr<Backend> backend_;
    Bitmap backBuffer_;
    std::map<WindowId, std::unique_ptr<Window>> windows_;
    std::vector<std::unique_ptr<Window>> graveyard_;
    std::vector<Window*> topLevel_;
    WindowId nextId_ = 1;
    Window* main_ = nullptr;
    Window* capture_ = nullptr;
    Window* focus_ = nullptr;
    Rect desktopDirty_;
    bool dirty_ = true;
    bool buttonDown_ = false;
    uint8_t keys_[256] = {};      // as of the messages taken so far
    uint8_t liveKeys_[256] = {};  // as of the input delivered so far
    std::vector<Modal> modal_;
    std::optional<int> pendingAnswer_;
    std::unique_ptr<ScriptPlayer> script_;
    std::string exitScreenshot_;
    bool exitScreenshotWritten_ = false;
    bool closeWhenIdle_ = true;
    bool closeSent_ = false;
    bool tearingDown_ = false;
};

}  // namespace trek::platform
