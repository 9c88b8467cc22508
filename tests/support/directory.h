// A temporary directory for the record files a test makes.
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

// "YYYYMMDD_hhmmss" of the local time `seconds_from_now` from now.
std::string local_stamp(int seconds_from_now = 0);
