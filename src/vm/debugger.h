// The engine's side of the debugger: the stop rules at line markers, the
// breakpoints (kept in the code image as line markers with a complemented
// line), and running the main engine from a stop to the next one.
//
// The dispatch loop calls debug_stop only in debug mode while a session is
// active; it decides at each NUM whether to stop. Outside debug mode nothing
// of this runs.
#pragma once

#include <string>
#include <vector>

#include "vm/engine.h"

namespace kj::vm {

struct DebugState {
    bool active = false;      // a debugging or interactive session runs
    volatile int step = 0;    // stop at the next NUM (also set by an interrupt)
    int over = -1;            // step over: stop when the argument base is at or below it
    int out = -1;             // step out: stop once a return leaves the top at this slot or below
    bool trace = false;       // print the location of every line executed
    int temporary = -1;       // address of a temporary breakpoint (#go line)
    int depth = 0;            // dispatch loops running when the session resumed
    int stop_ip = -1;         // the NUM of the last stop
};
DebugState& debug_state();

// Resets the state for a session and marks it active (or no longer).
void begin_debugging();
void end_debugging();

// Called by the dispatch loop in debug mode while a session is active: at
// NUM, ELF and ELT, and after each RET and RTL (with op RET and ip at the
// caller's CAL), with the engine synchronised; true stops the loop. A stop
// leaves ip past the marker (or the call). May compile code.
bool debug_stop(Engine& e, int32_t op, int32_t operand);

// The stack index of the record that receives the running function's result:
// the callee slot below its arguments, or for a lambda, which runs in the
// frame of the function around it, the lambda's slot below its frame marker.
int result_slot(const Engine& e);

enum class Resume { Stopped, Finished, Failed };
// Runs the main engine from its ip in debug mode until the hook stops it, the
// program ends (EXT) or a run-time error unwinds it. On a stop, ip lies past
// the NUM; on an error, the stack is popped to `base_top`.
Resume resume(Engine& e, Value* base_top);

// Sets (or clears) the breakpoint at the first line marker at or after `line`
// in the functions of `file` (compared without case up to the first '.').
// Returns the line used, -1 when no marker qualifies.
int set_breakpoint(const std::string& file, int line, bool set);
void clear_all_breakpoints();
struct Breakpoint {
    std::string file;
    int line;
    int at;
};
std::vector<Breakpoint> breakpoints();

// Source file of the function whose code holds ip ("" when unknown).
std::string file_at(int ip);
// Line of the NUM at ip (its complement when a breakpoint).
int line_at(int ip);

}  // namespace kj::vm
