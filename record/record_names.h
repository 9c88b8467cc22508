// The names of record files: "record_YYYYMMDD_hhmmss.yaml" after the local
// time, with "_1", "_2", ... before ".yaml" when a name is taken, since a
// record file never replaces another. The unfinished recording is named the
// same way after "unfinished_record_".
#pragma once

#include <string>

// What the name of every record file starts with.
inline constexpr char RECORD_NAME_PREFIX[] = "record_";

// "YYYYMMDD_hhmmss" of the local time now.
std::string local_time_stamp();

// How many numbered names are tried for one new file.
constexpr int MAX_NAME_ATTEMPTS = 1000;

// The name of attempt `attempt` at a free name: "BASE.yaml", then "BASE_1.yaml", ...
std::string numbered_name(const std::string& base, int attempt);
