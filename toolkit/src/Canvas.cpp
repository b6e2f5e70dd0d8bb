#include "Canvas.hpp"

#include "ContextScope.hpp"
#include "zolt/ui/Font.hpp"
#include "zolt/ui/ImGuiPanel.hpp"
#include "zolt/ui/Texture.hpp"

#include <imgui_internal.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>

namespace zolt::ui::detail {

namespace {

ImU32 packColor(const Vec4& c) {
    return ImGui::ColorConvertFloat4ToU32(ImVec4(c.x, c.y, c.z, c.w));
}

// The four corners of a primitive (clockwise from the top-left), turned about its origin.
void corners(const draw::Primitive& p, ImVec2 out[4]) {
    const float x0 = p.position.x;
    const float y0 = p.position.y;
    const float xs[4] = {0.0f, p.size.x, p.size.x, 0.0f};
    const float ys[4] = {0.0f, 0.0f, p.size.y, p.size.y};
    const float radians = p.angle * std::numbers::pi_v<float> / 180.0f;
    const float c = std::cos(radians);
    const float s = std::sin(radians);
    for (int i = 0; i < 4; ++i) {
        const float dx = xs[i] - p.origin.x;
        const float dy = ys[i] - p.origin.y;
        out[i] = ImVec2(x0 + p.origin.x + dx * c - dy * s, y0 + p.origin.y + dx * s + dy * c);
    }
}

} // namespace

Canvas::Canvas(Backend& backend) : backend_(backend) {
    context_ = ImGui::CreateContext();
    ContextScope scope(context_);
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    io.Fonts->AddFontDefault();
    backend_.attachRenderer(context_);
}

Canvas::~Canvas() {
    ContextScope scope(context_);
    pool_.clear();
    backend_.detachRenderer(context_);
    ImGui::DestroyContext(context_);
    scope.forget(context_);
}

void Canvas::beginFrame(const Vec2& displaySize, float deltaSeconds) {
    ImGui::SetCurrentContext(context_);
    ImGuiIO& io = ImGui::GetIO();
    displaySize_ = displaySize;
    io.DisplaySize = ImVec2(std::max(displaySize.x, 0.0f), std::max(displaySize.y, 0.0f));
    io.DeltaTime = std::max(deltaSeconds, 1e-6f);
    backend_.newFrame(context_);
    ImGui::NewFrame();
    inFrame_ = true;
    used_ = 0;
    current_ = nullptr;
    layers_.clear();
    clips_.assign(1, ImVec4(0.0f, 0.0f, io.DisplaySize.x, io.DisplaySize.y));
}

void Canvas::endFrame() {
    ImGui::SetCurrentContext(context_);
    ImGui::Render();
    inFrame_ = false;
    backend_.afterRender(ImGui::GetDrawData());
}

ImFont* Canvas::fontFor(const Font* font) {
    ImGuiIO& io = ImGui::GetIO();
    if (font == nullptr || font->isBuiltIn() || font->getSize() > static_cast<std::size_t>(INT_MAX)) {
        return io.Fonts->Fonts[0];
    }
    auto key = std::make_tuple(font->getData(), font->getSize(), font->getFaceIndex());
    auto found = fonts_.find(key);
    if (found != fonts_.end()) {
        return found->second;
    }
    ImFontConfig config;
    config.FontDataOwnedByAtlas = false; // the bytes belong to the caller (the asset pack)
    config.FontNo = font->getFaceIndex();
    // ImGui reads but never writes the bytes; the API only lacks the const.
    ImFont* imFont = io.Fonts->AddFontFromMemoryTTF(const_cast<void*>(font->getData()),
                                                   static_cast<int>(font->getSize()), 16.0f, &config);
    if (imFont == nullptr) {
        imFont = io.Fonts->Fonts[0];
    }
    fonts_.emplace(key, imFont);
    return imFont;
}

Vec2 Canvas::measureText(const Font* font, float size, std::string_view text) {
    ContextScope scope(context_);
    if (size <= 0.0f) {
        return Vec2{};
    }
    ImFont* imFont = fontFor(font);
    if (!inFrame_) {
        (void)ImGui::GetDefaultFont(); // builds the atlas before the first frame
    }
    ImVec2 extent = imFont->CalcTextSizeA(size, FLT_MAX, 0.0f, text.data(), text.data() + text.size());
    return Vec2{extent.x, std::max(extent.y, size)};
}

ImDrawList* Canvas::list() {
    if (current_ != nullptr) {
        return current_;
    }
    if (used_ == pool_.size()) {
        pool_.push_back(std::make_unique<ImDrawList>(ImGui::GetDrawListSharedData()));
    }
    current_ = pool_[used_++].get();
    current_->_ResetForNewFrame();
    current_->PushTexture(ImGui::GetIO().Fonts->TexRef);
    current_->PushClipRect(ImVec2(clips_.front().x, clips_.front().y), ImVec2(clips_.front().z, clips_.front().w));
    current_->PushClipRect(ImVec2(clips_.back().x, clips_.back().y), ImVec2(clips_.back().z, clips_.back().w));
    layers_.push_back(Layer{current_, nullptr, nullptr});
    return current_;
}

void Canvas::applyClip() {
    if (current_ == nullptr) {
        return; // the next list starts with the current clip
    }
    current_->PopClipRect();
    current_->PushClipRect(ImVec2(clips_.back().x, clips_.back().y), ImVec2(clips_.back().z, clips_.back().w));
}

void Canvas::pushClipRect(const Vec2& min, const Vec2& max) {
    const ImVec4& top = clips_.back();
    ImVec4 clip(std::max(top.x, min.x), std::max(top.y, min.y), std::min(top.z, max.x), std::min(top.w, max.y));
    clip.z = std::max(clip.z, clip.x);
    clip.w = std::max(clip.w, clip.y);
    clips_.push_back(clip);
    applyClip();
}

void Canvas::popClipRect() {
    if (clips_.size() > 1) {
        clips_.pop_back();
        applyClip();
    }
}

Vec4 Canvas::clipRect() const {
    const ImVec4& c = clips_.back();
    return Vec4{c.x, c.y, c.z, c.w};
}

void Canvas::drawPrimitive(const draw::Primitive& p) {
    if (p.type != draw::PrimitiveType::Rectangle || p.size.x <= 0.0f || p.size.y <= 0.0f) {
        return;
    }
    ImGui::SetCurrentContext(context_);
    ImDrawList* dl = list();
    const ImU32 color = packColor(p.color);
    ImVec2 q[4];
    corners(p, q);
    const bool straight = std::fmod(p.angle, 360.0f) == 0.0f;
    if ((p.flags & draw::kFillColor) != 0) {
        if (straight) {
            dl->AddRectFilled(q[0], q[2], color);
        } else {
            dl->AddQuadFilled(q[0], q[1], q[2], q[3], color);
        }
    }
    if ((p.flags & draw::kTextured) != 0 && p.texture != nullptr) {
        std::uint64_t id = p.texture->getId();
        if (id != 0) {
            ImTextureRef ref{static_cast<ImTextureID>(id)};
            dl->AddImageQuad(ref, q[0], q[1], q[2], q[3], ImVec2(p.uvMin.x, p.uvMin.y), ImVec2(p.uvMax.x, p.uvMin.y),
                             ImVec2(p.uvMax.x, p.uvMax.y), ImVec2(p.uvMin.x, p.uvMax.y), color);
        }
    }
    if ((p.flags & draw::kOutline) != 0) {
        dl->AddQuad(q[0], q[1], q[2], q[3], color, p.outlineWidth);
    }
}

void Canvas::drawText(const Font* font, float size, const Vec2& position, const Vec4& color, std::string_view text) {
    if (text.empty() || size <= 0.0f) {
        return;
    }
    ImGui::SetCurrentContext(context_);
    ImFont* imFont = fontFor(font);
    list()->AddText(imFont, size, ImVec2(position.x, position.y), packColor(color), text.data(),
                    text.data() + text.size());
}

void Canvas::addPanel(ImGuiPanel& panel) {
    ImDrawData* data = panel.getDrawData();
    if (data == nullptr) {
        return;
    }
    const Vec2 world = panel.getWorldPosition();
    const Vec2 size = panel.getActualSize();
    // The panel's own coordinates: clip to its rectangle and to the canvas clip around it.
    const ImVec4& clip = clips_.back();
    const ImVec4 limit(std::max(0.0f, clip.x - world.x), std::max(0.0f, clip.y - world.y),
                       std::min(size.x, clip.z - world.x), std::min(size.y, clip.w - world.y));
    for (ImDrawList* cmdList : data->CmdLists) {
        for (ImDrawCmd& cmd : cmdList->CmdBuffer) {
            cmd.ClipRect.x = std::max(cmd.ClipRect.x, limit.x);
            cmd.ClipRect.y = std::max(cmd.ClipRect.y, limit.y);
            cmd.ClipRect.z = std::min(cmd.ClipRect.z, limit.z);
            cmd.ClipRect.w = std::min(cmd.ClipRect.w, limit.w);
        }
    }
    data->DisplayPos = ImVec2(-world.x, -world.y);
    data->DisplaySize = ImVec2(displaySize_.x, displaySize_.y);
    layers_.push_back(Layer{nullptr, data, panel.getImGuiContext()});
    current_ = nullptr; // what comes next paints over the panel
}

} // namespace zolt::ui::detail
