#pragma once
// The real main window on the offscreen platform, wired as the program wires it, with its settings file
// in a folder of its own and its polling timer stopped so that each test decides when a tick happens.
#include <gtest/gtest.h>
#include <QColor>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/window_wiring.h"
#include "console/qt/TfrKorvaCfg01.h"
#include "console/console_view.h"
#include "fake_device.h"
#include "reply_texts.h"
#include "tests/support/test_resolvers.h"

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the window with the settings in this test's folder, its rules sending to devicePort,
    // shows it, opens its endpoint and points edIP1 and edIP2 at address before anything can be sent.
    void Open(const std::string& address, std::uint16_t devicePort = korva::kDevicePort);
    // The same towards device, wherever it listens.
    void Open(const FakeDevice& device) { Open(device.Address(), device.Port()); }
    // The window wired as the program wires it, its settings in the file at path; window_ is it.
    void Create(const QString& path, std::uint16_t devicePort = korva::kDevicePort);
    // The same with the settings in a store of the test's choice.
    void Create(std::unique_ptr<korva::console::SettingsStore> settings);
    // Destroys the window without closing it.
    void Destroy();
    QString SettingsPath() const { return folder_.filePath(QStringLiteral("KorvaCfg.ini")); }

    template <typename Control>
    Control* Child(const char* name) const {
        Control* control = window_->findChild<Control*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    void SetText(const char* box, const QString& text) const;
    QString Text(const char* label) const;
    void Click(const char* name) const;  // a button or the "aut" indicator, clicked with the mouse

    // Sends reply from device and returns once the window has handled it (dialogs it opens included)
    // and shows what it changed.
    void ReplyAndWait(FakeDevice& device, std::string_view reply);
    // Returns once what the handled replies show has reached the widgets: the window puts it there at
    // most once per display frame.
    void WaitForDisplay() const;
    // Runs one polling tick and returns the requests it sent to device, in order: the expected number,
    // and any more that arrive soon after.
    std::vector<std::string> Tick(FakeDevice& device, std::size_t expected);

    QTemporaryDir folder_;
    // Names typed in the window are looked up here, never by a name server.
    std::shared_ptr<korva::transport::NameResolver> resolver_ = std::make_shared<FoundNowhere>();
    std::unique_ptr<korva::app::WindowWiring> console_;
    korva::console::TfrKorvaCfg01* window_ = nullptr;
};

// Runs the event loop in slices of 20 ms until done() holds or bound has passed. Neither QTest::qWait
// nor qWaitFor would do when datagrams pour in: they sleep between slices, and each hand-over is posted
// only once the one before it has been handled, so they would handle one datagram per slice.
bool ServeEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds bound);

// A colour of the layout table as the widgets hold it.
inline QColor ColourOf(const korva::console::Rgb& colour) {
    return QColor(colour.red, colour.green, colour.blue);
}
