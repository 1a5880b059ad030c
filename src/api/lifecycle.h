// Start-up and shutdown steps that the subsystems plug into KjMainInit and
// KjMainExit. Each hook is optional; the order of calls is fixed in embed.cpp.
#pragma once

namespace kj::api {

struct LifecycleHooks {
    void (*build_include_path)() = nullptr;
    void (*register_library)() = nullptr;
    void (*install_kernels)() = nullptr;
    bool (*create_preprocessor)() = nullptr;
    void (*destroy_preprocessor)() = nullptr;
    void (*free_scratch)() = nullptr;
    void (*clear_include_path)() = nullptr;
    void (*free_compiler_tables)() = nullptr;
    void (*free_library)() = nullptr;
    void (*reset_gauss)() = nullptr;
};

LifecycleHooks& lifecycle_hooks();
bool main_init();
void main_exit();

}  // namespace kj::api
