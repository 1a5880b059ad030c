#include "api/kernel_library.h"

#include <kj80x.h>

#include <string>

#include "link/dll_loader.h"
#include "link/link_errors.h"
#include "num/linalg_kernels.h"
#include "platform/dynamic_library.h"
#include "runtime/messages.h"

namespace kj::api {

void load_kernel_library(const char* name, bool verbose) {
    const std::string library = std::string("kjkernel") + (name ? name : "") + "_64";
    void* info = nullptr;
    void* handle = nullptr;
    // Along the include/link path too, where an installed Kj keeps its
    // package and kernel libraries.
    const int status = link::find_dll(library, "KjKnlInfo", &info, &handle);
    if (status == link::L_CannotLoadDll || status == link::L_NoDynamicLinking) {
        if (verbose) link::report_link_error(status, library.c_str());
        return;
    }
    if (status == 0) reinterpret_cast<KjKnlInfoFn>(info)(0, verbose ? 2 : 1);
    for (int slot = 0; slot < num::k_kernel_count; ++slot) {
        const char* symbol = num::kernel_name(slot);
        void* fn = platform::library_symbol(handle, symbol);
        if (!fn) continue;
        num::set_kernel(symbol, fn);
        if (verbose)
            runtime::message(("Kj kernel replacement from library " + library + ": " + symbol + "\n").c_str());
    }
}

}  // namespace kj::api
