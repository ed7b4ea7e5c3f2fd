// korvactl_reference: writes korvactl's bash completion and the SYNOPSIS and OPTIONS of its man page
// from the command table and the option rows, so that neither can say other than the program does.
// Built for the build machine only; `cmake --build build --target korvactl_reference_files` writes the
// tree's files, and a test holds them against what it writes now.
//
//   korvactl_reference COMPLETION MAN_PAGE [MAN_PAGE_OUT]
//
// The man page is read, its two sections put in, and written back (to MAN_PAGE_OUT when given); the
// rest of the page is prose kept as it is.
#include "tools/korvactl/reference/reference_texts.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

namespace {

bool Write(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary);
    file << text;
    file.close();
    if (!file)
        std::cerr << "korvactl_reference: cannot write " << path << "\n";
    return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
    using korva::ctl::Completion;
    using korva::ctl::Options;
    using korva::ctl::ReplaceSection;
    using korva::ctl::Synopsis;
    if (argc != 3 && argc != 4) {
        std::cerr << "usage: korvactl_reference COMPLETION MAN_PAGE [MAN_PAGE_OUT]\n";
        return 2;
    }
    std::ifstream in(argv[2], std::ios::binary);
    std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in || !ReplaceSection(page, "SYNOPSIS", Synopsis()) || !ReplaceSection(page, "OPTIONS", Options())) {
        std::cerr << "korvactl_reference: " << argv[2] << " has no SYNOPSIS or OPTIONS to write\n";
        return 1;
    }
    return Write(argv[1], Completion()) && Write(argc == 4 ? argv[3] : argv[2], page) ? 0 : 1;
}
