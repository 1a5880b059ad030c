#include "stream_relay.h"

#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace kj::jupyter {

namespace {
using Clock = std::chrono::steady_clock;
// How often the thread looks for output, and how long a message waits for
// the rest of a report it may open.
constexpr int k_poll_ms = 40;
constexpr auto k_message_hold = std::chrono::milliseconds(250);
}  // namespace

std::size_t complete_utf8_length(const std::string& text) {
    const std::size_t n = text.size();
    // Look back over at most three continuation bytes for a lead byte.
    for (std::size_t back = 1; back <= 4 && back <= n; ++back) {
        const unsigned char c = static_cast<unsigned char>(text[n - back]);
        if ((c & 0xC0) == 0x80) continue;  // continuation byte
        const std::size_t need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return need > back ? n - back : n;
    }
    return n;
}

StreamRelay::~StreamRelay() { stop(); }

bool StreamRelay::start(Publisher publish) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    std::fflush(stdout);
    m_saved_stdout = dup(STDOUT_FILENO);
    // Without close-on-exec: commands the program runs print into the pipe too.
    if (m_saved_stdout < 0 || dup2(fds[1], STDOUT_FILENO) < 0) {
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    close(fds[1]);
    fcntl(fds[0], F_SETFL, fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    m_read_fd = fds[0];
    m_publish = std::move(publish);
    m_stopping = false;
    m_thread = std::thread([this] { relay_loop(); });
    return true;
}

void StreamRelay::stop() {
    if (m_read_fd < 0) return;
    std::fflush(stdout);
    {
        std::lock_guard<std::mutex> g(m_lock);
        m_stopping = true;
        m_running = false;
    }
    // The pipe's last write end goes: the thread reads to its end and leaves.
    dup2(m_saved_stdout, STDOUT_FILENO);
    close(m_saved_stdout);
    m_saved_stdout = -1;
    if (m_thread.joinable()) m_thread.join();
    close(m_read_fd);
    m_read_fd = -1;
}

void StreamRelay::drain_pipe() {
    char buf[65536];
    for (;;) {
        const ssize_t n = read(m_read_fd, buf, sizeof buf);
        if (n <= 0) return;
        if (m_queue.empty() || m_queue.back().kind != Kind::Output)
            m_queue.push_back({Kind::Output, std::string(), Clock::now()});
        m_queue.back().text.append(buf, static_cast<std::size_t>(n));
    }
}

void StreamRelay::publish_ready(bool everything) {
    const auto now = Clock::now();
    while (!m_queue.empty()) {
        Chunk& c = m_queue.front();
        if (c.kind == Kind::Output) {
            // The last output may still be missing the end of a character.
            const std::size_t n = everything || m_queue.size() > 1 ? c.text.size() : complete_utf8_length(c.text);
            if (n > 0) m_publish("stdout", c.text.substr(0, n));
            if (n < c.text.size()) {
                c.text.erase(0, n);
                return;
            }
            m_queue.pop_front();
            continue;
        }
        if (!everything && now - c.at < k_message_hold) return;
        std::string text;
        while (!m_queue.empty() && m_queue.front().kind == Kind::Message &&
               (everything || now - m_queue.front().at >= k_message_hold)) {
            text += m_queue.front().text;
            m_queue.pop_front();
        }
        m_publish("stderr", text);
    }
}

void StreamRelay::relay_loop() {
    for (;;) {
        pollfd p{m_read_fd, POLLIN, 0};
        const int ready = poll(&p, 1, k_poll_ms);
        std::lock_guard<std::mutex> g(m_lock);
        drain_pipe();
        if (m_running) publish_ready(false);
        // After stop() the pipe has no writer left: its end shows as a hang-up.
        if (m_stopping && ready > 0 && (p.revents & POLLHUP)) return;
        if (m_stopping && ready == 0) return;
    }
}

void StreamRelay::begin_cell() {
    std::lock_guard<std::mutex> g(m_lock);
    m_running = true;
}

void StreamRelay::message(const std::string& line) {
    std::fflush(stdout);
    std::lock_guard<std::mutex> g(m_lock);
    drain_pipe();
    m_queue.push_back({Kind::Message, line + "\n", Clock::now()});
}

void StreamRelay::flush_then(const std::function<void()>& publish_more) {
    std::fflush(stdout);
    std::lock_guard<std::mutex> g(m_lock);
    drain_pipe();
    publish_ready(true);
    publish_more();
}

std::vector<std::string> StreamRelay::end_cell(bool failed) {
    std::fflush(stdout);
    std::lock_guard<std::mutex> g(m_lock);
    drain_pipe();
    std::vector<std::string> report;
    if (failed) {
        std::size_t first = m_queue.size();
        while (first > 0 && m_queue[first - 1].kind == Kind::Message) --first;
        for (std::size_t i = first; i < m_queue.size(); ++i) {
            std::string& t = m_queue[i].text;
            for (std::size_t a = 0; a < t.size();) {
                std::size_t b = t.find('\n', a);
                if (b == std::string::npos) b = t.size();
                report.push_back(t.substr(a, b - a));
                a = b + 1;
            }
        }
        m_queue.erase(m_queue.begin() + static_cast<std::ptrdiff_t>(first), m_queue.end());
    }
    publish_ready(true);
    m_running = false;
    return report;
}

}  // namespace kj::jupyter
