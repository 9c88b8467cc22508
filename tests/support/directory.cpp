#include "tests/support/directory.h"

#include <dirent.h>
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

std::string local_stamp(int seconds_from_now) {
    std::time_t t = std::time(nullptr) + seconds_from_now;
    std::tm local = {};
    localtime_r(&t, &local);
    char stamp[16];
    std::strftime(stamp, sizeof stamp, "%Y%m%d_%H%M%S", &local);
    return stamp;
}
