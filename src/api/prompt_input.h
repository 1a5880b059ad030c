// Reading what the user types at the prompt of the debugger and of the
// interactive mode: whole lines through the host's input channel, commands
// that continue over several lines, definitions, and operating-system
// commands.
#pragma once

#include <functional>
#include <string>

namespace kj::api {

// True when the library reads standard input itself (no input callback of
// the host) and it is not a terminal: a script piped in. The interactive
// mode shows it no prompts.
bool reading_script();

// Prints the prompt (through the program output, flushed; none when it is
// empty or the host gave more than one line at once) and reads one line
// without its line end. False at the end of input.
bool read_prompt_line(const char* prompt, std::string& line);

// Where the lines of commands come from: the prompt, or a text given whole.
using LineSource = std::function<bool(const char* prompt, std::string& line)>;
// What a name means at the prompt: nothing, something defined there (a
// variable, a function, a class), or a built-in function.
enum class NameKind { Unknown, Defined, BuiltIn };
using NameTest = std::function<NameKind(const std::string& name)>;

// Reads commands: a line at the prompt and, while the text is an open
// statement or definition, more lines at "... ". At a prompt an interrupt
// while reading (Ctrl-C) drops what was typed of the command and starts
// again. With a name test, a lone definition head ("sq(x)", its opening brace
// on the next line) waits for its body; when the next line does not begin
// with "{", the head is a command of its own and that line begins the next.
class CommandReader {
public:
    enum class Interrupts { Drop, Ignore };  // Ignore: a text given whole
    explicit CommandReader(LineSource source = read_prompt_line, NameTest known = {},
                           Interrupts interrupts = Interrupts::Drop);
    // False at the end of input.
    bool next(const char* prompt, std::string& text);

private:
    bool read(const char* prompt, std::string& line);

    bool interrupted() const;

    LineSource m_source;
    NameTest m_known;
    Interrupts m_interrupts;
    std::string m_held;  // a line read that begins the next command
    bool m_holding = false;
};

// Splits a text at its line ends, as lines typed one after another.
LineSource lines_of(const std::string& text);

// True when the text is a statement still open: an unclosed bracket, brace
// or parenthesis, an unterminated string or comment, a last character that
// needs an operand after it (an operator but ">", or a comma), or the head of
// a loop, a test or a class without its body.
bool statement_continues(const std::string& text);

// A command of the prompt, which takes one line: #word, ?name, !command.
bool is_prompt_command(const std::string& text);

// A definition, compiled as if it came from an included file: a function
// head followed by its body "name(...) {", "Class::name(...) {", or text
// that begins with class, struct, enum, namespace, extern, inline or static.
bool is_definition(const std::string& text);

// A function head alone, "name(params)", that cannot be a call: the name is
// not a built-in function, and its parameters are plain names that mean
// nothing yet (or have const, decl, defaults or "..."); without parameters,
// the name means nothing yet.
bool is_definition_head(const std::string& text, const NameTest& known);

// A bare expression: text without a final ";" or "}", not starting with a
// keyword of a statement, with no assignment at its outer level.
bool is_bare_expression(const std::string& text);

// What runs for the typed text: a bare expression is printed; a statement
// or a definition may leave out its final ";".
std::string statement_text(const std::string& text);

// "!command": "cd dir" changes the working directory, anything else runs
// through the shell. False when the directory or the command failed.
bool operating_system_command(const std::string& command);

std::string trim(const std::string& s);

}  // namespace kj::api
