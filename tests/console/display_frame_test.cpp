// Replies faster than the screen: each one still goes through the reply handler, but the readings are
// painted at most once per display frame, and what stays on screen is the last reply's.
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QTest>

#include <chrono>
#include <map>
#include <string>

#include "hand_over_counter.h"
#include "window_fixture.h"

namespace {

using namespace std::chrono_literals;

// Paint events of the labels it watches.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(std::initializer_list<QLabel*> labels) {
        for (QLabel* label : labels) {
            label->installEventFilter(this);
            paints_[label] = 0;
        }
    }
    ~PaintCounter() override {
        for (const auto& [label, count] : paints_)
            label->removeEventFilter(this);
    }

    std::map<QObject*, int> paints() const { return paints_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints_[watched];
        return false;
    }

private:
    std::map<QObject*, int> paints_;
};

// Reply n has a temperature, humidity and battery voltage of its own, so every reply changes the
// labels that show them.
std::string StatusReply(int n) {
    return "0100,SND,0," + std::to_string(n % 90) + "," + std::to_string(n % 100) + "," + std::to_string(n) +
           ",1,0,1," + std::to_string(n);
}

constexpr int kReplies = 3000;
// Never more replies on their way than the socket holds, so that none is lost (the smallest buffer
// the endpoint can be given, 208 KiB, holds some five hundred of them), yet enough that the flood
// comes faster than frames however slow a loaded machine makes each round of this loop.
constexpr std::size_t kAhead = 256;

TEST_F(WindowTest, AFloodOfRepliesIsPaintedOncePerFrameEndingWithTheLastReply) {
    FakeDevice device;
    Open(device);
    Click("btRead");  // the device learns where the console listens
    ASSERT_TRUE(device.NextRequest());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_));
    WaitForDisplay();
    QLabel* const battery = Child<QLabel>("stBat");
    QLabel* const temperature = Child<QLabel>("stTmp");
    QLabel* const humidity = Child<QLabel>("stUmd");
    QLabel* const clock = Child<QLabel>("lbDaHr");
    HandOverCounter handed(console_->Console());
    PaintCounter painted({battery, temperature, humidity, clock});

    const auto bound = std::chrono::steady_clock::now() + 60s;  // only against a hang
    for (int n = 1; n <= kReplies; ++n) {
        while (static_cast<std::size_t>(n) > handed.count() + kAhead && std::chrono::steady_clock::now() < bound)
            QCoreApplication::processEvents();
        device.Reply(StatusReply(n));
    }
    while (handed.count() < static_cast<std::size_t>(kReplies) && std::chrono::steady_clock::now() < bound)
        QCoreApplication::processEvents();
    WaitForDisplay();
    QTest::qWait(50);  // the last frame's paint

    ASSERT_EQ(handed.count(), static_cast<std::size_t>(kReplies)) << "every reply passes through the handler";
    for (const auto& [label, paints] : painted.paints()) {
        EXPECT_GT(paints, 0) << label->objectName().toStdString() << " was never painted";
        EXPECT_LE(paints * 10, kReplies) << label->objectName().toStdString() << " painted " << paints << " times";
    }
    EXPECT_EQ(temperature->text(), QStringLiteral("30°C"));  // 3000 % 90
    EXPECT_EQ(humidity->text(), QStringLiteral("0%"));
    EXPECT_EQ(battery->text(), QStringLiteral("300,0V"));
}

}  // namespace
