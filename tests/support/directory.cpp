#include "tests/support/directory.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

TemporaryDirectory::TemporaryDirectory() {
    char name[] = "/tmp/vostrel-test-XXXXXX";
    path = mkdtemp(name);
}

TemporaryDirectory::~TemporaryDirectory() {
    for (const std::string& name : files()) unlink((path + "/" + name).c_str());
    rmdir(path.c_str());
}

std::vector<std::string> TemporaryDirectory::files() const {
    std::vector<std::string> names;
    DIR* dir = opendir(path.c_str());
    while (dir) {
        dirent* entry = readdir(dir);
        if (!entry) break;
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    if (dir) closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::string TemporaryDirectory::read(const std::string& name) const {
    std::ifstream in(path + "/" + name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void TemporaryDirectory::write(const std::string& name, const std::string& text) const {
    std::ofstream(path + "/" + name) << text;
}

WorkingDirectory::WorkingDirectory(const std::string& path) {
    char* current = getcwd(nullptr, 0);
    previous = current != nullptr ? current : "/";
    std::free(current);
    if (chdir(path.c_str()) != 0) ADD_FAILURE() << "cannot enter " << path;
}

WorkingDirectory::~WorkingDirectory() {
    if (chdir(previous.c_str()) != 0) ADD_FAILURE() << "cannot go back to " << previous;
}

std::string local_stamp(int seconds_from_now) {
    std::time_t t = std::time(nullptr) + seconds_from_now;
    std::tm local = {};
    localtime_r(&t, &local);
    char stamp[16];
    std::strftime(stamp, sizeof stamp, "%Y%m%d_%H%M%S", &local);
    return stamp;
}
