#include "zolt/ui/ImGuiPanel.hpp"

#include "ContextScope.hpp"
#include "WindowImpl.hpp"
#include "zolt/ui/Font.hpp"
#include "zolt/ui/Renderer.hpp"

#include <imgui_internal.h>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <string>

namespace zolt::ui {

namespace {

constexpr ImGuiWindowFlags hostFlags = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                                       ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoBackground |
                                       ImGuiWindowFlags_NoBringToFrontOnFocus |
                                       ImGuiWindowFlags_NoScrollWithMouse;

// The clipboard of the window a panel lives in, for ImGui's copy and paste.
struct Clipboard {
    Window* window = nullptr;
    std::string text; // keeps the pointer handed to ImGui valid until the next call
};

const char* getClipboard(ImGuiContext* context) {
    ImGuiPlatformIO& io = context->PlatformIO;
    auto* clipboard = static_cast<Clipboard*>(io.Platform_ClipboardUserData);
    clipboard->text = clipboard->window->getClipboardText();
    return clipboard->text.c_str();
}

void setClipboard(ImGuiContext* context, const char* text) {
    ImGuiPlatformIO& io = context->PlatformIO;
    auto* clipboard = static_cast<Clipboard*>(io.Platform_ClipboardUserData);
    clipboard->window->setClipboardText(text != nullptr ? text : "");
}

int imguiButton(int button) {
    return button >= 0 && button < ImGuiMouseButton_COUNT ? button : -1;
}

} // namespace

ImGuiPanel::ImGuiPanel(Widget* parent, const Vec2& position, const Vec2& size) : Widget(parent, position, size) {
    context_ = ImGui::CreateContext();
    detail::ContextScope scope(context_);
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    io.ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard;
    ImGuiPlatformIO& platform = ImGui::GetPlatformIO();
    platform.Platform_ClipboardUserData = new Clipboard{getWindow(), {}};
    platform.Platform_GetClipboardTextFn = getClipboard;
    platform.Platform_SetClipboardTextFn = setClipboard;
    detail::WindowAccess::backend(*getWindow()).attachRenderer(context_);
    rendererReady_ = true;
}

ImGuiPanel::~ImGuiPanel() {
    detail::ContextScope scope(context_);
    ImGuiPlatformIO& platform = ImGui::GetPlatformIO();
    delete static_cast<Clipboard*>(platform.Platform_ClipboardUserData);
    platform.Platform_ClipboardUserData = nullptr;
    if (rendererReady_) {
        detail::WindowAccess::backend(*getWindow()).detachRenderer(context_);
    }
    ImGui::DestroyContext(context_);
    scope.forget(context_);
}

void ImGuiPanel::setBuildImGuiFunction(std::function<void()> build) {
    build_ = std::move(build);
}

void ImGuiPanel::setDefaultFont(const Font* font, float size, const ImWchar* glyphRanges) {
    detail::ContextScope scope(context_);
    ImGuiIO& io = ImGui::GetIO();
    ImFontConfig config;
    config.SizePixels = size;
    config.GlyphRanges = glyphRanges;
    ImFont* added = nullptr;
    if (font == nullptr || font->isBuiltIn() || font->getSize() > static_cast<std::size_t>(INT_MAX)) {
        added = io.Fonts->AddFontDefault(&config);
    } else {
        config.FontDataOwnedByAtlas = false; // the caller keeps the bytes
        config.FontNo = font->getFaceIndex();
        added = io.Fonts->AddFontFromMemoryTTF(const_cast<void*>(font->getData()),
                                               static_cast<int>(font->getSize()), size, &config, glyphRanges);
    }
    if (added != nullptr) {
        defaultFont_ = added;
        io.FontDefault = added;
        ImGui::GetStyle().FontSizeBase = size;
    }
}

void ImGuiPanel::buildFrame(float deltaSeconds) {
    detail::ContextScope scope(context_);
    ImGuiIO& io = ImGui::GetIO();
    const Vec2 size = getActualSize();
    io.DisplaySize = ImVec2(std::max(size.x, 0.0f), std::max(size.y, 0.0f));
    io.DeltaTime = std::max(deltaSeconds, 1e-6f);
    // Items outside the part that can be seen are clipped (and skipped by ImGui's clipper).
    const Vec4 world = Widget::getVisibleRect();
    const Vec2 origin = getWorldPosition();
    visible_ = Vec4{world.x - origin.x, world.y - origin.y, world.z - origin.x, world.w - origin.y};

    detail::WindowAccess::backend(*getWindow()).newFrame(context_);
    ImGui::NewFrame();
    if (blurPending_) {
        // The keyboard went elsewhere: no field of this panel stays active or looks focused.
        blurPending_ = false;
        ImGui::ClearActiveID();
        ImGui::FocusWindow(nullptr);
    }
    ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f));
    // A zero size would mean "fit the content" to ImGui.
    ImGui::SetNextWindowSize(ImVec2(std::max(size.x, 1.0f), std::max(size.y, 1.0f)));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, 0.0f);
    ImGui::Begin("##panel", nullptr, hostFlags);
    ImGui::PopStyleVar();
    ImGui::PushClipRect(ImVec2(visible_.x, visible_.y), ImVec2(visible_.z, visible_.w), true);
    if (build_) {
        build_();
    }
    ImGui::PopClipRect();
    ImGui::End();
    ImGui::Render();
    detail::WindowAccess::backend(*getWindow()).afterRender(ImGui::GetDrawData());
    frameBuilt_ = true;
}

ImDrawData* ImGuiPanel::getDrawData() const {
    if (!frameBuilt_) {
        return nullptr;
    }
    detail::ContextScope scope(context_);
    return ImGui::GetDrawData();
}

void ImGuiPanel::draw(Renderer& renderer, float z, float opacity) {
    renderer.drawPanel(*this);
    frameBuilt_ = false; // the next paint needs a new frame
    Widget::draw(renderer, z, opacity);
}

void ImGuiPanel::onMouseEnter(const MouseEvent& event) {
    hovered_ = true;
    context_->IO.AddMousePosEvent(event.local.x, event.local.y);
}

void ImGuiPanel::onMouseLeave(const MouseEvent&) {
    hovered_ = false;
    if (buttons_ == 0) {
        context_->IO.AddMousePosEvent(-FLT_MAX, -FLT_MAX);
    }
}

bool ImGuiPanel::onMouseMove(const MouseEvent& event) {
    context_->IO.AddMousePosEvent(event.local.x, event.local.y);
    return true;
}

bool ImGuiPanel::onMouseButtonDown(const MouseEvent& event) {
    const int button = imguiButton(event.button);
    if (button >= 0) {
        // Ctrl or Shift may have gone down while another widget had the keyboard: a
        // Ctrl+click or Shift+click here must see them.
        sendMods(event.mods);
        context_->IO.AddMousePosEvent(event.local.x, event.local.y);
        context_->IO.AddMouseButtonEvent(button, true);
        buttons_ |= 1 << button;
    }
    return true;
}

bool ImGuiPanel::onMouseButtonUp(const MouseEvent& event) {
    const int button = imguiButton(event.button);
    if (button < 0) {
        return true;
    }
    context_->IO.AddMouseButtonEvent(button, false);
    buttons_ &= ~(1 << button);
    if (buttons_ == 0 && !contains(event.position)) {
        context_->IO.AddMousePosEvent(-FLT_MAX, -FLT_MAX);
    }
    return true;
}

bool ImGuiPanel::onMouseWheel(const MouseEvent& event) {
    context_->IO.AddMouseWheelEvent(event.wheel.x, event.wheel.y);
    return false; // the host window does not scroll: let a ScrollView around us do it
}

void ImGuiPanel::sendMods(int mods) {
    ImGuiIO& io = context_->IO;
    io.AddKeyEvent(ImGuiMod_Ctrl, (mods & kModCtrl) != 0);
    io.AddKeyEvent(ImGuiMod_Shift, (mods & kModShift) != 0);
    io.AddKeyEvent(ImGuiMod_Alt, (mods & kModAlt) != 0);
    io.AddKeyEvent(ImGuiMod_Super, (mods & kModSuper) != 0);
}

bool ImGuiPanel::onKeyDown(const KeyEvent& event) {
    sendMods(event.mods);
    if (ImGui::IsNamedKey(static_cast<ImGuiKey>(event.key))) {
        context_->IO.AddKeyEvent(static_cast<ImGuiKey>(event.key), true);
    }
    return true;
}

bool ImGuiPanel::onKeyUp(const KeyEvent& event) {
    sendMods(event.mods);
    if (ImGui::IsNamedKey(static_cast<ImGuiKey>(event.key))) {
        context_->IO.AddKeyEvent(static_cast<ImGuiKey>(event.key), false);
    }
    return true;
}

bool ImGuiPanel::onTextInput(unsigned int codepoint) {
    context_->IO.AddInputCharacter(codepoint);
    return true;
}

void ImGuiPanel::onFocusGained() {
    context_->IO.AddFocusEvent(true);
}

void ImGuiPanel::onFocusLost() {
    context_->IO.AddFocusEvent(false);
    blurPending_ = true;
}

bool ImGuiPanel::acceptsFocus() const {
    return true;
}

ImTextureRef toImTextureRef(const Texture* texture) {
    if (texture == nullptr) {
        return ImTextureRef();
    }
    return ImTextureRef(static_cast<ImTextureID>(texture->getId()));
}

} // namespace zolt::ui
