// Saving that never destroys data: the new contents go to a temporary file in
// the target's folder, which replaces the target only when the whole write
// succeeded. A save that fails half-way leaves the previous file untouched.
// The temporary's name, ".NAME.PID.XXXXXX", tells which process writes it: a
// save that succeeds removes those of the same target left by processes that
// died in the middle of theirs.
#pragma once

#include <cstdio>
#include <string>

namespace kj::data {

class SafeSave {
public:
    // Creates the temporary file; ok() tells whether that worked.
    explicit SafeSave(std::string target);
    // Removes the temporary file unless commit() succeeded.
    ~SafeSave();
    SafeSave(const SafeSave&) = delete;
    SafeSave& operator=(const SafeSave&) = delete;

    bool ok() const { return file_ != nullptr && error_.empty(); }
    std::FILE* file() const { return file_; }

    // Flushes and closes the temporary file and renames it over the
    // target (keeping the target's permission bits when it existed).
    // Returns false, with error() set, when any step failed (including any
    // earlier write error on file()).
    bool commit();

    // What went wrong, in the system's words ("" while all is well).
    const std::string& error() const { return error_; }
    const std::string& target() const { return target_; }

private:
    void fail(const char* what);

    std::string target_;
    std::string temporary_;
    std::FILE* file_ = nullptr;
    std::string error_;
    bool committed_ = false;
};

}  // namespace kj::data
