#pragma once
// The asset pack the ui tests run on, output capture and a headless application (the
// toolkit tests' own).

#include "OutputCapture.hpp"
#include "TestSupport.hpp"

#include <string>

namespace uitest {

using HeadlessApp = zolt::ui::test::HeadlessApp;

// Assets in the test pack besides the real font and icons/tag.svg.
inline const std::string brokenSvg = "icons/broken.svg";
inline const std::string brokenPng = "icons/broken.png";
inline const std::string loadingPng = "icons/loading.png"; // 8 x 8, opaque orange

// Loads the test pack into AssetPack::instance(); a pack without the font when asked.
void loadTestPack(bool withFont = true);

// Occurrences of `needle` in `text`.
int count(const std::string& text, const std::string& needle);

} // namespace uitest
