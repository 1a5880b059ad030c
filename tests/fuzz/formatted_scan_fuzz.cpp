// The formatted-reading engine of scan, sscan and fscan: the input is a
// format, a zero byte and the text it is applied to. The first byte chooses
// whether two int arguments (for "%#m") come before the references. Bad
// arguments raise run-time errors, which unwind as they do in a run.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "lib/io/formatted_scan.h"
#include "runtime/host.h"
#include "runtime/run_error.h"
#include "value/value.h"

namespace {

void discard(const char*) {}
void no_exit(int) {}

kj::value::Value reference(kj::value::Value* target) {
    kj::value::Value v{};
    v.type = kj::value::T_Array | kj::value::k_address;
    v.u.arr.n = 1;
    v.u.arr.v = target;
    return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace kv = kj::value;
    if (size < 2) return 0;
    auto& h = kj::runtime::state();
    h.run_message_fn = discard;
    h.message_fn = discard;
    h.exit_fn = no_exit;
    kj::runtime::error_reporter().unwind = [](int code) { throw kj::runtime::RunError{code}; };

    const bool shape_first = data[0] & 1;
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t zero = rest.find('\0');
    const std::string_view format = rest.substr(0, zero);
    const std::string_view text = zero == std::string_view::npos ? std::string_view() : rest.substr(zero + 1);

    constexpr int k_targets = 6;
    kv::Value targets[k_targets];
    for (kv::Value& t : targets) t = kv::make_int(0);
    kv::Value args[2 + 2 + k_targets];
    int n = 0;
    args[n] = kv::make_int(0);
    kv::set_string(args[n++], std::string(format));
    if (shape_first) {
        args[n++] = kv::make_int(data[0] >> 4);
        args[n++] = kv::make_int((data[0] >> 1) & 7);
    }
    for (kv::Value& t : targets) args[n++] = reference(&t);

    kj::lib::io::StringInput in(text);
    try {
        kj::lib::io::scan_formats(in, args, n, 1);
    } catch (const kj::runtime::RunError&) {
    }
    kv::release(args[0]);
    for (kv::Value& t : targets) kv::release(t);
    return 0;
}
