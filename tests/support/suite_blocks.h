#pragma once
// Which loopback addresses each test suite owns: the one table of them. A suite owns `count` /24 blocks
// from 127.<checkout>.<first>.0, where <checkout> is the second octet this build's tests use (see
// suite_addresses.h), so no two suites, and no two checkouts running their suites at once, share a
// device. CMake reads this table too, for the addresses it hands to programs and scripts: keep one entry
// to a line, as below. A suite whose addresses are the subject of its test (the parsers of addresses and
// ranges, 127.0.0.1 itself) spells them out instead.
#include <string_view>

namespace korva::testing {

struct SuiteBlock {
    std::string_view suite;
    int first;  // the third octet of the suite's first block
    int count;  // how many /24 blocks follow it
};

// clang-format off
inline constexpr SuiteBlock kSuiteBlocks[] = {
    // tests/support
    {"loopback_peer", 2, 1},
    {"loopback_sources", 3, 1},
    // tests/transport
    {"udp_endpoint", 8, 1},
    // tests/console and tests/console/win32
    {"korvacfg01_window", 13, 1},
    {"korvacfg01_requests", 14, 1},
    {"korvacfg01_commissioning", 16, 1},
    {"fault_address", 17, 1},
    {"fault_datagram", 18, 1},
    {"fault_flood", 19, 1},
    {"fault_settings", 20, 1},
    {"fault_spoofing", 21, 1},
    {"screen_reader_en", 22, 1},
    {"screen_reader_pt", 23, 1},
    {"korvacfg_win32", 24, 1},
    {"korvacfg_win32_commissioning", 26, 1},
    {"windows_installer", 29, 1},
    // tests/app and tests/package
    {"close_on_signal", 31, 1},
    {"korvacfg_program", 32, 1},
    {"package", 33, 1},
    {"reference_current", 34, 1},
    // tests/tools/korvactl
    {"apply_command", 40, 1},
    {"apply_faults", 41, 1},
    {"bad_inputs_and_outputs", 42, 1},
    {"command_line", 43, 1},
    {"exporter_parts", 44, 1},
    {"exporter_program", 45, 1},
    {"exporter_scale", 48, 13},
    {"exporter_scrapes", 61, 1},
    {"faulty_devices", 63, 1},
    {"fleet_engineer", 64, 2},
    {"fleet", 66, 5},
    {"flooded_watch", 71, 1},
    {"interrupted_question", 72, 1},
    {"language_program", 73, 1},
    {"new_parameters_check", 75, 1},
    {"prometheus", 76, 1},
    {"reset_command", 78, 1},
    {"scan_command", 80, 4},
    {"set_command", 84, 1},
    {"sim_forms", 85, 1},
    {"spreadsheet_plan", 86, 1},
    {"status_command", 87, 1},
    {"terminal_text_outputs", 88, 1},
    {"watch_command", 89, 1},
    {"windows_question", 90, 1},
    {"command_table", 91, 1},
    // tests/tools/sim and tests/tools/wireshark
    {"sim_fleet", 98, 2},
    {"sim_process", 102, 2},
    {"dissector", 104, 1},
};
// clang-format on

}  // namespace korva::testing
