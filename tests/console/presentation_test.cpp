// What each control shows after what the rules told the presentation, without any toolkit: the
// indicators' colours and words, the stale look, the readings and the clock, what is enabled and shown;
// and what the operator is asked at a close.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "console/closing_save.h"
#include "console/console_texts.h"
#include "console/message_buttons.h"
#include "console/presentation.h"
#include "protocol/messages.h"
#include "protocol/unscramble.h"
#include "tests/support/local_time.h"

namespace {

using korva::console::Button;
using korva::console::ControlLook;
using korva::console::Presentation;
using korva::console::TimedMessage;
using korva::console::WindowRenderer;
using korva::testing::LocalMoment;
namespace layout = korva::console::layout;

// Records what the window is asked to do, one line per call.
class RecordingWindow : public WindowRenderer {
public:
    std::vector<std::string> calls;
    bool answer = true;  // to every message

    void Show(const layout::Control& row, const ControlLook&) override { calls.push_back(std::string("show ") + row.name); }
    void RequestFrame() override { calls.emplace_back("frame"); }
    void Focus(const layout::Control& box) override { calls.push_back(std::string("focus ") + box.name); }
    void PutText(const layout::Control& box, const std::string& text) override {
        calls.push_back(std::string("put ") + box.name + " " + text);
    }
    void ShowError(const std::string& message) override { calls.push_back("error " + message); }
    bool ShowMessage(const TimedMessage& message) override {
        const char* const first[] = {"", " [OK]", " [SIM]", " [NÃO]"};
        calls.push_back("message " + message.text + first[static_cast<int>(ButtonsOf(message.kind).first)]);
        return answer;
    }
};

// A status reply as the device sends it, scrambled for its version.
korva::StatusReading Status(const std::string& plain, int version, int key = 0, int n = 0) {
    const korva::PlainReply reply = korva::UnscrambleReply(korva::ScrambleReply(plain, {version, key, n}));
    return korva::ReplyReader(reply.text, reply.headerOffset, reply.formatVersion).Status();
}

// One reply of each kind of device: one link (version 100), all links with some down (version 150),
// presence and reset EC in their bad state (version 120).
const korva::StatusReading kOneLink = Status("0100,SND,0,25,60,244,1,0,1,123", 100);
const korva::StatusReading kThreeLinks = Status("150,3F,14,SND,0,31,90,95,1,0,0,1,0,-42", 150, 0x3F, 0x14);
const korva::StatusReading kBadStates = Status("120,SND,0,-3,45,5,0,1,0,77", 120);

// A look in a few words: an indicator's colour index, boxed caption, hatching and words; a text's
// words, grey text, orange background; a control hidden, disabled or busy.
std::string Summary(const layout::Control& row, const ControlLook& look) {
    std::string summary;
    if (row.kind == layout::ControlKind::kLed) {
        summary = look.lit ? "lit:" + std::to_string(look.colourIndex) : "dark";
        summary += look.marked ? " boxed" : "";
        summary += look.stale ? " hatched" : "";
        summary += " | " + look.accessibleDescription;
    } else if (row.kind != layout::ControlKind::kButton && row.kind != layout::ControlKind::kEdit) {
        summary = "'" + look.text + "'";
        summary += look.textColour == layout::kStaleText ? " grey" : "";
        summary += look.background == layout::kNoReplyBackground && row.name != std::string("lbNoReply") ? " orange" : "";
    }
    summary += look.visible ? "" : " hidden";
    summary += look.enabled ? "" : " disabled";
    summary += look.busy ? " busy: " + look.accessibleDescription : "";
    return summary;
}

TEST(Presentation, EachStateAndEventGivesEachControlItsLook) {
    using Step = std::function<void(Presentation&)>;
    const Step oneLink = [](Presentation& p) { p.ShowStatus(kOneLink); };
    const Step silent = [](Presentation& p) { p.ShowNoReply("sem resposta"); };
    struct Case {
        const char* what;
        std::vector<Step> steps;
        std::vector<std::pair<const char*, std::string>> looks;  // row, Summary
    };
    const Case cases[] = {
        {"at start",
         {},
         {{"ldAuto", "dark | aut: desligado"},
          {"ldPrs", "dark | presença: sem leitura"},
          {"stBat", "''"},
          {"stMsk1", "''"},
          {"lbDaHr", "'00/00/00 00:00:00'"},
          {"lbNoReply", "'' hidden"},
          {"lbAlt", "'reinicialização\npendente' hidden"},
          {"btRst", " disabled"},
          {"btRead", ""},
          {"edIP1", ""}}},
        {"a device with one link",
         {oneLink},
         {{"stBat", "'24,4V'"},
          {"stTmp", "'25°C'"},
          {"stUmd", "'60%'"},
          {"ldPrs", "lit:1 boxed | presença: detectada"},
          {"ldRst", "lit:1 boxed | reset EC: inativo"},
          {"ldRed1", "lit:1 boxed | rede 1: ligada"},
          {"ldRed2", "dark | rede 2: sem leitura"},
          {"ldRed3", "dark | rede 3: sem leitura"}}},
        {"three links, two of them down",
         {[](Presentation& p) { p.ShowStatus(kThreeLinks); }},
         {{"stBat", "'9,5V'"},
          {"ldRed1", "lit:0 | rede 1: desligada"},
          {"ldRed2", "lit:1 boxed | rede 2: ligada"},
          {"ldRed3", "lit:0 | rede 3: desligada"}}},
        {"no presence, reset EC active",
         {[](Presentation& p) { p.ShowStatus(kBadStates); }},
         {{"stBat", "'0,5V'"},
          {"stTmp", "'-3°C'"},
          {"ldPrs", "lit:0 | presença: não detectada"},
          {"ldRst", "lit:0 | reset EC: ativo"}}},
        {"the device falls silent",
         {oneLink, silent},
         {{"ldPrs", "lit:1 boxed hatched | presença: detectada (sem resposta)"},
          {"ldRed2", "dark | rede 2: sem leitura"},
          {"stBat", "'24,4V' grey"},
          {"stVrs", "'' grey"},
          {"lbDaHr", "'00/00/00 00:00:00' orange"},
          {"lbNoReply", "'sem resposta'"}}},
        {"silent in automatic mode: aut is no reading",
         {[](Presentation& p) { p.ShowAutomaticMode(true); }, silent},
         {{"ldAuto", "lit:0 boxed | aut: ligado"}}},
        {"and answers again",
         {oneLink, silent, [](Presentation& p) { p.ShowNoReply({}); }},
         {{"ldPrs", "lit:1 boxed | presença: detectada"},
          {"stBat", "'24,4V'"},
          {"lbDaHr", "'00/00/00 00:00:00'"},
          {"lbNoReply", "'' hidden"}}},
        {"the reset acknowledged",
         {oneLink, [](Presentation& p) { p.ShowResetAcknowledged(); }},
         {{"ldRst", "lit:0 | reset EC: ativo"}, {"ldPrs", "lit:1 boxed | presença: detectada"}}},
        {"a status after the acknowledgement",
         {oneLink, [](Presentation& p) { p.ShowResetAcknowledged(); }, oneLink},
         {{"ldRst", "lit:1 boxed | reset EC: inativo"}}},
        {"an acknowledgement with nothing read",
         {[](Presentation& p) { p.ShowResetAcknowledged(); }},
         {{"ldRst", "dark | reset EC: sem leitura"}}},
        {"automatic mode",
         {[](Presentation& p) { p.ShowAutomaticMode(true); }},
         {{"ldAuto", "lit:0 boxed | aut: ligado"},
          {"btRst", ""},
          {"btRead", " disabled"},
          {"btWr1", " disabled"},
          {"edIP1", " disabled"},
          {"edGW2", " disabled"}}},
        {"a name looked up",
         {[](Presentation& p) { p.ShowBusy(Button::kReadParameters, true); }},
         {{"btRd", " busy: procurando o endereço"}, {"btRead", ""}}},
        {"and found",
         {[](Presentation& p) { p.ShowBusy(Button::kWrite, true); },
          [](Presentation& p) { p.ShowBusy(Button::kWrite, false); }},
         {{"btWr1", ""}}},
        {"parameters, in the device's Windows-1252",
         {[](Presentation& p) {
             p.ShowParameters({"10.0.0.7", "255.255.255.0", "10.0.0.1", "00-1A-AB-00-22-3C", "1.52 \xE9t\xE9"});
         }},
         {{"stMsk1", "'255.255.255.0'"},
          {"stGW1", "'10.0.0.1'"},
          {"stMac1", "'00-1A-AB-00-22-3C'"},
          {"stVrs", "'1.52 été'"}}},
        {"live data cleared, parameters kept",
         {oneLink, [](Presentation& p) { p.ShowParameters({"", "255.0.0.0", "", "", ""}); },
          [](Presentation& p) { p.ClearLiveData(); }},
         {{"stBat", "''"}, {"ldPrs", "dark | presença: sem leitura"}, {"stMsk1", "'255.0.0.0'"}}},
        {"parameters cleared",
         {oneLink, [](Presentation& p) { p.ShowParameters({"", "255.0.0.0", "", "", ""}); },
          [](Presentation& p) { p.ClearParameters(); }},
         {{"stMsk1", "''"}, {"stBat", "'24,4V'"}}},
        {"a reply's time",
         {[](Presentation& p) { p.ShowReplyTime(LocalMoment(2016, 3, 7, 14, 5, 9)); }},
         {{"lbDaHr", "'07/03/16 14:05:09'"}}},
        {"the restart pending",
         {[](Presentation& p) { p.ShowRestartPending(true); }},
         {{"lbAlt", "'reinicialização\npendente'"}}},
        {"and no longer",
         {[](Presentation& p) { p.ShowRestartPending(true); }, [](Presentation& p) { p.ShowRestartPending(false); }},
         {{"lbAlt", "'reinicialização\npendente' hidden"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingWindow window;
        Presentation presentation(window);
        for (const Step& step : c.steps)
            step(presentation);
        for (const auto& [name, expected] : c.looks) {
            const layout::Control& row = layout::ControlNamed(name);
            EXPECT_EQ(Summary(row, presentation.LookOf(row)), expected) << name;
        }
    }
}

TEST(Presentation, ALitIndicatorShowsTheColourOfItsIndex) {
    RecordingWindow window;
    Presentation presentation(window);
    presentation.ShowStatus(kThreeLinks);
    presentation.ShowAutomaticMode(true);
    for (const char* name : {"ldAuto", "ldRed1", "ldRed2", "ldPrs"}) {
        const layout::Control& row = layout::ControlNamed(name);
        const ControlLook look = presentation.LookOf(row);
        const korva::console::Rgb lit[] = {row.ledColours->on0, row.ledColours->on1};
        EXPECT_EQ(look.colour, lit[look.colourIndex]) << name;
    }
    presentation.ClearLiveData();
    EXPECT_EQ(presentation.LookOf(layout::ControlNamed("ldPrs")).colour, layout::kLedOff);
}

// Replies reach the screen at the window's next frame; what the operator did, and anything modal, at once.
TEST(Presentation, TheWindowIsAskedToDrawAtTheRightMoment) {
    const std::size_t rows = layout::Controls().size();
    struct Case {
        const char* what;
        std::function<void(Presentation&)> event;
        std::size_t shown;             // rows handed over
        std::vector<std::string> others;  // the window's other calls, in order
    };
    const Case cases[] = {
        {"a status", [](Presentation& p) { p.ShowStatus(kOneLink); }, 0, {"frame"}},
        {"parameters", [](Presentation& p) { p.ShowParameters({}); }, 0, {"frame"}},
        {"a clear", [](Presentation& p) { p.ClearLiveData(); }, rows, {}},
        {"silence", [](Presentation& p) { p.ShowNoReply("sem resposta"); }, rows, {}},
        {"a refused box", [](Presentation& p) { p.FocusNewParameter(korva::ParameterBox::kMask); }, rows,
         {"focus edMsk2"}},
        {"a message", [](Presentation& p) { p.ShowMessage({"parâmetros alterados", {}, 5, TimedMessage::kInformation}); },
         rows, {"message parâmetros alterados [OK]"}},
        {"an error", [](Presentation& p) { p.ShowError("Host desconhecido"); }, rows, {"error Host desconhecido"}},
        {"the device followed", [](Presentation& p) { p.ShowDeviceAddress("10.0.0.9"); }, 0, {"put edIP1 10.0.0.9"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingWindow window;
        Presentation presentation(window);
        c.event(presentation);
        std::vector<std::string> others;
        std::size_t shown = 0;
        for (const std::string& call : window.calls) {
            if (call.starts_with("show "))
                ++shown;
            else
                others.push_back(call);
        }
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(others, c.others);
    }
}

// Settings that fail to save the first failures times, and may be saved somewhere else than read.
class FailingStore : public korva::console::SettingsStore {
public:
    FailingStore(int failures, bool detour) : failures_(failures), detour_(detour) {}
    korva::console::ConsoleSettings Load() override { return {}; }
    void Save(const korva::console::ConsoleSettings&) override {
        if (failures_-- > 0)
            throw std::runtime_error("disco cheio");
    }
    std::optional<korva::console::SettingsDetour> Detour() const override {
        if (!detour_)
            return std::nullopt;
        return korva::console::SettingsDetour{"C:/a.ini", "C:/b.ini"};
    }

private:
    int failures_;
    bool detour_;
};

TEST(ClosingSave, AFailedSaveKeepsTheWindowOnceThenAsksWithNaoFirst) {
    const std::string question = "message " + korva::console::texts::MessageText(korva::console::texts::kCloseWithoutSaving) + " [NÃO]";
    const std::string elsewhere =
        "message " + korva::console::texts::SettingsSavedElsewhere("C:/a.ini", "C:/b.ini") + " [OK]";
    struct Close {
        bool answer;
        bool closes;
        std::vector<std::string> shown;
    };
    struct Case {
        const char* what;
        int failures;
        bool detour;
        bool sessionEnding;
        std::vector<Close> closes;
    };
    const Case cases[] = {
        {"saved", 0, false, false, {{true, true, {}}}},
        {"saved elsewhere", 0, true, false, {{true, true, {elsewhere}}}},
        {"saved elsewhere as the session ends", 0, true, true, {{true, true, {}}}},
        {"the disk freed after the first", 1, false, false, {{true, false, {"error disco cheio"}}, {true, true, {}}}},
        {"never saved",
         9,
         false,
         false,
         {{true, false, {"error disco cheio"}}, {false, false, {question}}, {true, true, {question}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FailingStore store(c.failures, c.detour);
        korva::console::ClosingSave closing;
        for (const Close& close : c.closes) {
            RecordingWindow window;
            window.answer = close.answer;
            Presentation presentation(window);
            EXPECT_EQ(closing.Save(store, {}, presentation, c.sessionEnding), close.closes);
            std::erase_if(window.calls, [](const std::string& call) { return call.starts_with("show "); });
            EXPECT_EQ(window.calls, close.shown);
        }
    }
}

}  // namespace
