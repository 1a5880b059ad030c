#pragma once
// The one door from the matrix-file functions (loadmat, savemat) to the
// data-set layer. loadmat and savemat offer every file to it first; the
// layer answers by extension (.in7, .xlsx, .xlsm, .xls, .csv and the other
// delimited kinds, .dat, .dht, .dta, ...), and whatever it declines is read
// or written as a plain text or .fmt matrix file.
#include <cstddef>
#include <string>
#include <vector>

namespace kj::lib::io {

// Observations x variables, row-major, missing values as NaN.
struct DataSetMatrix {
    std::size_t rows = 0;
    std::size_t cols = 0;
    std::vector<double> values;
    std::vector<std::string> names;  // one per column; may be empty
};

enum class DataSetOffer {
    Declined,  // not a data-set kind: the caller handles it as a matrix file
    Done,      // loaded into / saved from the matrix
    Failed,    // a data-set kind, but it failed; the layer has reported why
};

// flag is loadmat's optional second argument (0 when absent).
DataSetOffer offer_data_set_load(const std::string& path, int flag, DataSetMatrix& out);

// in.names may be empty: the layer then names the columns itself.
DataSetOffer offer_data_set_save(const std::string& path, const DataSetMatrix& in);

// Sends the data-set layer's errors and warnings to the run-time messages,
// and at verbose level 1 and above the progress of loading and saving large
// files, as lines "Progress: Loading name 40%" from 0% to 100% (done once at
// start-up; the environment variable KJ_PROGRESS_BYTES sets the size from
// which progress is reported, 100 MB by default).
constexpr const char* k_progress_caption = "Progress: ";
void install_data_messages();

// The file as given, else along the include path; false when not found.
bool find_data_file(const std::string& name, std::string& path);

}  // namespace kj::lib::io
