#include "tools/korvactl/commands/decode_command.h"
#include "tools/common/terminal_text.h"
#include "tools/korvactl/inputs/command_line.h"
#include "tools/korvactl/inputs/command_options.h"
#include "tools/korvactl/inputs/input_file.h"
#include "tools/korvactl/output/record_writers.h"

#include <iostream>

namespace korva::ctl {

namespace {

struct DecodeOptions {
    bool text = false;
    std::vector<std::string> files;
};

// Decodes every line of one input; returns the number of bad lines.
int DecodeStream(std::istream& in, const std::string& name, const DecodeOptions& options, std::ostream& out,
                 std::ostream& err, const language::Catalogue& texts) {
    int bad = 0;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        ThrowIfFailed(out);  // a full disk ends the decoding instead of letting it run on for nothing
        if (options.text) {
            out << ReplyToJson(line).dump() << '\n';
            continue;
        }
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;  // blank lines separate pasted datagrams; they are not datagrams themselves
        if (const auto bytes = ParseHexLine(line)) {
            out << ReplyToJson(*bytes).dump() << '\n';
        } else {
            err << "korvactl decode: "
                << tools::TerminalText(texts.Text({"ctl.decode.not_hex", {{"file", name}, {"line", number}}})) << "\n";
            ++bad;
        }
    }
    return bad;
}

}  // namespace

int RunDecode(const std::vector<std::string>& arguments, std::istream& in, std::ostream& out, std::ostream& err,
              const language::Catalogue& texts) {
    // decode tells an unknown option in words of its own, so it reads its arguments itself; what its
    // flags set is the table's.
    CommandLine line;
    DecodeOptions options;
    for (const std::string& argument : arguments) {
        if (const CommandOption* option = OptionOf("decode", argument); option && option->setFlag) {
            option->setFlag(line);
        } else if (argument.size() > 1 && argument[0] == '-') {
            err << "korvactl decode: "
                << tools::TerminalText(texts.Text({"ctl.decode.unknown_option", {{"option", argument}}})) << "\n";
            return 2;
        } else
            options.files.push_back(argument);
    }
    options.text = line.text;

    int bad = 0;
    bool unreadable = false;
    try {
        if (options.files.empty())
            bad += DecodeStream(in, "<stdin>", options, out, err, texts);
        for (const std::string& file : options.files) {
            std::string reason;
            if (auto stream = OpenInputFile(file, reason)) {
                bad += DecodeStream(*stream, file, options, out, err, texts);
                reason = ReadError(*stream);
            }
            if (!reason.empty()) {
                err << "korvactl decode: "
                    << tools::TerminalText(texts.Text({"ctl.decode.unreadable", {{"file", file}, {"reason", reason}}}))
                    << "\n";
                unreadable = true;
            }
        }
        FlushOrThrow(out);
    } catch (const OutputError& error) {
        err << "korvactl decode: " << texts.Text({"ctl.output_unwritable", {{"reason", error.what()}}}) << "\n";
        return 1;
    }
    return unreadable ? 2 : bad == 0 ? 0 : 1;
}

}  // namespace korva::ctl
