#pragma once

// Pack assets turned into textures, cached for the process lifetime: raster images by
// name, SVG images by name and rendered size. Pointers handed out stay valid until exit;
// failures are not cached (each request tries again). UI thread only.

#include <zolt/ui/Texture.hpp>

#include <compare>
#include <map>
#include <string>

class AppTextures {
public:
    // An SVG rendering: ordered by name (byte-wise), then width, then height.
    struct SvgKey {
        std::string name;
        int width = 0;
        int height = 0;
        friend auto operator<=>(const SvgKey&, const SvgKey&) = default;
    };

    static AppTextures& instance();

    AppTextures(const AppTextures&) = delete;
    AppTextures& operator=(const AppTextures&) = delete;

    // The SVG asset `name` rendered at width x height, or null when the pack lacks it
    // (silently) or it cannot be rendered (one ERROR line).
    const zolt::ui::Texture* getSvg(const std::string& name, int width, int height);
    // The decoded raster asset `name`, or null as for getSvg.
    const zolt::ui::Texture* getTexture(const std::string& name);

private:
    AppTextures() = default;
    const zolt::ui::Texture* loadSvg(const SvgKey& key);
    const zolt::ui::Texture* loadTexture(const std::string& name);

    std::map<std::string, zolt::ui::Texture> textureCache;
    std::map<SvgKey, zolt::ui::Texture> svgCache;
};
