#pragma once

// The application's look: palette, font sizes, the two fonts from the asset pack, and the
// Dear ImGui style every ImGui panel gets. One per process, built on first use; UI thread.

#include <zolt/ui/Font.hpp>
#include <zolt/ui/Types.hpp>

struct ImGuiContext;
struct ImGuiStyle;

class AppTheme {
public:
    // The theme, built on first use: palette and sizes, then the default and the editor
    // font from "fonts/montserrat-font/MontserratMedium.ttf". Throws std::runtime_error
    // ("Failed to load default font asset" / "Failed to load editor font asset") when the
    // pack lacks the font; a later call tries again.
    static AppTheme& instance();

    AppTheme(const AppTheme&) = delete;
    AppTheme& operator=(const AppTheme&) = delete;

    // Makes `context` current and writes the application's values into its style (all
    // other values keep the context's defaults).
    void applyImGuiStyle(ImGuiContext* context) const;
    // The same values written into a style.
    void applyImGuiStyle(ImGuiStyle& style) const;

    zolt::ui::Color accentColor() const { return accentColor_; }
    zolt::ui::Color accentHoverColor() const { return accentHoverColor_; }
    zolt::ui::Color accentActiveColor() const { return accentActiveColor_; }
    zolt::ui::Color accentLockedColor() const { return accentLockedColor_; }
    float buttonHeight() const { return buttonHeight_; }
    zolt::ui::Color backgroundColor() const { return backgroundColor_; }
    zolt::ui::Color surfaceColor() const { return surfaceColor_; }
    zolt::ui::Color textColor() const { return textColor_; }
    zolt::ui::Color textHoverColor() const { return textHoverColor_; }
    zolt::ui::Color secondaryTextColor() const { return secondaryTextColor_; }
    zolt::ui::Color warningColor() const { return warningColor_; }
    zolt::ui::Color errorColor() const { return errorColor_; }
    zolt::ui::Color dangerColor() const { return dangerColor_; }
    zolt::ui::Color successColor() const { return successColor_; }
    float smallFontSize() const { return smallFontSize_; }
    float normalFontSize() const { return normalFontSize_; }
    float largeFontSize() const { return largeFontSize_; }
    // The text of the tag tree and the inspector, one size for both lists (before
    // imguiFontScale, as the other sizes).
    float listFontSize() const { return listFontSize_; }
    float imguiFontScale() const { return imguiFontScale_; }
    // The fonts (views of the pack's bytes, valid for the process lifetime).
    const zolt::ui::Font* defaultFont() const { return &defaultFont_; }
    const zolt::ui::Font* editorFont() const { return &editorFont_; }

private:
    AppTheme(const zolt::ui::Font& defaultFont, const zolt::ui::Font& editorFont);

    zolt::ui::Color accentColor_{0x25, 0x58, 0xDC, 0xFF};
    zolt::ui::Color accentHoverColor_{0x50, 0x79, 0xE2, 0xFF};
    zolt::ui::Color accentActiveColor_{0x1D, 0x46, 0xAF, 0xFF};
    zolt::ui::Color accentLockedColor_{0x25, 0x58, 0xDC, 0x50};
    float buttonHeight_ = 28.0f;
    zolt::ui::Color backgroundColor_{0x10, 0x10, 0x10, 0xFF};
    zolt::ui::Color surfaceColor_{0x18, 0x18, 0x18, 0xFF};
    zolt::ui::Color textColor_{0xF0, 0xF0, 0xF0, 0xFF};
    zolt::ui::Color textHoverColor_{0x99, 0xE9, 0xFF, 0xFF};
    zolt::ui::Color secondaryTextColor_{0xC8, 0xC8, 0xC8, 0xFF};
    zolt::ui::Color warningColor_{0xFF, 0xC8, 0x00, 0xFF};
    zolt::ui::Color errorColor_{0xFF, 0x32, 0x32, 0xFF};
    zolt::ui::Color dangerColor_{0xC4, 0x00, 0x41, 0xFF};
    zolt::ui::Color successColor_{0x32, 0xC8, 0x32, 0xFF};
    float smallFontSize_ = 14.0f;
    float normalFontSize_ = 18.0f;
    float largeFontSize_ = 24.0f;
    float listFontSize_ = 16.0f;
    float imguiFontScale_ = 1.2f;
    zolt::ui::Font defaultFont_;
    zolt::ui::Font editorFont_;
};
