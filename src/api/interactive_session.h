// Interactive mode: commands typed one at a time run in one lasting frame on
// the main engine, so that the variables they create stay from one command
// to the next and survive a run-time error in a later one. Definitions typed
// there (functions, classes) are compiled and linked as an included file
// would be, and may define again what was defined before. The command loop
// and the session of a host that hands over text are declared in
// debug_session.h.
#pragma once

#include <string>
#include <vector>

#include "api/prompt_input.h"
#include "api/symbol_dump.h"
#include "compiler/compiler.h"

namespace kj::api {

class InteractiveSession {
public:
    enum class Outcome { Done, Failed, Quit };

    // Sets up the prompt's frame on the main engine, which must be
    // initialised with the linked program (or the empty main of interactive
    // mode; IKjRunInit) and not be running.
    InteractiveSession();
    // Empties the main engine's stack.
    ~InteractiveSession();
    InteractiveSession(const InteractiveSession&) = delete;
    InteractiveSession& operator=(const InteractiveSession&) = delete;

    // One command as the prompt reads it: a # command, ?, ??, ?name,
    // !command, a definition, or statements. Failed after a compile, link or
    // run-time error (reported) and after a command that could not be done.
    Outcome command(const std::string& text);
    // The commands of a whole text, grouped from its lines as the prompt
    // groups typed lines (a notebook cell); the first that fails ends the
    // text (false), as does #quit. With result_call (the name of a function
    // of one argument), a bare expression that ends the text is handed to it
    // instead of printed.
    bool run_text(const std::string& text, const char* result_call = nullptr);
    // Reads and runs commands at "(kj)" until #quit or the end of input.
    // False when any failed.
    bool run_prompt();
    // A variable of the prompt's frame; null when there is none.
    const value::Value* variable(const std::string& name) const;

private:
    void make_frame();
    FrameSlots frame() const;
    NameKind name_kind(const std::string& name) const;
    Outcome hash_command(const std::string& word, const std::string& argument);
    bool statements(const std::string& text);
    bool definition(const std::string& text);
    bool compile_and_link(bool (*compile)(const std::string&), const std::string& argument);
    bool link_file(const std::string& file);
    bool start_afresh();
    void publish_names() const;

    std::vector<compiler::FrameName> m_names;
    int m_next_slot = 0;
};

}  // namespace kj::api
