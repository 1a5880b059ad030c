// Feeds arbitrary text to the restriction and test compilers, and runs every
// set that compiles through the mappings and Jacobians. The first byte
// chooses the number of parameters (its low six bits, so 0 is tried too)
// and whether the text holds restrictions or tests (the top bit).
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "data/message_function.h"
#include "data/restriction_evaluator.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kj::data;
    if (size == 0) return 0;
    set_message_function([](const char*, const char*) {});
    const int n = data[0] & 0x3F;
    const std::u16string text =
        utf16_from_utf8(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
    CompileMessages messages;
    if (data[0] & 0x80) {
        TestRestrictions set;
        const int m = compile_test_restrictions(text, n, set, messages);
        if (m <= 0) return 0;
        std::vector<double> theta(static_cast<std::size_t>(n), 0.5), values(static_cast<std::size_t>(m)),
            jacobian(static_cast<std::size_t>(m * n));
        test_values(set, theta.data(), values.data());
        test_jacobian(set, theta.data(), jacobian.data());
        return 0;
    }
    ParameterRestrictions set;
    const int free_count = compile_parameter_restrictions(text, n, set, messages);
    if (free_count < 0) return 0;
    const auto un = static_cast<std::size_t>(n), uf = static_cast<std::size_t>(free_count);
    std::vector<double> phi(uf, -1.5), theta(un), back(uf), jacobian(uf * un);
    map_to_unconstrained(set, phi.data(), theta.data());
    map_to_constrained(set, theta.data(), back.data());
    restriction_jacobian(set, phi.data(), jacobian.data());
    return 0;
}
