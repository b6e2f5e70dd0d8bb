#pragma once
// The asset pack the ui tests run on, output capture and a headless application.

#include <zolt/ui.hpp>

#include <iostream>
#include <memory>
#include <sstream>
#include <string>

namespace uitest {

// Assets in the test pack besides the real font and icons/tag.svg.
inline const std::string brokenSvg = "icons/broken.svg";
inline const std::string brokenPng = "icons/broken.png";
inline const std::string loadingPng = "icons/loading.png"; // 8 x 8, opaque orange

// Loads the test pack into AssetPack::instance(); a pack without the font when asked.
void loadTestPack(bool withFont = true);

// Collects what is written to standard output and standard error meanwhile.
class OutputCapture {
public:
    OutputCapture() : savedOut_(std::cout.rdbuf(out_.rdbuf())), savedErr_(std::cerr.rdbuf(err_.rdbuf())) {}
    ~OutputCapture() {
        std::cout.rdbuf(savedOut_);
        std::cerr.rdbuf(savedErr_);
    }
    OutputCapture(const OutputCapture&) = delete;
    OutputCapture& operator=(const OutputCapture&) = delete;
    std::string out() const { return out_.str(); }
    std::string err() const { return err_.str(); }

private:
    std::ostringstream out_;
    std::ostringstream err_;
    std::streambuf* savedOut_;
    std::streambuf* savedErr_;
};

// Occurrences of `needle` in `text`.
int count(const std::string& text, const std::string& needle);

struct HeadlessApp {
    HeadlessApp(int width = 800, int height = 600);
    std::unique_ptr<zolt::ui::Application> app;
    zolt::ui::Window* window;
    zolt::ui::Widget* root() const { return window->getRootWidget(); }
};

} // namespace uitest
