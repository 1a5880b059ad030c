// Text on its way to a sink: printers append to the buffer and hand it on in
// pieces of a few kilobytes, so a sink sees few large writes.
#pragma once

#include <string>
#include <string_view>

#include "lib/io/print_sink.h"

namespace kj::lib::io {

class PrintBuffer {
public:
    explicit PrintBuffer(OutputSink& sink) : m_sink(sink) {}
    ~PrintBuffer() { flush(); }
    PrintBuffer(const PrintBuffer&) = delete;
    PrintBuffer& operator=(const PrintBuffer&) = delete;

    std::string& text() { return m_text; }
    void put(std::string_view s) { m_text += s; }
    void put(char c) { m_text += c; }
    // Hands the text on when a chunk has gathered.
    void step() {
        if (m_text.size() >= k_chunk) flush();
    }
    void flush() {
        m_sink.write(m_text);
        m_text.clear();
    }
    OutputSink& sink() { return m_sink; }
    bool ended_line() const { return m_text.empty() ? m_sink.ended_line() : m_text.back() == '\n'; }

private:
    static constexpr std::size_t k_chunk = 16384;
    OutputSink& m_sink;
    std::string m_text;
};

}  // namespace kj::lib::io
