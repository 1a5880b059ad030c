#include "link/file_code.h"

#include "link/code_image.h"

namespace kj::link {

namespace {
std::vector<std::pair<int, int>> g_from_files;
}  // namespace

void mark_read_from_file(int from, int to) {
    if (from >= to) return;
    ++g_code_generation;
    if (!g_from_files.empty() && g_from_files.back().second == from)
        g_from_files.back().second = to;
    else
        g_from_files.emplace_back(from, to);
}

const std::vector<std::pair<int, int>>& code_read_from_files() { return g_from_files; }

void forget_file_code_from(int size) {
    while (!g_from_files.empty() && g_from_files.back().first >= size) g_from_files.pop_back();
    if (!g_from_files.empty() && g_from_files.back().second > size) g_from_files.back().second = size;
}

}  // namespace kj::link
