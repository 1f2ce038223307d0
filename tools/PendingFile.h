#pragma once

#include <string>

// An output file that appears only when complete: it is written under a temporary name in the
// same directory and renamed over the final path by commit(). Until then the final path is not
// touched (an existing file there stays as it was), and a PendingFile destroyed without commit
// removes its temporary file, so a failed or interrupted run leaves nothing half-written.
class PendingFile {
public:
    // Reserves the temporary file; throws ToolError when the directory is not writable.
    explicit PendingFile(const std::string& finalPath);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    const std::string& temporaryPath() const { return temporary; }
    const std::string& finalPath() const { return destination; }
    // Moves the finished file into place; throws ToolError when the rename fails.
    void commit();

private:
    std::string destination;
    std::string temporary;
    bool committed = false;
};
