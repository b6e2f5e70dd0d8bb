#include "AppTextures.hpp"

#include "AssetPack.hpp"
#include "Logger.hpp"

#include <zolt/ui/Exceptions.hpp>
#include <zolt/ui/SVG.hpp>

#include <cstddef>
#include <exception>

AppTextures& AppTextures::instance() {
    static AppTextures textures;
    return textures;
}

const zolt::ui::Texture* AppTextures::getSvg(const std::string& name, int width, int height) {
    SvgKey key{name, width, height};
    auto found = svgCache.find(key);
    if (found != svgCache.end()) {
        return &found->second;
    }
    return loadSvg(key);
}

const zolt::ui::Texture* AppTextures::getTexture(const std::string& name) {
    auto found = textureCache.find(name);
    if (found != textureCache.end()) {
        return &found->second;
    }
    return loadTexture(name);
}

std::vector<zolt::ui::Image> AppTextures::windowIcon() {
    std::vector<zolt::ui::Image> sizes;
    auto asset = AssetPack::instance().find(logoAsset);
    if (!asset) {
        return sizes;
    }
    try {
        const zolt::ui::SVG svg(asset->data, static_cast<std::size_t>(asset->size));
        for (int side : {16, 32, 48, 64, 128}) {
            sizes.push_back(svg.rasterize(side, side));
        }
    } catch (const std::exception& e) {
        logError("Failed to render the window icon '{}': {}", logoAsset, e.what());
        sizes.clear();
    }
    return sizes;
}

const zolt::ui::Texture* AppTextures::loadSvg(const SvgKey& key) {
    auto asset = AssetPack::instance().find(key.name);
    if (!asset) {
        return nullptr;
    }
    try {
        zolt::ui::SVG svg(asset->data, static_cast<std::size_t>(asset->size));
        auto [it, inserted] = svgCache.emplace(key, svg.createTexture(key.width, key.height));
        logTrace("Loaded SVG asset '{}' ({}x{})", key.name, key.width, key.height);
        return &it->second;
    } catch (const zolt::ui::ResourceException& e) {
        logError("Failed to load svg asset '{}': RenderException code {}", key.name, e.getCode());
    } catch (const std::exception& e) {
        logError("Failed to load svg asset '{}': {}", key.name, e.what());
    }
    return nullptr;
}

const zolt::ui::Texture* AppTextures::loadTexture(const std::string& name) {
    auto asset = AssetPack::instance().find(name);
    if (!asset) {
        return nullptr;
    }
    try {
        zolt::ui::Texture texture(asset->data, static_cast<std::size_t>(asset->size));
        auto [it, inserted] = textureCache.emplace(name, std::move(texture));
        logTrace("Loaded texture asset '{}'", name);
        return &it->second;
    } catch (const zolt::ui::ResourceException& e) {
        logError("Failed to load texture asset '{}': RenderException code {}", name, e.getCode());
    } catch (const std::exception& e) {
        logError("Failed to load texture asset '{}': {}", name, e.what());
    }
    return nullptr;
}
