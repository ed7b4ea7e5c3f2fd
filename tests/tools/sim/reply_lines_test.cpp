#include "tools/sim/reply_lines.h"

#include "protocol/text_fields.h"
#include "protocol/unscramble.h"

#include <gtest/gtest.h>

namespace korva::sim {
namespace {

// What the receiver may see beyond the line itself: empty fields, then at most one filler field.
bool OnlyHarmlessTail(std::string_view tail) {
    const std::size_t commas = tail.find_first_not_of(',');
    return commas == std::string_view::npos || tail.substr(commas) == "Z";
}

TEST(SendableLine, NeverEndsOnAByteTheReceiverWouldTrim) {
    // The old form's shift passes through the trimmed range only for lines over about 170 bytes; a
    // negative key puts every comma of the new form into it.
    const struct {
        ScrambleForm form;
        const char* header;
        bool needsMending;
    } cases[] = {
        {{120, 0, 0}, "120,SND", true},
        {{150, 0x3F, 0x14}, "150,3F,14,SND", false},  // shifts 3 to 22 keep every byte above 32
        {{150, -40, 0x14}, "150,FFFFFFD8,14,SND", true},
        {{150, -59, 0x14}, "150,FFFFFFC5,14,SND", true},
        {{150, -17, 0x14}, "150,FFFFFFEF,14,SND", true},
    };
    for (const auto& c : cases) {
        int mended = 0;
        for (int length = 0; length < 300; ++length) {
            std::string plain = c.header;
            for (int i = 0; i < length; ++i)
                plain += i % 3 == 2 ? ',' : static_cast<char>('0' + i % 10);
            const std::string sent = SendableLine(plain, c.form);
            SCOPED_TRACE(plain);
            ASSERT_GT(static_cast<unsigned char>(sent.back()), 32);
            ASSERT_GT(static_cast<unsigned char>(sent.front()), 32);

            const PlainReply decoded = UnscrambleReply(sent);
            ASSERT_EQ(decoded.formatVersion, c.form.version);
            ASSERT_EQ(decoded.text.substr(0, plain.size()), plain);
            ASSERT_TRUE(OnlyHarmlessTail(std::string_view(decoded.text).substr(plain.size())));
            if (sent.size() != plain.size())
                ++mended;
        }
        EXPECT_EQ(mended > 0, c.needsMending) << c.header;
    }
}

TEST(SendableLine, PlainLinesGoOutAsTheyAre) {
    EXPECT_EQ(SendableLine("0100,SND,0,25", {0, 0, 0}), "0100,SND,0,25");
}

TEST(FormProblem, OnlyFormsTheConsoleCanDecode) {
    const struct {
        ScrambleForm form;
        bool usable;
    } cases[] = {
        {{0, 0, 0}, true},         {{100, 0, 0}, false},  // read as an unscrambled reply
        {{101, 0, 0}, true},       {{129, 0, 0}, true},
        {{130, 0x3F, 0x14}, true}, {{150, 0x3F, 10}, true},  // "150,3F,0A" and its comma: ten bytes
        {{150, 0x3F, 9}, false},                             // the comma after the header would use the key
        {{150, 0x3F, 0}, false},   {{150, -40, 0x10}, true},
        {{150, -40, 0x0F}, false}, {{150, 0x7FFFFFFF, 0x7FFFFFFF}, false},  // the header no longer fits in 20 bytes
        {{1000, 0, 0}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormProblem(c.form).empty(), c.usable)
            << c.form.version << " key " << c.form.key << " n " << c.form.n << ": " << FormProblem(c.form);
    }
}

}  // namespace
}  // namespace korva::sim
