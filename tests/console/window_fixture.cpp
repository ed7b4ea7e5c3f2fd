#include "window_fixture.h"

#include <QAbstractButton>
#include <QEventLoop>
#include <QLineEdit>
#include <QTest>
#include <algorithm>

#include "app/settings/console_settings.h"
#include "console/qt/TTILed.h"

void WindowTest::SetUp() {
    ASSERT_TRUE(folder_.isValid());
}

void WindowTest::TearDown() {
    if (window_ != nullptr)
        window_->close();
    Destroy();
}

void WindowTest::Create(const QString& path, std::uint16_t devicePort) {
    console_ = std::make_unique<korva::app::WindowWiring>(korva::app::SettingsFileAt(path.toStdString()), devicePort,
                                                          resolver_);
    window_ = &console_->Window();
}

void WindowTest::Create(std::unique_ptr<korva::console::SettingsStore> settings) {
    console_ = std::make_unique<korva::app::WindowWiring>(std::move(settings));
    window_ = &console_->Window();
}

void WindowTest::Destroy() {
    window_ = nullptr;
    console_.reset();
}

void WindowTest::Open(const std::string& address, std::uint16_t devicePort) {
    Create(SettingsPath(), devicePort);
    Child<QTimer>("TmrRd")->stop();
    SetText("edIP1", QString::fromStdString(address));
    SetText("edIP2", QString::fromStdString(address));
    window_->show();
    ASSERT_TRUE(console_->Console().Open());
}

void WindowTest::SetText(const char* box, const QString& text) const {
    Child<QLineEdit>(box)->setText(text);
}

QString WindowTest::Text(const char* label) const {
    return Child<QLabel>(label)->text();
}

void WindowTest::Click(const char* name) const {
    QWidget* control = Child<QWidget>(name);
    QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, control->rect().center());
}

void WindowTest::ReplyAndWait(FakeDevice& device, std::string_view reply) {
    // Every handled reply ends by writing the time into the clock label.
    const QString marker = QStringLiteral("waiting for a reply");
    Child<QLabel>("lbDaHr")->setText(marker);
    device.Reply(reply);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Text("lbDaHr") != marker; }, 5000)) << "no reply handled";
    // The clock label changes at the frame with everything else; waiting for the frame says so outright.
    WaitForDisplay();
}

void WindowTest::WaitForDisplay() const {
    const QTimer* frame = Child<QTimer>("TmrDisplay");
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !frame->isActive(); }, 5000)) << "the display frame never came";
}

std::vector<std::string> WindowTest::Tick(FakeDevice& device, std::size_t expected) {
    window_->TmrRdTimer();
    std::vector<std::string> requests;
    while (requests.size() < expected) {
        const auto request = device.NextRequest();
        if (!request)
            break;
        requests.push_back(*request);
    }
    // Anything beyond what was expected shows up in the result too.
    while (const auto extra = device.NextRequest(std::chrono::milliseconds(50)))
        requests.push_back(*extra);
    return requests;
}

bool ServeEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        QEventLoop slice;
        QTimer::singleShot(20, &slice, &QEventLoop::quit);
        slice.exec();
    }
    return true;
}
