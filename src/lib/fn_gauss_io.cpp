// GAUSS input/output helpers that need no file values: the current
// directory (cdir) and the message of the last system error.
#include <cerrno>
#include <cstring>
#include <string>

#include <unistd.h>

#include "lib/args.h"
#include "lib/library_groups.h"

namespace kj::lib {

namespace {

using value::Value;

// cdir(drive): the current directory as a full path, without a trailing
// slash except at the root. There are no drive letters here: every drive
// argument ("" or 0, "C", "C:") gives the current directory.
void fn_gauss_cdir(Value* r, Value* a, int) {
    if (!is_string(a[0]) && !is_scalar(a[0])) arg_type_error(0, value::T_String, &a[0]);
    std::string dir;
    char buf[4096];
    if (::getcwd(buf, sizeof buf)) dir = buf;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    value::set_string(*r, dir);
}

void fn_gauss_strerror(Value* r, Value*, int) { value::set_string(*r, std::string(std::strerror(errno))); }

const DescriptorRow k_gauss_io[] = {
    {"c$gauss::cdir", fn_gauss_cdir},
    {"$gauss::__strerror__", fn_gauss_strerror},
};

const GroupRegistrar g_gauss_io(Group::GaussIo, k_gauss_io);

}  // namespace

}  // namespace kj::lib
