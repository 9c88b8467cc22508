#include "tests/support/directory.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
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

FullDisk::FullDisk(const std::string& path_) : path(path_) {
    if (unshare(CLONE_NEWNS) != 0 ||
        mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("vostrel-full", path.c_str(), "tmpfs", 0, "size=16k,mode=0777") != 0) {
        return;
    }
    int fd = open((path + "/filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    char block[512] = {};
    for (int i = 0; fd >= 0 && i < 64; ++i) {
        if (write(fd, block, sizeof block) <= 0) break;
    }
    if (fd >= 0) close(fd);
    made = fd >= 0;
}

FullDisk::~FullDisk() {
    umount2(path.c_str(), MNT_DETACH);
}

void FullDisk::make_room() const {
    unlink((path + "/filler").c_str());
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
