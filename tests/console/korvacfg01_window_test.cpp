// The window as the operator first meets it and leaves it: layout, caption, placement, edit boxes,
// focus order, and the settings file read at start and written at close.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QThread>

#include "console/qt/TTILed.h"
#include "console/qt/console_fonts.h"
#include "console/window_layout.h"
#include "dialog_answerer.h"
#include "hand_over_counter.h"
#include "tests/support/suite_addresses.h"
#include "window_fixture.h"

namespace {

using korva::console::TTILed;
namespace layout = korva::console::layout;
namespace texts = korva::console::texts;

const korva::testing::SuiteAddresses addresses{"korvacfg01_window"};

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

TEST_F(WindowTest, ControlsSitWhereTheDesignPutsThem) {
    const QFont desktopFont = QApplication::font();
    Open(addresses[1]);
    // The controls are built in one of the window's faces; afterwards the application's font, which
    // message boxes and tooltips take, is the desktop's again.
    EXPECT_EQ(QApplication::font(), desktopFont) << QApplication::font().toString().toStdString();
    // Built from the layout table every front end shares; the readings are cleared until a reply, and
    // the address boxes show the settings.
    for (const layout::Control& design : layout::Controls()) {
        const QWidget* control = Child<QWidget>(design.name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->geometry(), QRect(design.box.x, design.box.y, design.box.width, design.box.height))
            << design.name;
        EXPECT_EQ(control->font().pixelSize(), design.font.pixels) << design.name;
        EXPECT_EQ(control->font().bold(), design.font.bold) << design.name;
        EXPECT_EQ(QFontInfo(control->font()).fixedPitch(), design.font.face == layout::Face::kMono) << design.name;
        // Hinted widths would follow the desktop's settings and could outgrow the designed boxes.
        EXPECT_EQ(control->font().hintingPreference(), QFont::PreferNoHinting) << design.name;
        EXPECT_EQ(control->isHidden(), !design.shown) << design.name;
        QString text;
        if (auto* label = qobject_cast<const QLabel*>(control))
            text = label->text();
        if (auto* button = qobject_cast<const QPushButton*>(control))
            text = button->text();
        if (design.kind == layout::ControlKind::kReading) {
            EXPECT_EQ(text, QString()) << design.name;
        } else if (design.kind != layout::ControlKind::kEdit) {
            EXPECT_EQ(text, QString::fromStdString(texts::Text(design.caption))) << design.name;
        }
    }
    EXPECT_EQ(Child<QLineEdit>("edIP1")->text(), QString::fromStdString(addresses[1]));
    EXPECT_EQ(Child<QLineEdit>("edIP2")->text(), QString::fromStdString(addresses[1]));
    EXPECT_EQ(Child<QLineEdit>("edMsk2")->text(), QStringLiteral("255.255.255.0"));
    EXPECT_EQ(Child<QLineEdit>("edGW2")->text(), QStringLiteral("192.168.0.1"));
    EXPECT_EQ(Child<QLabel>("lbAlt")->toolTip(), QStringLiteral("Este dispositivo contém parâmetros alterados que "
                                                                "serão válidos somente após sua reinicialização."));
    // The window's default font, though it is set after its controls are built, leaves theirs as designed.
    EXPECT_EQ(window_->font().pixelSize(), layout::kWindowFont.pixels);
    EXPECT_EQ(window_->font().bold(), layout::kWindowFont.bold);
    // Every control names a face this machine has, where one of the stand-ins is installed: a font that
    // asks for an absent face first sends the toolkit searching for it at every size.
    const QStringList installed = QFontDatabase::families();
    for (const char* name : {"btRead", "stBat", "Label1", "edIP1", "stMac1", "stVrs", "lbAlt"}) {
        const QString family = Child<QWidget>(name)->font().family();
        if (installed.contains(QStringLiteral("Liberation Sans")) &&
            installed.contains(QStringLiteral("Liberation Mono"))) {
            EXPECT_TRUE(installed.contains(family, Qt::CaseInsensitive))
                << name << " asks for " << family.toStdString();
        }
        EXPECT_EQ(Child<QWidget>(name)->font().families().size(), 1) << name;
    }
    for (const char* name : {"ldPrs", "ldRed1", "ldRed2", "ldRed3", "ldRst", "ldAuto"}) {
        EXPECT_FALSE(Child<TTILed>(name)->LedOn()) << name;
    }
}

// A caption too long for its box in some language is shortened in that language's catalogue: the boxes
// stay where they were designed.
TEST_F(WindowTest, EveryCaptionFitsItsBoxInEveryLanguage) {
    const korva::language::Catalogue& chosen = texts::Language();
    for (const korva::language::Catalogue& catalogue : korva::language::Catalogues()) {
        texts::UseLanguage(catalogue);
        for (const layout::Control& design : layout::Controls()) {
            if (design.kind == layout::ControlKind::kEdit || design.kind == layout::ControlKind::kReading)
                continue;
            const QFontMetrics metrics(design.font.face == layout::Face::kArial
                                           ? korva::console::ArialBold(design.font.pixels)
                                           : korva::console::MonoBold(design.font.pixels));
            // Buttons and indicators draw a frame inside their box.
            const int room = design.box.width - (design.kind == layout::ControlKind::kLabel ? 0 : 8);
            for (const QString& line : QString::fromStdString(texts::Text(design.caption)).split('\n')) {
                EXPECT_LE(metrics.horizontalAdvance(line), room)
                    << catalogue.Code() << ": " << design.name << " \"" << line.toStdString() << '"';
            }
        }
    }
    texts::UseLanguage(chosen);
}

TEST_F(WindowTest, WindowIsPlacedAndSizedOnceAtStart) {
    Open(addresses[2]);
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("Melk - Configuração Korva - v1.00-001"));
    EXPECT_EQ(window_->size(), QSize(645, 199));
    EXPECT_EQ(window_->minimumSize(), window_->maximumSize());
    const Qt::WindowFlags flags = window_->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    const int screenWidth = QGuiApplication::primaryScreen()->geometry().width();
    EXPECT_EQ(window_->pos(), QPoint(screenWidth < 1114 ? 5 : screenWidth - 1114, 5));
    EXPECT_FALSE(Child<QPushButton>("btRst")->isEnabled());
    EXPECT_TRUE(Child<QTimer>("TmrRd")->interval() == 500);
}

TEST_F(WindowTest, FocusStartsInTheAddressAndTabFollowsTheDesignedOrder) {
    // Loaded from the settings rather than typed in, so that the start-up selection is what is seen.
    const QString saved = QString::fromStdString(addresses[3]);
    WriteFile(SettingsPath(), "[Geral]\nIP=" + saved.toLatin1() + '\n');
    Create(SettingsPath());
    window_->show();
    QApplication::setActiveWindow(window_);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_));
    EXPECT_EQ(QApplication::focusWidget(), Child<QWidget>("edIP1"));
    EXPECT_EQ(Child<QLineEdit>("edIP1")->selectedText(), saved) << "ready to be typed over";
    const char* order[] = {"edIP2", "edMsk2", "edGW2",  "btWr1",
                           "btRd",  "btRead", "ldAuto", "edIP1"};  // btRst is disabled
    for (const char* next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), Child<QWidget>(next)) << next;
    }
}

TEST_F(WindowTest, EditBoxesSelectAllOnFocusAndIgnoreEnterAndEscape) {
    Open(addresses[4]);
    QApplication::setActiveWindow(window_);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_));
    auto* address = Child<QLineEdit>("edIP1");
    auto* mask = Child<QLineEdit>("edMsk2");

    QTest::mouseClick(mask, Qt::LeftButton, Qt::NoModifier, QPoint(5, mask->height() / 2));
    EXPECT_EQ(QApplication::focusWidget(), mask);
    EXPECT_EQ(mask->selectedText(), mask->text()) << "by mouse";
    QTest::mouseClick(mask, Qt::LeftButton, Qt::NoModifier, QPoint(5, mask->height() / 2));
    EXPECT_FALSE(mask->hasSelectedText()) << "a click inside the focused box places the cursor";

    address->setFocus(Qt::MouseFocusReason);
    mask->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(mask->selectedText(), mask->text()) << "by Tab";

    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        QTest::keyClick(mask, key);
        EXPECT_EQ(mask->text(), QStringLiteral("255.255.255.0"));
        EXPECT_EQ(QApplication::focusWidget(), mask);
    }

    address->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(address, QStringLiteral("1234567890123456789"));
    EXPECT_EQ(address->text(), QStringLiteral("123456789012345"));
    mask->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(mask, QStringLiteral("1234567890123456789"));
    EXPECT_EQ(mask->text(), QStringLiteral("1234567890123456789"));
}

TEST_F(WindowTest, SettingsFileFillsTheBoxesWithDefaultsForWhatItLacks) {
    WriteFile(SettingsPath(), "[geral]\r\nip=10.0.0.7\r\n");
    Create(SettingsPath());
    EXPECT_EQ(Child<QLineEdit>("edIP1")->text(), QStringLiteral("10.0.0.7"));
    EXPECT_EQ(Child<QLineEdit>("edIP2")->text(), QStringLiteral("10.0.0.7"));
    EXPECT_EQ(Child<QLineEdit>("edMsk2")->text(), QStringLiteral("255.255.255.0"));
    EXPECT_EQ(Child<QLineEdit>("edGW2")->text(), QStringLiteral("192.168.0.1"));
    Destroy();  // destroyed without closing: the file stays as it was
    EXPECT_EQ(ReadFile(SettingsPath()), QByteArray("[geral]\r\nip=10.0.0.7\r\n"));

    Create(folder_.filePath(QStringLiteral("none.ini")));
    EXPECT_EQ(Child<QLineEdit>("edIP1")->text(), QStringLiteral("192.168.0.250"));
    Destroy();
    EXPECT_FALSE(QFile::exists(folder_.filePath(QStringLiteral("none.ini")))) << "reading creates nothing";
}

TEST_F(WindowTest, ClosingSavesAddressMaskAndGatewayAndKeepsTheRest) {
    WriteFile(SettingsPath(), "; carried over\n[Outro]\nIP=1.2.3.4\n[Geral]\nIP=10.0.0.7\nextra=1\n");
    const QString address = QString::fromStdString(addresses[5]);
    Open(addresses[5]);
    SetText("edIP2", QStringLiteral("10.9.9.9"));
    SetText("edMsk2", QStringLiteral("255.0.0.0"));
    SetText("edGW2", QStringLiteral("máscara?"));
    EXPECT_TRUE(window_->close());
    EXPECT_EQ(ReadFile(SettingsPath()),
              "; carried over\n[Outro]\nIP=1.2.3.4\n[Geral]\nIP=" + address.toLatin1() +
                  "\nextra=1\nmsk=255.0.0.0\nGW=m\xE1scara?\n");
    Create(SettingsPath());
    EXPECT_EQ(Child<QLineEdit>("edGW2")->text(), QStringLiteral("máscara?"));
    EXPECT_EQ(Child<QLineEdit>("edIP2")->text(), address) << "the new address is not kept";
}

TEST_F(WindowTest, FailedSaveKeepsTheWindowOpenUntilTheNextClose) {
    const QString missing = folder_.filePath(QStringLiteral("missing"));
    const QString path = missing + QStringLiteral("/KorvaCfg.ini");
    Create(path);
    Child<QTimer>("TmrRd")->stop();
    SetText("edIP1", QString::fromStdString(addresses[6]));
    window_->show();
    DialogAnswerer operatorSays;

    EXPECT_FALSE(window_->close());
    EXPECT_TRUE(window_->isVisible());
    ASSERT_EQ(operatorSays.seen().size(), 1u);
    EXPECT_EQ(operatorSays.seen()[0].title, QStringLiteral("Configurador TUNO"));
    EXPECT_EQ(operatorSays.seen()[0].text, QStringLiteral("Unable to write to ") + path + u'.');

    ASSERT_TRUE(QDir().mkdir(missing));
    EXPECT_TRUE(window_->close());
    EXPECT_FALSE(window_->isVisible());
    EXPECT_TRUE(ReadFile(path).contains(QByteArray::fromStdString("IP=" + addresses[6])));
}

TEST_F(WindowTest, ClosingWhileTheDeviceKeepsAnsweringNeitherHangsNorLosesTheSettings) {
    FakeDevice device;
    Open(device);
    Click("btRead");
    device.NextRequest();
    for (int reply = 0; reply < 200; ++reply)
        device.Reply("0100,SND,0,25,60,244,1,0,1,123");
    // Let the receiving thread read the first reply and wait for the main thread to handle it.
    QThread::msleep(50);
    EXPECT_TRUE(window_->close());
    EXPECT_TRUE(ReadFile(SettingsPath()).contains("IP=" + QByteArray::fromStdString(device.Address())));
}

TEST_F(WindowTest, AnAcceptedCloseStopsListeningAndARefusedOneDoesNot) {
    FakeDevice device;
    Open(device);
    Click("btRead");
    device.NextRequest();
    const std::string status = "0100,SND,0,25,60,244,1,0,1,123";
    HandOverCounter handed(console_->Console());

    // The settings cannot be written: the first close is refused and the console goes on listening.
    const QString path = SettingsPath();
    ASSERT_TRUE(QFile::remove(path) || !QFile::exists(path));
    ASSERT_TRUE(QDir().mkdir(path));
    {
        DialogAnswerer operatorSays;
        EXPECT_FALSE(window_->close());
    }
    device.Reply(status);
    EXPECT_TRUE(ServeEventsUntil([&] { return handed.count() == 1; }, std::chrono::seconds(5)));

    ASSERT_TRUE(QDir().rmdir(path));
    EXPECT_TRUE(window_->close());
    device.Reply(status);
    ServeEventsUntil([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_EQ(handed.count(), 1u) << "a reply after the close reached the rules";
}

}  // namespace
