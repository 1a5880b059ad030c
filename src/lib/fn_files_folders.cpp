// Folders and file names: chdir, getcwd, getfiles, getfolders, fremove, frename.
#include <string>

#include "lib/args.h"
#include "lib/fn_files.h"
#include "platform/directories.h"

namespace kj::lib {

using value::Value;

namespace {
void set_names(Value& result, const std::vector<std::string>& names) {
    Value out = value::make_int(0);
    value::set_array(out, static_cast<int64_t>(names.size()));
    for (std::size_t k = 0; k < names.size(); ++k) value::set_string(out.u.arr.v[k], names[k]);
    value::release(result);
    result = out;
}
}  // namespace

void fn_chdir(Value* result, Value* args, int) {
    value::set_int(*result, platform::change_directory(string_arg(args, 0)) ? 1 : 0);
}

void fn_getcwd(Value* result, Value*, int) { value::set_string(*result, platform::current_directory()); }

void fn_getfiles(Value* result, Value* args, int) {
    set_names(*result, platform::list_entries(string_arg(args, 0), platform::EntryKind::Files));
}

void fn_getfolders(Value* result, Value* args, int) {
    set_names(*result, platform::list_entries(string_arg(args, 0), platform::EntryKind::Folders));
}

void fn_fremove(Value* result, Value* args, int) {
    value::set_int(*result, platform::remove_file(string_arg(args, 0)) ? 1 : 0);
}

void fn_frename(Value* result, Value* args, int) {
    const std::string from = string_arg(args, 0), to = string_arg(args, 1);
    value::set_int(*result, platform::rename_file(from, to) ? 1 : 0);
}

}  // namespace kj::lib
