#pragma once

// "Save watch list..." and "Open watch list...": a small modal of the inspector's panel
// where the user types or edits the file's path (no system dialog: nothing beyond our
// dependencies). Saving writes the watched paths in row order, and asks before it
// replaces a file; opening looks the file's paths up on the connected controller and
// watches those it has, in place of the rows before, and says which it lacks. Nothing
// is written unless the user presses Save or Replace. Drawn inside the panel's ImGui
// frame, on the UI thread.

#include <memory>
#include <string>
#include <vector>

class WatchListDialog {
public:
    enum class Mode { Closed, Save, Open };

    // `owner`: the view's lifetime token; a lookup that ends after the view went is dropped.
    explicit WatchListDialog(std::weak_ptr<void> owner);

    void show(Mode mode);
    // Builds the modal when shown; call once per frame inside the panel's window.
    void draw();
    Mode mode() const { return mode_; }
    // The path the next Save or Open uses.
    const std::string& path() const { return pathText; }
    // What the last action said (an error, a file that exists, paths not found); empty when all went well.
    const std::string& message() const { return messageText; }
    // Whether an opened list is still being looked up on the controller.
    bool isOpening() const { return opening; }

private:
    void save();
    void open();
    void finish(std::string message);

    std::weak_ptr<void> owner;
    Mode mode_ = Mode::Closed;
    bool popupWanted = false;
    std::string pathText;
    std::string messageText;
    bool replaceAsked = false; // the file exists and the user was asked
    bool opening = false;
};
