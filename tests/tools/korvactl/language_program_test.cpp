// korvactl in the language the system asks for, as a program against korva-sim: Portuguese help and
// messages under LANG=pt_BR.UTF-8, and standard output byte for byte that of the English run.
#include "tests/support/suite_addresses.h"
#include "tests/tools/korvactl/programs.h"
#include "tests/tools/korvactl/scratch_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <regex>

namespace korva::ctl::testing {
namespace {

const korva::testing::SuiteAddresses addresses{"language_program"};

// korvactl run as from a shell whose locale is lang: LANG set, and LC_ALL and LC_MESSAGES, which would
// come before it, unset. The test's environment is put back after.
Finished KorvactlIn(const char* lang, const std::vector<std::string>& arguments) {
    std::vector<std::pair<const char*, std::optional<std::string>>> saved;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        unsetenv(name);
    }
    setenv("LANG", lang, 1);
    Finished finished = Korvactl(arguments);
    for (const auto& [name, value] : saved) {
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }
    return finished;
}

// The times of the records, which differ from run to run: JSON's and a table's.
std::string TimesMasked(const std::string& out) {
    static const std::regex kTime(R"((\d{4}-\d\d-\d\dT)?\d\d:\d\d:\d\d\.\d{3}Z?)");
    return std::regex_replace(out, kTime, "TIME");
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(Language, TheHelpIsPortugueseWhenTheSystemSaysSo) {
    const Finished usage = KorvactlIn("pt_BR.UTF-8", {"--help"});
    EXPECT_EQ(usage.exitStatus, 0);
    EXPECT_TRUE(usage.out.starts_with("uso: korvactl COMANDO [OPÇÕES] [ENDEREÇO...]\n")) << usage.out;
    EXPECT_TRUE(Contains(usage.out, "\n  -f ARQUIVO          mais dispositivos, um por linha")) << usage.out;
    const Finished status = KorvactlIn("pt_BR.UTF-8", {"status", "--help"});
    EXPECT_TRUE(status.out.starts_with("uso: korvactl status ENDEREÇO...\n  um pedido de dados a cada dispositivo\n"))
        << status.out;
    const Finished mistyped = KorvactlIn("pt_BR.UTF-8", {"stauts"});
    EXPECT_EQ(mistyped.exitStatus, 2);
    EXPECT_TRUE(mistyped.err.starts_with("korvactl: comando desconhecido 'stauts'; você quis dizer status?\n"))
        << mistyped.err;
    // Any other language, or none, is English.
    for (const char* lang : {"en_US.UTF-8", "de_DE.UTF-8", "C"})
        EXPECT_TRUE(KorvactlIn(lang, {"--help"}).out.starts_with("usage: korvactl COMMAND")) << lang;
}

TEST(Language, StandardOutputIsTheSameInEveryLanguageAndStandardErrorSpeaksTheUsers) {
    const std::string device = addresses[1];
    const std::string silent = addresses[2];
    Simulator sim(device);
    ASSERT_TRUE(sim.Ready());
    const ScratchFolder folder("korvactl-language-");
    std::ofstream(folder / "plan.csv") << device << ',' << addresses[3] << ",255.255.255.0," << device << "\n"
                                       << silent << ',' << addresses[4] << ",255.255.255.0," << device << "\n";
    std::ofstream(folder / "capture.hex") << "30 31 30 30 2c 53 4e 44\nzz\n";
    const struct {
        std::vector<std::string> arguments;
        std::vector<std::string> portuguese;  // said on standard error
    } cases[] = {
        {{"params", device, silent, "--timeout", "200ms", "--retries", "0"},
         {"korvactl params: " + silent + ": sem resposta ao pedido de parâmetros (1 envio, 200 ms cada)\n",
          "korvactl params: 1 respondeu, 1 falhou\n"}},
        {{"params", silent, "--timeout", "200ms", "--retries", "0", "--table"},
         {"korvactl params: " + silent + ": sem resposta ao pedido de parâmetros (1 envio, 200 ms cada)\n"}},
        {{"apply", folder / "plan.csv", "--dry-run", "--timeout", "200ms", "--retries", "0", "--csv"},
         {"korvactl apply: 1 dispositivo a alterar:\n  " + device + ": endereço " + device + " -> " + addresses[3] +
              "\n",
          "korvactl apply: " + silent + ": falhou: sem resposta em " + silent + " nem em " + addresses[4] + "\n",
          "korvactl apply: simulação, nada gravado: 1 mudaria, 1 falhou\n"}},
        {{"decode", folder / "capture.hex"},
         {"korvactl decode: " + folder / "capture.hex" + ": linha 2: não é um datagrama em hexadecimal"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.front());
        const Finished english = KorvactlIn("en_US.UTF-8", c.arguments);
        const Finished portuguese = KorvactlIn("pt_BR.UTF-8", c.arguments);
        EXPECT_EQ(portuguese.exitStatus, english.exitStatus);
        EXPECT_FALSE(english.out.empty());
        EXPECT_EQ(TimesMasked(portuguese.out), TimesMasked(english.out));
        for (const std::string& said : c.portuguese)
            EXPECT_TRUE(Contains(portuguese.err, said)) << portuguese.err;
        EXPECT_NE(portuguese.err, english.err);
    }
    EXPECT_EQ(sim.RequestsSeen("wPr"), 0);
}

}  // namespace
}  // namespace korva::ctl::testing
