#include "Startup.hpp"

#include "AppState.hpp"

#include "AppTextures.hpp"
#include "AssetPack.hpp"
#include "ThreadPool.hpp"
#include "Views/MainWindow.hpp"
#include "Views/TopBarView.hpp"

#include <zolt/ui/Application.hpp>
#include <zolt/ui/Exceptions.hpp>
#include <zolt/ui/RenderContext.hpp>
#include <zolt/ui/Window.hpp>

#include <cstddef>
#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

constexpr const char* applicationName = "Quillon";
constexpr const char* assetPackName = "assets.pak";
// The platform's classic path limit, doubled while a path fills the buffer, up to the
// longest path any platform allows.
constexpr std::size_t firstPathBuffer = 260;
constexpr std::size_t lastPathBuffer = std::size_t{1} << 16;

// The running program's file path, or nothing when the platform cannot say.
bool executablePath(std::filesystem::path& result) {
#ifdef _WIN32
    for (std::size_t size = firstPathBuffer; size <= lastPathBuffer; size *= 2) {
        std::wstring buffer(size, L'\0');
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(size));
        if (length == 0) {
            return false;
        }
        if (length < size) {
            buffer.resize(length);
            result = std::filesystem::path(buffer);
            return true;
        }
    }
    return false;
#else
    for (std::size_t size = firstPathBuffer; size <= lastPathBuffer; size *= 2) {
        std::string buffer(size, '\0');
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), size);
        if (length <= 0) {
            return false;
        }
        if (static_cast<std::size_t>(length) < size) {
            buffer.resize(static_cast<std::size_t>(length));
            result = std::filesystem::path(buffer);
            return true;
        }
    }
    return false;
#endif
}

bool packExists(const std::filesystem::path& path) {
    std::error_code error;
    const bool found = std::filesystem::exists(path, error);
    if (error) {
        throw std::filesystem::filesystem_error("exists", path, error);
    }
    return found;
}

// The log's colours are ANSI escape sequences, which a Windows console shows as text unless
// virtual terminal processing is on. Streams that are not a console are left alone.
void enableConsoleColours() {
#ifdef _WIN32
    for (const DWORD stream : {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
        const HANDLE handle = GetStdHandle(stream);
        DWORD mode = 0;
        if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
            SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
        }
    }
#endif
}

void listDevices(const std::vector<zolt::ui::RenderDeviceInfo>& devices) {
    for (const zolt::ui::RenderDeviceInfo& device : devices) {
        std::cout << "Device ID: " << device.id << ", Name: " << device.name << std::endl;
    }
}

} // namespace

std::filesystem::path executableDirectory() {
    std::filesystem::path file;
    if (!executablePath(file)) {
        return std::filesystem::current_path();
    }
    return file.parent_path();
}

std::filesystem::path findAssetPackPath() {
    const std::filesystem::path besideProgram = executableDirectory() / assetPackName;
    if (packExists(besideProgram)) {
        return besideProgram;
    }
    const std::filesystem::path installed = executableDirectory() / QUILLON_DATA_FROM_BIN / assetPackName;
    if (packExists(installed)) {
        return installed.lexically_normal();
    }
    const std::filesystem::path inWorkingDirectory = std::filesystem::current_path() / assetPackName;
    if (packExists(inWorkingDirectory)) {
        return inWorkingDirectory;
    }
    return besideProgram;
}

int runQuillon(const std::string& host, std::uint16_t port, const std::string& path) {
    // Declared outside the handlers so that the pool stops before the window goes;
    // destroyed in reverse: main window, Application, device list.
    std::vector<zolt::ui::RenderDeviceInfo> devices;
    std::unique_ptr<zolt::ui::Application> application;
    std::unique_ptr<MainWindow> mainWindow;
    enableConsoleColours();
    try {
        std::unique_ptr<zolt::ui::RenderContext> context =
            zolt::ui::RenderContext::create(zolt::ui::kBackendOpenGL, applicationName);
        context->enumerateDevices(devices);
        listDevices(devices);
        context->selectDevice(0);
        context->initialize();

        // The pack takes the path as UTF-8 text (any folder name opens, on Windows too).
        const std::u8string packPath = findAssetPackPath().u8string();
        AssetPack::instance().load(std::string(packPath.begin(), packPath.end()));

        ThreadPool::instance().init(1);
        application = std::make_unique<zolt::ui::Application>(std::move(context), applicationName);
        zolt::ui::Application::setVSync(true);
        mainWindow = std::make_unique<MainWindow>();
        mainWindow->getWindow()->setIcon(AppTextures::windowIcon());
        if (!host.empty() || !path.empty()) {
            mainWindow->getTopBar()->connectTo(host, host.empty() ? TopBarView::defaultPort : port, path);
        }
        application->run();
        // The window is closed: a listing or a connect still running is cut, so the
        // worker ends at once instead of after the controller's answer.
        AppState::instance().abort();
        ThreadPool::instance().stop();
        mainWindow.reset();
        application.reset();
        devices.clear();
        return 0;
    } catch (const zolt::ui::RenderException& error) {
        std::cerr << "RenderException: " << error.what() << " CODE: " << error.getCode() << '\n';
    } catch (const std::exception& error) {
        std::cerr << error.what() << '\n';
    }
    ThreadPool::instance().stop();
    return 1;
}
