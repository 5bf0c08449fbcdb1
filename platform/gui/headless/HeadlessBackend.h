#pragma once
// No display: the back buffer is all there is; input comes from scripts and tests.
#include "platform/gui/Backend.h"

namespace trek::platform {

class HeadlessBackend : public Backend {
public:
    HeadlessBackend(Size size, int dpi) : size_(size), dpi_(dpi) {}
    bool headless() const override { return true; }
    Size size() const override { return size_; }
    int dpi() const override { return dpi_; }
    void pump(WindowSystem&) override {}
    bool needsPolling() const override { return false; }
    void present(const Bitmap&) override { ++presents_; }
    void setCursor(Cursor cursor) override { cursor_ = cursor; }
    Cursor cursor() const override { return cursor_; }
    void setTitle(const std::string& title) override { title_ = title; }
    bool readBack(Bitmap&) override { return false; }

    const std::string& title() const { return title_; }
    int presents() const { return presents_; }

private:
    Size size_;
    int dpi_;
    Cursor cursor_ = Cursor::Arrow;
    std::string title_;
    int presents_ = 0;
};

}  // namespace trek::platform
