#pragma once
#include <string>
#include <string_view>

namespace korva::app {

// Replaces the file at path with bytes so that a crash at any moment leaves either the old file or
// the new one: a temporary file in the same folder is written, flushed to disk and renamed over the
// target. A symbolic link at path is followed and its target replaced; the target's permissions are
// kept. Throws std::runtime_error("Unable to write to " + path) on any failure and leaves no
// temporary file behind. A successful write also removes the temporary files that writers killed in
// the middle of a write left beside the target.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace korva::app
