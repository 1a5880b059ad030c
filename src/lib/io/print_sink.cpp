#include "lib/io/print_sink.h"

#include <cstring>

#include "runtime/host.h"
#include "runtime/alloc.h"

namespace kj::lib::io {

namespace {
std::FILE* g_log = nullptr;

struct SprintBuffer {
    char* data = nullptr;
    int size = 0;    // characters accepted
    int length = 0;  // characters held
};
SprintBuffer g_sprint;

bool allocate_sprint(int size) {
    auto* data = static_cast<char*>(runtime::raw_alloc(static_cast<std::size_t>(size) + 256));
    if (!data) return false;
    runtime::raw_free(g_sprint.data);
    g_sprint.data = data;
    g_sprint.data[0] = '\0';
    g_sprint.size = size;
    g_sprint.length = 0;
    return true;
}
}  // namespace

void OutputSink::write(std::string_view text) {
    if (text.empty()) return;
    emit(text.data(), text.size());
    if (m_log_copy && g_log) std::fwrite(text.data(), 1, text.size(), g_log);
    m_last = text.back();
}

StdoutSink::StdoutSink() : OutputSink(true), m_silent(runtime::state().print_level <= 0) {}

void StdoutSink::emit(const char* text, std::size_t len) {
    if (!m_silent) runtime::output(text, len);
}

StderrSink::StderrSink() : OutputSink(true), m_silent(runtime::state().print_level < 0) {}

void StderrSink::emit(const char* text, std::size_t len) {
    if (!m_silent) std::fwrite(text, 1, len, stderr);
}

void FileSink::emit(const char* text, std::size_t len) {
    if (m_stream) std::fwrite(text, 1, len, m_stream);
}

StringSink::StringSink() : OutputSink(false) {
    g_sprint.length = 0;
    if (g_sprint.data) g_sprint.data[0] = '\0';
}

std::string_view StringSink::text() const {
    return g_sprint.data ? std::string_view(g_sprint.data, static_cast<std::size_t>(g_sprint.length))
                         : std::string_view();
}

bool StringSink::full() const { return g_sprint.length >= g_sprint.size; }

void StringSink::emit(const char* text, std::size_t len) {
    if (!g_sprint.data) return;
    const std::size_t room = static_cast<std::size_t>(g_sprint.size - g_sprint.length);
    const std::size_t n = len < room ? len : room;
    std::memcpy(g_sprint.data + g_sprint.length, text, n);
    g_sprint.length += static_cast<int>(n);
    g_sprint.data[g_sprint.length] = '\0';
}

bool sprint_buffer_ready() { return g_sprint.data || allocate_sprint(k_sprint_buffer_min); }

int set_sprint_buffer_size(int n) {
    allocate_sprint(n < k_sprint_buffer_min ? k_sprint_buffer_min : n);
    return g_sprint.size;
}

int sprint_buffer_size() { return g_sprint.data ? g_sprint.size : k_sprint_buffer_min; }

void free_sprint_buffer() {
    runtime::raw_free(g_sprint.data);
    g_sprint = SprintBuffer{};
}

void set_log_stream(std::FILE* stream) { g_log = stream; }
std::FILE* log_stream() { return g_log; }

}  // namespace kj::lib::io
