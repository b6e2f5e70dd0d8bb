#include "Views/WatchListDialog.hpp"

#include "AppState.hpp"
#include "Background.hpp"
#include "Logger.hpp"
#include "TagInspector.hpp"
#include "TagList.hpp"
#include "TagResolver.hpp"
#include "WatchList.hpp"

#include <imgui.h>
#include <imgui_stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

namespace {

constexpr const char* popupName = "Watch list file";
constexpr float fieldWidth = 520.0f;

struct Lookup {
    std::vector<std::string> paths;
    std::vector<std::optional<ResolvedTag>> found; // one per path; empty when the listing failed
    std::string failure;
};

// In the user's home folder: the working folder of a program started from a menu is
// often one the user cannot write to.
std::string defaultPath() {
#ifdef _WIN32
    const char* home = std::getenv("USERPROFILE");
#else
    const char* home = std::getenv("HOME");
#endif
    std::error_code ignored;
    const std::filesystem::path folder =
        home != nullptr && home[0] != '\0' ? std::filesystem::path(home) : std::filesystem::current_path(ignored);
    const std::u8string text = (folder / "watch-list.txt").u8string();
    return std::string(text.begin(), text.end());
}

} // namespace

WatchListDialog::WatchListDialog(std::weak_ptr<void> lifetime) : owner(std::move(lifetime)), pathText(defaultPath()) {}

void WatchListDialog::show(Mode mode) {
    if (opening) {
        return; // one lookup at a time
    }
    mode_ = mode;
    popupWanted = mode != Mode::Closed;
    messageText.clear();
    replaceAsked = false;
}

void WatchListDialog::finish(std::string message) {
    messageText = std::move(message);
    if (messageText.empty()) {
        mode_ = Mode::Closed;
    }
}

void WatchListDialog::save() {
    const std::filesystem::path file = pathFromUtf8(pathText);
    std::error_code ignored;
    if (!replaceAsked && std::filesystem::exists(file, ignored)) {
        replaceAsked = true;
        messageText = "The file exists. Replace it with the watched paths?";
        return;
    }
    std::vector<std::string> paths;
    for (const TagInspector::Entry& entry : TagInspector::instance().entries()) {
        paths.push_back(entry.name);
    }
    const std::string error = writeWatchList(file, paths);
    if (!error.empty()) {
        finish("Not saved: " + error);
        return;
    }
    logInfo("saved the watch list ({} paths) to {}", paths.size(), pathText);
    finish({});
}

void WatchListDialog::open() {
    WatchListFile list = readWatchList(pathFromUtf8(pathText));
    if (!list.error.empty()) {
        finish("Not opened: " + list.error);
        return;
    }
    if (!AppState::instance().isConnected()) {
        finish("Not opened: connect first, the paths are looked up on the controller.");
        return;
    }
    opening = true;
    messageText = "Looking the paths up on the controller...";
    const bool started = runInBackground(
        owner,
        [paths = std::move(list.paths)] {
            Lookup lookup;
            lookup.paths = paths;
            AppState::instance().withClient([&](zoltc_logix_client* client) {
                TagList controllerScope;
                const zoltc_logix_result result = controllerScope.browse(client, "");
                if (result != ZOLTC_LOGIX_OK) {
                    lookup.failure = callFailureText(client, result);
                } else {
                    lookup.found = resolveOnController(client, controllerScope.records(), paths);
                }
                return result;
            });
            return lookup;
        },
        [this](std::optional<Lookup> lookup) {
            opening = false;
            if (!lookup || lookup->found.size() != lookup->paths.size()) {
                finish("Not opened: the tags could not be listed: " + (lookup ? lookup->failure : "the worker stopped"));
                return;
            }
            TagInspector& inspector = TagInspector::instance();
            inspector.clear();
            std::string missing;
            std::size_t watched = 0;
            for (std::size_t i = 0; i < lookup->paths.size(); ++i) {
                if (lookup->found[i] && inspector.addResolved(lookup->paths[i], *lookup->found[i])) {
                    ++watched;
                } else {
                    missing += (missing.empty() ? "" : ", ") + lookup->paths[i];
                }
            }
            logInfo("opened the watch list {}: {} of {} paths watched", pathText, watched, lookup->paths.size());
            finish(missing.empty() ? std::string()
                                   : "Watching " + std::to_string(watched) + " of " +
                                         std::to_string(lookup->paths.size()) +
                                         " paths; not on this controller or without one value: " + missing);
        });
    if (!started) {
        opening = false;
        finish("Not opened: the worker is stopping.");
    }
}

void WatchListDialog::draw() {
    if (popupWanted) {
        ImGui::OpenPopup(popupName);
        popupWanted = false;
    }
    ImGui::SetNextWindowPos(ImGui::GetMainViewport()->GetCenter(), ImGuiCond_Appearing, ImVec2(0.5f, 0.5f));
    if (!ImGui::BeginPopupModal(popupName, nullptr, ImGuiWindowFlags_AlwaysAutoResize)) {
        return;
    }
    const bool saving = mode_ == Mode::Save;
    ImGui::TextUnformatted(saving ? "Save the watched paths to the file:" : "Open the watch list in the file:");
    ImGui::SetNextItemWidth(fieldWidth);
    if (ImGui::IsWindowAppearing()) {
        ImGui::SetKeyboardFocusHere();
    }
    const bool entered = ImGui::InputText("##file", &pathText, ImGuiInputTextFlags_EnterReturnsTrue);
    if (entered) {
        ImGui::SetKeyboardFocusHere(-1); // Enter again answers the question below
    }
    if (ImGui::IsItemEdited()) {
        replaceAsked = false;
        messageText.clear();
    }
    if (!messageText.empty()) {
        ImGui::PushTextWrapPos(ImGui::GetCursorPosX() + fieldWidth);
        ImGui::TextUnformatted(messageText.c_str());
        ImGui::PopTextWrapPos();
    }
    ImGui::BeginDisabled(opening);
    const char* action = saving ? (replaceAsked ? "Replace" : "Save") : "Open";
    if (ImGui::Button(action) || (entered && !opening)) {
        saving ? save() : open();
    }
    ImGui::EndDisabled();
    ImGui::SameLine();
    if (ImGui::Button(opening ? "Close" : "Cancel") || ImGui::IsKeyPressed(ImGuiKey_Escape)) {
        mode_ = Mode::Closed;
    }
    if (mode_ == Mode::Closed) {
        ImGui::CloseCurrentPopup();
    }
    ImGui::EndPopup();
}
