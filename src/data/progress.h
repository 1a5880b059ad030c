// Progress of loading and saving large files. Whoever loads or saves a file
// makes a ProgressMeter for its size in bytes (for a save, the size expected);
// the readers and writers below it say how far they are with
// report_progress. When the size reaches the threshold (100 MB unless set
// otherwise) the installed progress function hears of it: 0 percent at the
// start, whole percents as they pass (no more often than ten times a second)
// and 100 when the meter is done. A failed load or save ends without the 100.
// Meters do not nest: while one is in use, further ones stay silent.
#pragma once

#include <cstdint>
#include <string>

namespace kj::data {

// action: "Loading" or "Saving".
using ProgressFunction = void (*)(const char* action, const char* path, int percent);

// Installs fn (null: none); returns the function installed before.
ProgressFunction set_progress_function(ProgressFunction fn);
void set_progress_threshold(std::uint64_t bytes);
std::uint64_t progress_threshold();

class ProgressMeter {
public:
    ProgressMeter(const char* action, std::string path, std::uint64_t bytes);
    ~ProgressMeter();
    ProgressMeter(const ProgressMeter&) = delete;
    ProgressMeter& operator=(const ProgressMeter&) = delete;

    // Reports 100 percent (once).
    void done();

private:
    friend void report_progress(double, double);
    void at(double fraction);

    const char* action_;
    std::string path_;
    bool active_ = false;
    int percent_ = 0;
    std::int64_t last_ms_ = 0;
};

// done of total on the meter in use; nothing without one.
void report_progress(double done, double total);

// The size of a file for its meter (0 when it cannot be had).
std::uint64_t file_bytes(const std::string& path);

}  // namespace kj::data
