#pragma once
#include "language/catalogue.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace korva::ctl {

// `korvactl decode [--text] [FILE...]`: one datagram a line (hex, or the reply's own text with --text)
// from the files or standard input, one JSON object a line out. Bad lines are reported on err with their
// line number and skipped, in the language of texts; the result is 0 only when every line decoded, 1 also
// when the output cannot be written, 2 for a bad option or a file that cannot be read.
int RunDecode(const std::vector<std::string>& arguments, std::istream& in, std::ostream& out, std::ostream& err,
              const language::Catalogue& texts = language::English());

}  // namespace korva::ctl
