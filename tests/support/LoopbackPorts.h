#pragma once

namespace sonivo::testing {

// A loopback port nothing listens on: bound once to learn a free number, then closed.
int closed_loopback_port();

}  // namespace sonivo::testing
