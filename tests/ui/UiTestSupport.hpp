#pragma once
// The asset pack the ui tests run on, output capture and a headless application.

#include "OutputCapture.hpp" // tests/core: redirects std::cout and std::cerr

#include <zolt/ui.hpp>

#include <memory>
#include <string>

namespace uitest {

// Assets in the test pack besides the real font and icons/tag.svg.
inline const std::string brokenSvg = "icons/broken.svg";
inline const std::string brokenPng = "icons/broken.png";
inline const std::string loadingPng = "icons/loading.png"; // 8 x 8, opaque orange

// Loads the test pack into AssetPack::instance(); a pack without the font when asked.
void loadTestPack(bool withFont = true);

// Occurrences of `needle` in `text`.
int count(const std::string& text, const std::string& needle);

struct HeadlessApp {
    HeadlessApp(int width = 800, int height = 600);
    std::unique_ptr<zolt::ui::Application> app;
    zolt::ui::Window* window;
    zolt::ui::Widget* root() const { return window->getRootWidget(); }
};

} // namespace uitest
