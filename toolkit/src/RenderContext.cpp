#include "zolt/ui/RenderContext.hpp"

#include "GlfwBackend.hpp"
#include "HeadlessBackend.hpp"
#include "zolt/ui/Exceptions.hpp"

namespace zolt::ui {

namespace {

void checkIndex(std::size_t index, std::size_t count) {
    if (index >= count) {
        throw RenderException("No render device with index " + std::to_string(index), kRenderErrorNoDevice);
    }
}

class HeadlessContext final : public RenderContext {
public:
    explicit HeadlessContext(int backendValue, const std::string& name) : RenderContext(backendValue, name) {}
    void enumerateDevices(std::vector<RenderDeviceInfo>& devices) const override {
        devices.push_back(RenderDeviceInfo{0, "Headless"});
    }
    void selectDevice(std::size_t index) override { checkIndex(index, 1); }
    void initialize() override { setInitialized(); }
    detail::Backend& backend() override { return backend_; }

private:
    detail::HeadlessBackend backend_;
};

class OpenGLContext final : public RenderContext {
public:
    explicit OpenGLContext(const std::string& name) : RenderContext(kBackendOpenGL, name), backend_(name) {}
    void enumerateDevices(std::vector<RenderDeviceInfo>& devices) const override {
        devices.push_back(RenderDeviceInfo{0, backend_.rendererName()});
    }
    void selectDevice(std::size_t index) override { checkIndex(index, 1); }
    void initialize() override { setInitialized(); }
    detail::Backend& backend() override { return backend_; }

private:
    detail::GlfwBackend backend_;
};

} // namespace

std::unique_ptr<RenderContext> RenderContext::create(int backend, const std::string& name) {
    if (backend == kBackendOpenGL) {
        return std::make_unique<OpenGLContext>(name);
    }
    return std::make_unique<HeadlessContext>(backend, name);
}

RenderContext::~RenderContext() = default;

std::vector<RenderDeviceInfo> RenderContext::enumerateDevices() const {
    std::vector<RenderDeviceInfo> devices;
    enumerateDevices(devices);
    return devices;
}

} // namespace zolt::ui
