// The kernel's side of the notebook protocol: cells run in one interactive
// session of the library, reached through its C interface only.
#pragma once

#include <atomic>
#include <string>

#include <xeus/xinterpreter.hpp>

#include "stream_relay.h"

namespace kj::jupyter {

class KernelInterpreter final : public xeus::xinterpreter {
public:
    KernelInterpreter();
    ~KernelInterpreter() override;

    // Stops the running cell, if any (from the thread that receives SIGINT).
    void interrupt();

    // Called by the library's callbacks while a cell runs.
    void library_message(const char* text);
    void graph_drawn() { m_graph_pending = true; }
    void show_graph();

private:
    void configure_impl() override;
    nl::json execute_request_impl(int execution_counter, const std::string& code, bool silent,
                                  bool store_history, nl::json user_expressions, bool allow_stdin) override;
    nl::json complete_request_impl(const std::string& code, int cursor_pos) override;
    nl::json inspect_request_impl(const std::string& code, int cursor_pos, int detail_level) override;
    nl::json is_complete_request_impl(const std::string& code) override;
    nl::json kernel_info_request_impl() override;
    void shutdown_request_impl() override;

    StreamRelay m_relay;
    std::atomic<bool> m_cell_running{false};
    bool m_graph_pending = false;  // drawn since the graph was last shown
    bool m_started = false;
};

// The text the inspector shows for a name: its declaration (the one place
// to change when the library offers help entries).
std::string inspection_text(const std::string& name);

}  // namespace kj::jupyter
