#pragma once
// Where the window's endpoint listens, found without asking the window: its socket is the only one of
// this process bound to every interface (the test's own peers bind loopback addresses).
#include <cstdint>

// 0 when no such socket is open.
std::uint16_t ConsolePortOfThisProcess();
