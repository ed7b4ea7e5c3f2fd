#include "console/version_text.h"

#include "console/korva_version.h"
#include "protocol/numbers.h"

namespace korva::console {

std::string VersionText(int major, int minor, int release, int build) {
    return std::to_string(major) + "." + std::to_string(minor) + std::to_string(release) + "-" + ZeroPadded(build, 3);
}

std::string ProgramVersionText() {
    if (!kKorvaHasVersion)
        return {};
    return VersionText(kKorvaVersionMajor, kKorvaVersionMinor, kKorvaVersionRelease, kKorvaVersionBuild);
}

}  // namespace korva::console
