#pragma once

// Pack assets turned into textures, cached for the process lifetime: raster images by
// name, SVG images by name and rendered size. Pointers handed out stay valid until exit;
// failures are not cached (each request tries again). UI thread only.

#include <zolt/ui/Texture.hpp>
#include <zolt/ui/Types.hpp>

#include <compare>
#include <map>
#include <string>
#include <vector>

class AppTextures {
public:
    // An SVG rendering: ordered by name (byte-wise), then width, then height.
    struct SvgKey {
        std::string name;
        int width = 0;
        int height = 0;
        friend auto operator<=>(const SvgKey&, const SvgKey&) = default;
    };

    // The maker's logo: the top bar shows it, the window's icon is made from it.
    static constexpr const char* logoAsset = "icons/zolt.svg";

    static AppTextures& instance();

    AppTextures(const AppTextures&) = delete;
    AppTextures& operator=(const AppTextures&) = delete;

    // The SVG asset `name` rendered at width x height, or null when the pack lacks it
    // (silently) or it cannot be rendered (one ERROR line).
    const zolt::ui::Texture* getSvg(const std::string& name, int width, int height);
    // The decoded raster asset `name`, or null as for getSvg.
    const zolt::ui::Texture* getTexture(const std::string& name);
    // The window icon: the logo asset as pixels, square, in the sizes systems ask for;
    // empty when the pack lacks it or it cannot be rendered (one ERROR line). Not cached.
    static std::vector<zolt::ui::Image> windowIcon();

private:
    AppTextures() = default;
    const zolt::ui::Texture* loadSvg(const SvgKey& key);
    const zolt::ui::Texture* loadTexture(const std::string& name);

    std::map<std::string, zolt::ui::Texture> textureCache;
    std::map<SvgKey, zolt::ui::Texture> svgCache;
};
