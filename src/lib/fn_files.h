// File built-ins: matrix files (loadmat, savemat), files opened by programs
// (fopen ... fwrite), formatted reading (scan, sscan, fscan), directories.
// Declared here so that other families can register aliases of them.
#pragma once

#include <kj80x.h>

namespace kj::lib {

void fn_loadmat(KjValue* result, KjValue* args, int count);
void fn_savemat(KjValue* result, KjValue* args, int count);

void fn_fopen(KjValue* result, KjValue* args, int count);
void fn_fclose(KjValue* result, KjValue* args, int count);
void fn_feof(KjValue* result, KjValue* args, int count);
void fn_fflush(KjValue* result, KjValue* args, int count);
void fn_fprint(KjValue* result, KjValue* args, int count);
void fn_fprintln(KjValue* result, KjValue* args, int count);
void fn_fread(KjValue* result, KjValue* args, int count);
void fn_fwrite(KjValue* result, KjValue* args, int count);
void fn_fseek(KjValue* result, KjValue* args, int count);
void fn_fsize(KjValue* result, KjValue* args, int count);
void fn_ftime(KjValue* result, KjValue* args, int count);
void fn_kjprintlevel(KjValue* result, KjValue* args, int count);

// Closes every file a program left open (finishing data-file headers) and the
// log stream: at start-up and at shutdown of the runtime.
void close_open_files();

void fn_scan(KjValue* result, KjValue* args, int count);
void fn_sscan(KjValue* result, KjValue* args, int count);
void fn_fscan(KjValue* result, KjValue* args, int count);

void fn_chdir(KjValue* result, KjValue* args, int count);
void fn_getcwd(KjValue* result, KjValue* args, int count);
void fn_getfiles(KjValue* result, KjValue* args, int count);
void fn_getfolders(KjValue* result, KjValue* args, int count);
void fn_fremove(KjValue* result, KjValue* args, int count);
void fn_frename(KjValue* result, KjValue* args, int count);

}  // namespace kj::lib
