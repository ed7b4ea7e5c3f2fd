#pragma once
// What `set` checks before it writes: the console writes whatever is in its boxes, and a device given a
// broken address is out of reach until someone visits it.
#include <string>
#include <vector>

namespace korva::ctl {

struct NewParameters {
    std::string address;
    std::string mask;
    std::string gateway;
};

// Every problem found, each a sentence naming the value; empty when the parameters can be written.
std::vector<std::string> CheckNewParameters(const NewParameters& parameters);

}  // namespace korva::ctl
