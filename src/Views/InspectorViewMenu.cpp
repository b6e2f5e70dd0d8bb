// The inspector's actions on its selected rows: the rows' menu, its shortcuts, copying
// through the window's clipboard and the display format.
#include "Views/InspectorView.hpp"

#include "TagInspector.hpp"

#include <imgui.h>

#include <string>
#include <vector>

namespace {

template <typename T>
struct Choice {
    const char* label;
    T value;
};

constexpr Choice<IntegerBase> baseChoices[] = {{"Decimal", IntegerBase::Decimal},
                                               {"Hexadecimal (16#FF)", IntegerBase::Hexadecimal},
                                               {"Binary (2#1010)", IntegerBase::Binary}};
constexpr Choice<BoolText> boolChoices[] = {
    {"true / false", BoolText::Lower}, {"0 / 1", BoolText::Digit}, {"FALSE / TRUE", BoolText::Upper}};
constexpr Choice<int> digitsChoices[] = {{"Shortest exact", -1}, {"0 digits", 0}, {"1 digit", 1},
                                         {"2 digits", 2},        {"3 digits", 3}, {"6 digits", 6}};

} // namespace

template <typename Test>
bool InspectorView::allSelected(Test test) const {
    bool any = false;
    for (const TagInspector::Entry& entry : inspector->entries()) {
        if (selected.contains(entry.name)) {
            if (!test(entry.format)) {
                return false;
            }
            any = true;
        }
    }
    return any;
}

template <typename Change>
void InspectorView::changeFormat(Change change) {
    for (const TagInspector::Entry& entry : inspector->entries()) {
        if (selected.contains(entry.name)) {
            ValueFormat format = entry.format;
            change(format);
            inspector->setFormat(entry.name, format);
        }
    }
}

void InspectorView::copySelection(bool paths, bool values) {
    std::string text;
    for (const TagInspector::Entry& entry : inspector->entries()) {
        if (!selected.contains(entry.name)) {
            continue;
        }
        if (!text.empty()) {
            text += '\n';
        }
        text += paths ? entry.name : std::string();
        text += paths && values ? " = " : "";
        text += values ? TagInspector::shownValue(entry) : std::string();
    }
    if (!text.empty()) {
        ImGui::SetClipboardText(text.c_str());
    }
}

void InspectorView::removeSelection() {
    std::vector<std::string> names;
    for (const TagInspector::Entry& entry : inspector->entries()) {
        if (selected.contains(entry.name)) {
            names.push_back(entry.name);
        }
    }
    for (const std::string& name : names) {
        inspector->removeTag(name.c_str());
    }
    selected.clear();
}

void InspectorView::handleShortcuts() {
    // Only while the pane has the keyboard: the modal dialog and other panes keep theirs.
    if (!ImGui::IsWindowFocused(ImGuiFocusedFlags_RootAndChildWindows) || ImGui::GetIO().WantTextInput) {
        return;
    }
    if (ImGui::IsKeyChordPressed(ImGuiMod_Ctrl | ImGuiKey_C)) {
        copySelection(true, true);
    } else if (ImGui::IsKeyPressed(ImGuiKey_Delete, false)) {
        removeSelection();
    } else if (ImGui::IsKeyChordPressed(ImGuiMod_Ctrl | ImGuiKey_S)) {
        dialog.show(WatchListDialog::Mode::Save);
    } else if (ImGui::IsKeyChordPressed(ImGuiMod_Ctrl | ImGuiKey_O)) {
        dialog.show(WatchListDialog::Mode::Open);
    }
}

template <typename T, typename Choices>
void InspectorView::formatMenu(const char* label, const Choices& choices, T ValueFormat::*part) {
    if (ImGui::BeginMenu(label)) {
        for (const Choice<T>& choice : choices) {
            const bool checked = allSelected([&](const ValueFormat& f) { return f.*part == choice.value; });
            if (ImGui::MenuItem(choice.label, nullptr, checked)) {
                changeFormat([&](ValueFormat& f) { f.*part = choice.value; });
            }
            note(choice.label);
        }
        ImGui::EndMenu();
    }
    note(label);
}

void InspectorView::drawMenu() {
    if (!ImGui::BeginPopup("Rows")) {
        return;
    }
    struct Copy {
        const char* label;
        const char* shortcut;
        bool paths;
        bool values;
    };
    static constexpr Copy copies[] = {
        {"Copy path", nullptr, true, false}, {"Copy value", nullptr, false, true}, {"Copy path = value", "Ctrl+C", true, true}};
    for (const Copy& copy : copies) {
        if (ImGui::MenuItem(copy.label, copy.shortcut)) {
            copySelection(copy.paths, copy.values);
        }
        note(copy.label);
    }
    ImGui::Separator();
    formatMenu("Integers as", baseChoices, &ValueFormat::base);
    formatMenu("BOOL as", boolChoices, &ValueFormat::boolText);
    formatMenu("REAL digits", digitsChoices, &ValueFormat::floatDigits);
    ImGui::Separator();
    if (ImGui::MenuItem("Remove", "Delete")) {
        removeSelection();
    }
    note("Remove");
    ImGui::Separator();
    if (ImGui::MenuItem("Open watch list...", "Ctrl+O")) {
        dialog.show(WatchListDialog::Mode::Open);
    }
    if (ImGui::MenuItem("Save watch list...", "Ctrl+S")) {
        dialog.show(WatchListDialog::Mode::Save);
    }
    ImGui::EndPopup();
}
