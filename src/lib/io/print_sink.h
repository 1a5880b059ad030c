// Output contexts of the printing functions. One printer writes into an
// OutputSink; the sink decides where the text goes: standard output (or the
// host's output pipe), standard error, a file, or the sprint string buffer.
// Every sink except the string buffer also copies its text into the log
// stream while one is open.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string_view>

namespace kj::lib::io {

class OutputSink {
public:
    virtual ~OutputSink() = default;
    OutputSink(const OutputSink&) = delete;
    OutputSink& operator=(const OutputSink&) = delete;

    void write(std::string_view text);
    // The last byte written through this sink, 0 before any.
    char last() const { return m_last; }
    bool ended_line() const { return m_last == '\n'; }

protected:
    explicit OutputSink(bool log_copy) : m_log_copy(log_copy) {}
    virtual void emit(const char* text, std::size_t len) = 0;

private:
    bool m_log_copy;
    char m_last = 0;
};

// Program output: the output pipe or standard output. Created at print level
// 0 or below it writes only the log copy.
class StdoutSink final : public OutputSink {
public:
    StdoutSink();

private:
    void emit(const char* text, std::size_t len) override;
    bool m_silent;
};

// Standard error, never through the pipe; silent only below print level 0.
class StderrSink final : public OutputSink {
public:
    StderrSink();

private:
    void emit(const char* text, std::size_t len) override;
    bool m_silent;
};

// An open stream, written whatever the print level. The stream stays the caller's.
class FileSink final : public OutputSink {
public:
    explicit FileSink(std::FILE* stream) : OutputSink(true), m_stream(stream) {}

private:
    void emit(const char* text, std::size_t len) override;
    std::FILE* m_stream;
};

// The process-wide sprint buffer: text beyond its size is dropped. The
// constructor empties the buffer; the buffer must exist (sprint_buffer_ready).
class StringSink final : public OutputSink {
public:
    StringSink();
    std::string_view text() const;
    // The text reached the buffer size: the result is incomplete.
    bool full() const;

private:
    void emit(const char* text, std::size_t len) override;
};

// The sprint buffer holds at least k_sprint_buffer_min characters, allocated
// with 256 spare bytes.
constexpr int k_sprint_buffer_min = 16384;
// Allocates the buffer on first use; false when it cannot be allocated.
bool sprint_buffer_ready();
// Reallocates and empties the buffer with max(n, the minimum) characters;
// returns the size in effect (the old one when allocation fails).
int set_sprint_buffer_size(int n);
int sprint_buffer_size();
void free_sprint_buffer();

// The log stream that receives a copy of all printed output; null: none.
// The stream belongs to whoever opened it (the file functions).
void set_log_stream(std::FILE* stream);
std::FILE* log_stream();

}  // namespace kj::lib::io
