#include "process_figures.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

long ProcessMemoryKiB(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0)
            return std::stol(line.substr(field.size() + 1));
    }
    return -1;
}

long UdpReceiveBufferErrors() {
    // Two "Udp:" lines: the column names, then the values.
    std::ifstream snmp("/proc/net/snmp");
    std::string line;
    std::vector<std::string> names;
    while (std::getline(snmp, line)) {
        if (line.rfind("Udp:", 0) != 0)
            continue;
        std::istringstream words(line.substr(4));
        std::vector<std::string> row;
        for (std::string word; words >> word;)
            row.push_back(word);
        if (names.empty()) {
            names = row;
            continue;
        }
        for (std::size_t i = 0; i < names.size() && i < row.size(); ++i) {
            if (names[i] == "RcvbufErrors")
                return std::stol(row[i]);
        }
    }
    return -1;
}

void ReportFigure(const std::string& name, double value) {
    std::cout << "figure " << name << ": " << value << std::endl;
    ::testing::Test::RecordProperty(name, std::to_string(value));
}
