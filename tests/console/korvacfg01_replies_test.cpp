// What the window shows for each reply: the live-data displays of every device version, the
// parameters, the "reinicialização pendente" notice and the two messages about changed parameters.
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>

#include "console/qt/TTILed.h"
#include "console/window_layout.h"
#include "dialog_answerer.h"
#include "protocol/unscramble.h"
#include "window_fixture.h"

namespace {

using korva::console::TTILed;
namespace layout = korva::console::layout;

// What an indicator of the device's states shows: dark, or its good or bad colour of the layout table.
QColor StateColour(bool lit, bool good) {
    if (!lit)
        return ColourOf(layout::kLedOff);
    return ColourOf(good ? layout::kStateColours.on1 : layout::kStateColours.on0);
}
const QColor kYellow(255, 255, 0);
const QString kChangedMessage =
    QStringLiteral("O KORVA teve parâmetros alterados.\rOs mesmos estarão efetivos após a sua reinicialização");

std::string Scrambled(const std::string& plain, int version, int key = 0, int n = 0) {
    return korva::ScrambleReply(plain, {version, key, n});
}

struct Led {
    bool lit;
    int index;
};

TEST_F(WindowTest, StatusRepliesOfEveryVersionReachEveryDisplay) {
    struct Case {
        std::string reply;
        QString battery, temperature, humidity;
        Led presence, resetEc, link1, link2, link3;
        const char* echo;
        bool notice = false;  // the status reply's own changed mark
    };
    const Case cases[] = {
        {"0100,SND,0,25,60,244,1,0,1,123",
         "24,4V",
         "25°C",
         "60%",
         {true, 1},
         {true, 1},
         {true, 1},
         {false, 0},
         {false, 0},
         "0000123"},
        {Scrambled("120,SND,0,-3,45,5,0,1,0,77", 120),
         "0,5V",
         "-3°C",
         "45%",
         {true, 0},
         {true, 0},
         {true, 0},
         {false, 0},
         {false, 0},
         "0000077"},
        {Scrambled("150,3F,14,SND,0,31,90,95,1,0,0,1,0,-42", 150, 0x3F, 0x14),
         "9,5V",
         "31°C",
         "90%",
         {true, 1},
         {true, 1},
         {true, 0},
         {true, 1},
         {true, 0},
         "-0000042"},
        // The last version with one link: its echo and changed mark sit where version 120 has them.
        {Scrambled("149,3F,14,SND,0,18,33,130,1,1,1,58,0,0,ALT", 149, 0x3F, 0x14),
         "13,0V",
         "18°C",
         "33%",
         {true, 1},
         {true, 0},
         {true, 1},
         {false, 0},
         {false, 0},
         "0000058",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        FakeDevice device;
        Open(device);
        Click("btRead");
        device.NextRequest();
        // Lit beforehand, so that a reply without links 2 and 3 has to put them out.
        Child<TTILed>("ldRed2")->SetLedOn(true);
        Child<TTILed>("ldRed3")->SetLedOn(true);
        ReplyAndWait(device, c.reply);

        EXPECT_EQ(Text("stBat"), c.battery);
        EXPECT_EQ(Text("stTmp"), c.temperature);
        EXPECT_EQ(Text("stUmd"), c.humidity);
        const std::pair<const char*, Led> leds[] = {
            {"ldPrs", c.presence}, {"ldRst", c.resetEc}, {"ldRed1", c.link1}, {"ldRed2", c.link2}, {"ldRed3", c.link3}};
        for (const auto& [name, expected] : leds) {
            const TTILed* led = Child<TTILed>(name);
            EXPECT_EQ(led->LedOn(), expected.lit) << name;
            EXPECT_EQ(led->CurrentColor(), StateColour(expected.lit, expected.index == 1)) << name;
        }
        EXPECT_EQ(!Child<QLabel>("lbAlt")->isHidden(), c.notice);
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d$"))
                        .match(Text("lbDaHr"))
                        .hasMatch())
            << Text("lbDaHr").toStdString();

        Click("ldAuto");
        Click("btRst");
        EXPECT_EQ(Tick(device, 2).back(), std::string("rst000005") + c.echo + "\r\n");
        Destroy();
    }
}

TEST_F(WindowTest, ParameterReplyFillsTheParameterDisplay) {
    FakeDevice device;
    Open(device);
    Click("btRd");
    device.NextRequest();
    // Version 130 sends the addresses with hexadecimal octets and the MAC in hexadecimal.
    const std::string plain =
        "130,3F,14,RPR,0,7F.00.00.4A,FF.FF.FF.00,7F.00.00.01,0:1a:ab:1:2:ff,0,0,0,0,0,0,0,1.52,0,0,14,5,3,7,0,16";
    ReplyAndWait(device, Scrambled(plain, 130, 0x3F, 0x14));
    EXPECT_EQ(Text("stMsk1"), QStringLiteral("255.255.255.0"));
    EXPECT_EQ(Text("stGW1"), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(Text("stMac1"), QStringLiteral("00-1A-AB-01-02-FF"));
    EXPECT_EQ(Text("stVrs"), QStringLiteral("1.52 07/03/16 14:05"));
    EXPECT_EQ(Child<QLineEdit>("edIP1")->text(), QString::fromStdString(device.Address()))
        << "the address read, 127.0.0.74, is shown nowhere";
}

TEST_F(WindowTest, ChangedParametersAreAnnouncedOncePerChange) {
    FakeDevice device;
    Open(device);
    DialogAnswerer operatorSays;
    const std::string plain = "0100,RPR,0,127.0.0.75,255.255.255.0,127.0.0.1,0:1:2:3:4:5";
    const std::string flagged = WithGeneralChangedFlag(plain, 0);
    Click("btRd");
    device.NextRequest();

    struct Step {
        std::string reply;
        bool noticeShown;
        std::size_t messagesSoFar;
    };
    const Step steps[] = {{flagged, true, 1}, {flagged, true, 1}, {plain, false, 1}, {flagged, true, 2}};
    for (const Step& step : steps) {
        ReplyAndWait(device, step.reply);
        EXPECT_EQ(!Child<QLabel>("lbAlt")->isHidden(), step.noticeShown);
        ASSERT_EQ(operatorSays.seen().size(), step.messagesSoFar);
    }
    for (const SeenDialog& message : operatorSays.seen()) {
        EXPECT_EQ(message.text, kChangedMessage);
        EXPECT_EQ(message.colour, kYellow);
        EXPECT_EQ(message.kind, 0);
        EXPECT_GT(message.ticks, 100);
        EXPECT_LE(message.ticks, 120);
    }
}

TEST_F(WindowTest, StatusReplyDecidesTheNoticeByItsOwnFlag) {
    struct Case {
        std::string reply;
        std::size_t messages;  // the general flag still announces the change
        bool noticeShown;
    };
    const std::string status = "0100,SND,0,25,60,244,1,0,1,123,0,0,0";
    const std::string ownFlag = "0100,SND,0,25,60,244,1,0,1,123,0,0,ALT";
    const Case cases[] = {{WithGeneralChangedFlag(status, 0), 1, false}, {ownFlag, 0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        FakeDevice device;
        Open(device);
        DialogAnswerer operatorSays;
        Click("btRead");
        device.NextRequest();
        ReplyAndWait(device, c.reply);
        EXPECT_EQ(operatorSays.seen().size(), c.messages);
        EXPECT_EQ(!Child<QLabel>("lbAlt")->isHidden(), c.noticeShown);
        Destroy();
    }
}

TEST_F(WindowTest, WriteReplyOfOlderDevicesConfirmsInGreenOnceForTheWriteSent) {
    struct Case {
        std::string reply;
        std::size_t notices;  // green notices after the write, besides the write's own question
    };
    const Case cases[] = {
        {Scrambled("120,WPR,0", 120), 1},
        {Scrambled("130,3F,14,WPR,0", 130, 0x3F, 0x14), 0},
    };
    const std::string status = "0100,SND,0,25,60,244,1,0,1,123,0,0,ALT";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        FakeDevice device;
        Open(device);
        SetText("edMsk2", QStringLiteral("255.0.0.0"));
        SetText("edGW2", QStringLiteral("127.0.0.254"));  // beside the device's own address
        DialogAnswerer operatorSays;
        Click("btRd");
        device.NextRequest();
        // Shown by an earlier status reply; the write confirmation leaves it alone.
        ReplyAndWait(device, status);
        ASSERT_FALSE(Child<QLabel>("lbAlt")->isHidden());

        // A write reply before any write was sent is nobody's answer: ignored, the status behind it is not.
        device.Reply(c.reply);
        ReplyAndWait(device, status);
        EXPECT_TRUE(operatorSays.seen().empty());

        Click("btWr1");
        ASSERT_EQ(operatorSays.seen().size(), 1u);
        ASSERT_EQ(device.NextRequest().value_or("").substr(0, 3), "wPr");
        ASSERT_EQ(device.NextRequest(), "rPr000 \r\n");
        ReplyAndWait(device, c.reply);
        ASSERT_EQ(operatorSays.seen().size(), 1 + c.notices);
        if (c.notices == 1) {
            const SeenDialog& notice = operatorSays.seen()[1];
            EXPECT_EQ(notice.text, QStringLiteral("parâmetros alterados"));
            EXPECT_EQ(notice.colour, QColor(0, 128, 0));
            EXPECT_EQ(notice.kind, 0);
            EXPECT_GT(notice.ticks, 30);
            EXPECT_LE(notice.ticks, 50);
            EXPECT_FALSE(Child<QLabel>("lbAlt")->isHidden());
        } else {
            EXPECT_TRUE(Child<QLabel>("lbAlt")->isHidden()) << "no general flag in the reply";
        }

        // One write, one answer: a repeated write reply opens nothing more.
        for (int i = 0; i < 3; ++i)
            device.Reply(c.reply);
        ReplyAndWait(device, status);
        EXPECT_EQ(operatorSays.seen().size(), 1 + c.notices);
        Destroy();
    }
}

TEST_F(WindowTest, ResetAcknowledgementCountsOnlyWhileAResetIsPending) {
    FakeDevice device;
    Open(device);
    Click("btRead");
    device.NextRequest();
    ReplyAndWait(device, "0100,SND,0,25,60,244,1,0,1,123");
    ASSERT_EQ(Child<TTILed>("ldRst")->LedIndex(), 1);
    ReplyAndWait(device, "0100,RST,0,ACK");
    EXPECT_EQ(Child<TTILed>("ldRst")->LedIndex(), 1) << "no reset was asked for";
    EXPECT_EQ(Text("stBat"), QStringLiteral("24,4V"));

    Click("ldAuto");
    Click("btRst");
    EXPECT_EQ(Tick(device, 2).back(), "rst0000050000123\r\n");
    ReplyAndWait(device, "0100,RST,0,ACK");
    EXPECT_EQ(Child<TTILed>("ldRst")->LedIndex(), 0);
    EXPECT_TRUE(Child<TTILed>("ldRst")->LedOn());
    EXPECT_EQ(Tick(device, 2).back(), "snd000\r\n") << "the acknowledgement ends the reset";
}

}  // namespace
