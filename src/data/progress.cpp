#include "data/progress.h"

#include <chrono>
#include <filesystem>

namespace kj::data {

namespace {

constexpr std::uint64_t k_default_threshold = 100u << 20;
constexpr std::int64_t k_interval_ms = 100;

ProgressFunction g_function = nullptr;
std::uint64_t g_threshold = k_default_threshold;
ProgressMeter* g_meter = nullptr;  // the active meter

std::int64_t now_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

ProgressFunction set_progress_function(ProgressFunction fn) {
    const ProgressFunction old = g_function;
    g_function = fn;
    return old;
}

void set_progress_threshold(std::uint64_t bytes) { g_threshold = bytes; }
std::uint64_t progress_threshold() { return g_threshold; }

ProgressMeter::ProgressMeter(const char* action, std::string path, std::uint64_t bytes)
    : action_(action), path_(std::move(path)) {
    if (!g_function || g_meter || bytes < g_threshold) return;
    active_ = true;
    g_meter = this;
    last_ms_ = now_ms();
    g_function(action_, path_.c_str(), 0);
}

ProgressMeter::~ProgressMeter() {
    if (active_) g_meter = nullptr;
}

void ProgressMeter::done() {
    if (!active_ || percent_ == 100) return;
    percent_ = 100;
    if (g_function) g_function(action_, path_.c_str(), 100);
}

void ProgressMeter::at(double fraction) {
    const int percent = static_cast<int>(fraction * 100);
    if (percent <= percent_ || percent >= 100) return;
    const std::int64_t now = now_ms();
    if (now - last_ms_ < k_interval_ms) return;
    percent_ = percent;
    last_ms_ = now;
    if (g_function) g_function(action_, path_.c_str(), percent);
}

void report_progress(double done, double total) {
    if (g_meter && total > 0) g_meter->at(done / total);
}

std::uint64_t file_bytes(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

}  // namespace kj::data
