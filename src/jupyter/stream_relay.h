// What a cell prints, relayed to the notebook while the cell runs: standard
// output is the write end of a pipe that a thread drains, and the library's
// messages join the same ordered queue. The thread publishes what has
// arrived every few hundredths of a second; a message waits a little longer,
// since the lines of an error report that follow it belong with it in the
// cell's error reply rather than on standard error.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kj::jupyter {

class StreamRelay {
public:
    // publish(stream name, text) sends a stream message; called with the
    // relay's lock held, by the thread or by the caller of the calls below.
    using Publisher = std::function<void(const std::string& name, const std::string& text)>;

    StreamRelay() = default;
    ~StreamRelay();
    StreamRelay(const StreamRelay&) = delete;
    StreamRelay& operator=(const StreamRelay&) = delete;

    // Points standard output at the relay's pipe; false when it cannot.
    bool start(Publisher publish);
    // Puts standard output back and ends the thread.
    void stop();

    // Publishing is allowed between these two calls only (the kernel's other
    // messages are sent outside them).
    void begin_cell();
    // A line of a library message, after everything printed before it.
    void message(const std::string& line);
    // Publishes what is queued, then runs publish_more under the lock (for
    // messages that must follow it, such as pictures and results).
    void flush_then(const std::function<void()>& publish_more);
    // Ends the cell: with failed, the messages at the end of the queue (the
    // error report) are returned instead of published; the rest is published.
    std::vector<std::string> end_cell(bool failed);

private:
    enum class Kind { Output, Message };
    struct Chunk {
        Kind kind;
        std::string text;
        std::chrono::steady_clock::time_point at;
    };

    void drain_pipe();                     // lock held
    void publish_ready(bool everything);   // lock held
    void relay_loop();

    std::mutex m_lock;
    std::deque<Chunk> m_queue;
    Publisher m_publish;
    std::thread m_thread;
    int m_read_fd = -1;
    int m_saved_stdout = -1;
    bool m_running = false;  // a cell runs: publishing is allowed
    bool m_stopping = false;
};

// The length of the longest prefix of text that does not end inside a UTF-8
// sequence (what can be sent now; the rest waits for its other bytes).
std::size_t complete_utf8_length(const std::string& text);

}  // namespace kj::jupyter
