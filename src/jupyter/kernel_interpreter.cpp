#include "kernel_interpreter.h"

#include <cstring>
#include <string_view>
#include <vector>

#include <xeus/xhelper.hpp>

#include <kj80x.h>

#include "cell_text.h"

#ifndef KJ_VERSION
#define KJ_VERSION "0"
#endif

namespace kj::jupyter {

namespace {

// The library's callbacks are plain C functions: they reach the one kernel here.
KernelInterpreter* g_kernel = nullptr;

void on_message(const char* text) {
    if (g_kernel && text) g_kernel->library_message(text);
}

int on_draw(const char* command, int area, const double* x1, int n1, const char* label1, const double* x2, int n2,
            const char* label2, const double* x3, int n3, const char* label3, int i1, int i2, const int* iv, int niv,
            const double* dv, int ndv) {
    if (g_kernel) g_kernel->graph_drawn();
    return KjDefaultDraw(command, area, x1, n1, label1, x2, n2, label2, x3, n3, label3, i1, i2, iv, niv, dv, ndv);
}

// A notebook is the graph window: "Show" puts the graph into the cell's output.
int on_draw_window(const char* action, const char* argument) {
    if (g_kernel && action && std::strcmp(action, "Show") == 0) {
        g_kernel->show_graph();
        return 1;
    }
    return KjDefaultDrawWindow(action, argument);
}

std::string base64(const std::string& bytes) {
    static const char k_digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = bytes.size() - i < 3 ? bytes.size() - i : 3;
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (n > 1) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (n > 2) v |= static_cast<unsigned char>(bytes[i + 2]);
        out += k_digits[(v >> 18) & 63];
        out += k_digits[(v >> 12) & 63];
        out += n > 1 ? k_digits[(v >> 6) & 63] : '=';
        out += n > 2 ? k_digits[v & 63] : '=';
    }
    return out;
}

std::string graph_image(const char* format) {
    int size = 0;
    const char* bytes = SKjGraphImage(format, &size);
    return bytes ? std::string(bytes, static_cast<std::size_t>(size)) : std::string();
}

// The error's name and value from its report: "Runtime error: 'x' ..." gives
// ("Runtime error", "'x' ..."); a compile error's first line is its value.
void describe_error(const std::vector<std::string>& report, std::string& name, std::string& value) {
    name = "Error";
    value = report.empty() ? "the cell stopped" : report.front();
    static const char k_runtime[] = "Runtime error";
    for (const std::string& line : report) {
        if (line.rfind(k_runtime, 0) != 0) continue;
        name = k_runtime;
        value = line.substr(sizeof k_runtime - 1);
        if (value.rfind(": ", 0) == 0) value.erase(0, 2);
        return;
    }
}

nl::json error_reply(const std::string& name, const std::string& value, const std::vector<std::string>& report) {
    nl::json reply;
    reply["status"] = "error";
    reply["ename"] = name;
    reply["evalue"] = value;
    reply["traceback"] = report;
    return reply;
}

}  // namespace

std::string inspection_text(const std::string& name) {
    if (name.empty()) return "";
    const char* declaration = SKjDeclaration(name.c_str());
    const std::string_view suffix = "(built-in)";
    // A function of the session shows its own declaration; a built-in (or a
    // name the session does not define) its entry in the reference.
    if (declaration && !std::string_view(declaration).ends_with(suffix)) return declaration;
    if (const char* help = SKjHelp(name.c_str())) return help;
    return declaration ? declaration : "";
}

KernelInterpreter::KernelInterpreter() { g_kernel = this; }

KernelInterpreter::~KernelInterpreter() {
    m_relay.stop();
    if (g_kernel == this) g_kernel = nullptr;
}

void KernelInterpreter::configure_impl() {
    KjMainInit();
    // Set after initialisation, which installs the library's own ones.
    SetKjMessage(on_message);
    SetKjRunMessage(on_message);
    SetKjDraw(on_draw);
    SetKjDrawWindow(on_draw_window);
    m_relay.start([this](const std::string& name, const std::string& text) { publish_stream(name, text); });
    m_started = KjSessionStart() == 1;
}

void KernelInterpreter::interrupt() {
    if (m_cell_running) KjRunAbort();
}

void KernelInterpreter::library_message(const char* text) { m_relay.message(text); }

void KernelInterpreter::show_graph() {
    if (!m_graph_pending) return;
    m_graph_pending = false;
    nl::json data;
    // The svg element alone: a page embeds it, and an XML declaration there
    // is out of place.
    std::string svg = graph_image("svg");
    if (svg.empty()) return;  // closed since it was drawn
    const std::size_t root = svg.find("<svg");
    if (root != std::string::npos) svg.erase(0, root);
    data["image/svg+xml"] = svg;
    data["image/png"] = base64(graph_image("png"));
    // The same picture as an image element: pages that clean the markup of
    // their outputs (nbconvert's HTML drops the elements of an inline SVG)
    // leave an image alone, and front ends prefer it to the others.
    data["text/html"] = "<img alt=\"graph\" src=\"data:image/svg+xml;base64," + base64(svg) + "\"/>";
    data["text/plain"] = "<graph>";
    KjGraphShown();
    m_relay.flush_then([&] { display_data(data, nl::json::object(), nl::json::object()); });
}

nl::json KernelInterpreter::execute_request_impl(int execution_counter, const std::string& code, bool silent, bool,
                                                 nl::json, bool) {
    if (!m_started) {
        const std::vector<std::string> report{"The Kj session could not be started"};
        publish_execution_error("Error", report[0], report);
        return error_reply("Error", report[0], report);
    }
    m_relay.begin_cell();
    const char* value = nullptr;
    m_cell_running = true;
    const int status = KjSessionRun(code.c_str(), silent ? nullptr : &value);
    m_cell_running = false;
    std::string result = value ? value : "";
    // A graph drawn and not yet shown closes the cell's output.
    show_graph();
    const std::vector<std::string> report = m_relay.end_cell(status != 1);
    if (status != 1) {
        std::string name, text;
        describe_error(report, name, text);
        publish_execution_error(name, text, report);
        return error_reply(name, text, report);
    }
    if (!result.empty()) {
        // A matrix prints from a line of its own: the result needs no empty lines.
        while (!result.empty() && result.back() == '\n') result.pop_back();
        while (!result.empty() && result.front() == '\n') result.erase(0, 1);
        nl::json data;
        data["text/plain"] = result;
        publish_execution_result(execution_counter, std::move(data), nl::json::object());
    }
    return xeus::create_successful_reply();
}

nl::json KernelInterpreter::complete_request_impl(const std::string& code, int cursor_pos) {
    const std::size_t end = byte_offset(code, cursor_pos);
    const std::size_t start = name_start(code, end);
    const std::string prefix = code.substr(start, end - start);
    nl::json matches = nl::json::array();
    if (!prefix.empty())
        for (int state = 0; const char* name = SKjCompletionName(prefix.c_str(), state); ++state)
            matches.push_back(name);
    return xeus::create_complete_reply(matches, char_position(code, start), char_position(code, end));
}

nl::json KernelInterpreter::inspect_request_impl(const std::string& code, int cursor_pos, int) {
    const std::size_t at = byte_offset(code, cursor_pos);
    std::string text = inspection_text(name_at(code, at));
    // Elsewhere inside a call's parentheses: the function called.
    const std::size_t open = open_call(code, at);
    if (text.empty() && open != std::string::npos) text = inspection_text(name_at(code, open));
    if (text.empty()) return xeus::create_inspect_reply(false);
    nl::json data;
    data["text/plain"] = text;
    return xeus::create_inspect_reply(true, data);
}

nl::json KernelInterpreter::is_complete_request_impl(const std::string& code) {
    const std::string status = completeness(code);
    return xeus::create_is_complete_reply(status, status == "incomplete" ? "    " : "");
}

nl::json KernelInterpreter::kernel_info_request_impl() {
    return xeus::create_info_reply("5.3", "kj-kernel", KJ_VERSION, "kj", KJ_VERSION, "text/x-kj", ".kj", "c",
                                   "text/x-csrc", "", "Kj " KJ_VERSION " kernel");
}

void KernelInterpreter::shutdown_request_impl() {
    KjSessionEnd();
    m_relay.stop();
    KjMainExit();
    m_started = false;
}

}  // namespace kj::jupyter
