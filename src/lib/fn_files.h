// File built-ins: matrix files (loadmat, savemat), files opened by programs
// (fopen ... fwrite), formatted reading (scan, sscan, fscan), directories.
// Declared here so that other families can register aliases of them.
#pragma once

#include "value/value.h"

namespace kj::lib {

void fn_loadmat(value::Value* result, value::Value* args, int count);
void fn_savemat(value::Value* result, value::Value* args, int count);

void fn_fopen(value::Value* result, value::Value* args, int count);
void fn_fclose(value::Value* result, value::Value* args, int count);
void fn_feof(value::Value* result, value::Value* args, int count);
void fn_fflush(value::Value* result, value::Value* args, int count);
void fn_fprint(value::Value* result, value::Value* args, int count);
void fn_fprintln(value::Value* result, value::Value* args, int count);
void fn_fread(value::Value* result, value::Value* args, int count);
void fn_fwrite(value::Value* result, value::Value* args, int count);
void fn_fseek(value::Value* result, value::Value* args, int count);
void fn_fsize(value::Value* result, value::Value* args, int count);
void fn_ftime(value::Value* result, value::Value* args, int count);
void fn_kjprintlevel(value::Value* result, value::Value* args, int count);

// Closes every file a program left open (finishing data-file headers) and the
// log stream: at start-up and at shutdown of the runtime.
void close_open_files();

void fn_scan(value::Value* result, value::Value* args, int count);
void fn_sscan(value::Value* result, value::Value* args, int count);
void fn_fscan(value::Value* result, value::Value* args, int count);

void fn_chdir(value::Value* result, value::Value* args, int count);
void fn_getcwd(value::Value* result, value::Value* args, int count);
void fn_getfiles(value::Value* result, value::Value* args, int count);
void fn_getfolders(value::Value* result, value::Value* args, int count);
void fn_fremove(value::Value* result, value::Value* args, int count);
void fn_frename(value::Value* result, value::Value* args, int count);

}  // namespace kj::lib
