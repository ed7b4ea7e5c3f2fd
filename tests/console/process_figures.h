#pragma once
// Figures the fault tests report for the record (never asserted on timing): this process's memory
// and the kernel's count of UDP datagrams dropped because a receive buffer was full.
#include <string>

// A "Vm..." line of /proc/self/status in KiB ("VmRSS", "VmHWM"); -1 when missing.
long ProcessMemoryKiB(const std::string& field);

// RcvbufErrors of the Udp line in /proc/net/snmp (all sockets of the machine); -1 when missing.
long UdpReceiveBufferErrors();

// Prints "figure <name>: <value>" on stdout, where the record is collected from.
void ReportFigure(const std::string& name, double value);
