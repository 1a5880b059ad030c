// The .dta reader on arbitrary bytes (through a memory file, since the
// parser reads from a path): variables, values, dates and periods, labels,
// the text-column warning and the sample of consecutive periods.
#include <sys/mman.h>
#include <unistd.h>

#include "data/dta_file.h"
#include "data_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kj::fuzz::quiet_data_messages();
    static const int fd = memfd_create("dta_fuzz", 0);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return 0;
    kj::data::DataSet ds;
    kj::data::read_dta("/proc/self/fd/" + std::to_string(fd), ds);
    return 0;
}
