#include "tests/fuzz/fuzz_targets.h"
#include "tests/fuzz/require.h"

#include "app/settings/profile_file.h"

#include <sys/mman.h>
#include <unistd.h>

#include <string>

namespace korva::fuzz {

void ReadSettingsFile(const std::uint8_t* data, std::size_t size) {
    // The reader takes a path; an anonymous in-memory file gives it one without touching the disk.
    const int fd = memfd_create("KorvaCfg.ini", 0);
    Require(fd >= 0);
    for (std::size_t written = 0; written < size;) {
        const ssize_t n = write(fd, data + written, size - written);
        Require(n > 0);
        written += static_cast<std::size_t>(n);
    }
    auto file = app::ProfileFile::Load("/proc/self/fd/" + std::to_string(fd));
    close(fd);

    for (const char* key : {"IP", "msk", "GW"})
        file.Value("Geral", key);
    file.SetValue("Geral", "IP", "127.0.0.1");
    file.SetValue("geral", "GW", std::string(reinterpret_cast<const char*>(data), size > 64 ? 64 : size));
    const std::string text = file.Text();
    // What was just written must read back.
    Require(file.Value("GERAL", "ip") == "127.0.0.1");
    (void)text;
}

}  // namespace korva::fuzz
