// Main-arm state reports as the tests send them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "arm.pb.h"
#include "tests/support/fake_peer.h"

// A state report frame filled by `fill`, with `error` as its error text.
std::string report_frame(const std::function<void(MainArmStateMsg&)>& fill, const char* error = "");

// A stream of reports with awkward values: signed zero, the smallest and
// largest doubles, NaN and the infinities, texts with quotes, a line break,
// terminal controls and bytes that are not UTF-8, a report that does not
// decode; then the link closes.
std::vector<PeerStep> awkward_reports();
