// How long the link waits: a reply must arrive whole, and a write go out,
// within this many seconds (the sockets' SO_RCVTIMEO and SO_SNDTIMEO too).
#pragma once

constexpr int LINK_TIMEOUT_SECONDS = 15;
