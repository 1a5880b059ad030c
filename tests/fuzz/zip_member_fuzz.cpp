// The zip member reader on arbitrary bytes (through a memory file, since the
// archive is opened by path): every member listed is read, under a small size
// limit, and the archive is then read as a workbook (its parts, shared
// strings, styles and first worksheet). Seeds: data_seeds/zip_member_fuzz/.
#include <sys/mman.h>
#include <unistd.h>

#include "data/xlsx_file.h"
#include "data/zip_archive.h"
#include "data_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kj::fuzz::quiet_data_messages();
    static const int fd = memfd_create("zip_member_fuzz", 0);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return 0;
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    {
        kj::data::ZipArchive zip(path);
        std::string bytes;
        for (const std::string& member : zip.members()) zip.read(member, bytes, 1 << 20);
        zip.read("missing", bytes);
    }
    kj::data::Sheet sheet;
    std::vector<std::string> names;
    kj::data::read_xlsx(path, 0, "", sheet, names);
    return 0;
}
