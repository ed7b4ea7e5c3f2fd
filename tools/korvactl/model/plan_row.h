#pragma once
#include <string>

namespace korva::ctl {

// A commissioning plan: one device a row, "address,new_address,mask,gateway[,mac]", as a spreadsheet
// saves it (inputs/csv_records.h: quotes, blank rows, empty columns at the end, the separator of its locale). A
// header may come first, naming the columns in English or Portuguese in any order (address/endereço, new
// address/novo endereço, mask/máscara, gateway, mac; case, accents, blanks and underscores aside); the
// plan's messages then call each column by the header's word. The MAC, when given, is how apply tells
// the row's device from another one answering at either address.
struct PlanRow {
    int line = 0;         // in the file, counted from 1
    std::string address;  // where the device answers now
    std::string newAddress;
    std::string mask;
    std::string gateway;
    std::string mac;  // empty when the row gives none
};

}  // namespace korva::ctl
