// Writing files that survive a crash or a power loss: every byte written,
// synced to the disk, and the name made durable in its directory.
#pragma once

#include <sys/types.h>

#include <string>

// Write all of `text` to `fd`, continuing partial writes. False on failure
// (errno set); `written` then says how much of it went out.
bool write_all(int fd, const std::string& text, size_t& written);
bool write_all(int fd, const std::string& text);

// The permissions of a new file that others may read: 0666 less the umask
// (0644 under the usual 022), what open() gives and mkstemp() does not.
mode_t shared_file_mode();

// Sync the working directory, so that a name just made or moved there survives.
void sync_working_directory();

// "YYYYMMDD_hhmmss" of the local time now, the stamp in record file names.
std::string local_time_stamp();

// The name of attempt `attempt` at a free name: "BASE.yaml", then "BASE_1.yaml", ...
std::string numbered_name(const std::string& base, int attempt);
