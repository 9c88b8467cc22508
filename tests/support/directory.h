// A temporary directory for the files a test makes, removed with them.
#pragma once

#include <string>
#include <vector>

struct TemporaryDirectory {
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    std::vector<std::string> files() const;  // names, sorted
    std::string read(const std::string& name) const;
    void write(const std::string& name, const std::string& text) const;

    std::string path;
};

// A full disk at `path` (an empty directory): a small tmpfs filled to the
// last byte, mounted in a mount namespace of the test's own, which the
// programs it starts share. `made` is false where the test may not mount
// (not root, no namespaces): skip then.
struct FullDisk {
    explicit FullDisk(const std::string& path);
    ~FullDisk();
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    void make_room() const;  // remove what fills it

    std::string path;
    bool made = false;
};

// The working directory moved to `path` for the life of this object.
struct WorkingDirectory {
    explicit WorkingDirectory(const std::string& path);
    ~WorkingDirectory();
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

    std::string previous;
};

// "YYYYMMDD_hhmmss" of the local time `seconds_from_now` from now.
std::string local_stamp(int seconds_from_now = 0);
