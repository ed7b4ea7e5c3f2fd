// The settings file when the disk is not on the console's side: a folder that cannot take the file at
// close, a write-protected stick, and files that are empty, binary, huge or cut short at start-up.
#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QLineEdit>
#include <QTimer>

#include <functional>
#include <random>

#include "app/settings/console_settings.h"
#include "app/settings/settings_place.h"
#include "console/qt/TfrNrm01.h"
#include "console/console_texts.h"
#include "dialog_answerer.h"
#include "tests/support/suite_addresses.h"
#include "tests/support/unprivileged.h"
#include "window_fixture.h"

namespace {

using korva::console::TfrNrm01;

const korva::testing::SuiteAddresses addresses{"fault_settings"};

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

korva::app::ConsoleSettings Saved(const QString& path) {
    return korva::app::ReadConsoleSettings(path.toStdString());
}

TEST_F(WindowTest, UnwritableSettingsKeepTheWindowOpenUntilTheyCanBeWritten) {
    // The tests may run as root, whom folder permissions do not stop; these stop everyone.
    struct Case {
        const char* what;
        std::string address;
        QString path;
        std::function<void()> block;
        std::function<void()> unblock;
    };
    const QString fileAsFolder = folder_.filePath(QStringLiteral("file"));
    const QString folderAsFile = folder_.filePath(QStringLiteral("KorvaCfg.ini"));
    const Case cases[] = {
        {"the settings folder is a regular file", addresses[1], fileAsFolder + QStringLiteral("/KorvaCfg.ini"),
         [&] { WriteFile(fileAsFolder, "not a folder"); },
         [&] { ASSERT_TRUE(QFile::remove(fileAsFolder) && QDir().mkdir(fileAsFolder)); }},
        {"a folder sits where the settings file goes", addresses[2], folderAsFile,
         [&] {
             ASSERT_TRUE(QDir().mkdir(folderAsFile));
             WriteFile(folderAsFile + QStringLiteral("/kept"), "x");
         },
         [&] { ASSERT_TRUE(QDir(folderAsFile).removeRecursively()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.block();
        FakeDevice device(c.address);
        Create(c.path);
        SetText("edIP1", QString::fromStdString(c.address));
        SetText("edIP2", QString::fromStdString(c.address));
        SetText("edMsk2", QStringLiteral("255.255.255.128"));
        window_->show();
        ASSERT_TRUE(console_->Console().Open());
        DialogAnswerer operatorSays;

        EXPECT_FALSE(window_->close());
        EXPECT_TRUE(window_->isVisible());
        ASSERT_EQ(operatorSays.seen().size(), 1u);
        EXPECT_TRUE(operatorSays.seen()[0].critical);
        EXPECT_EQ(operatorSays.seen()[0].text, QStringLiteral("Unable to write to ") + c.path + u'.');
        // The window goes on as before: timer running, endpoint open.
        EXPECT_TRUE(Child<QTimer>("TmrRd")->isActive());
        Click("btRead");
        EXPECT_EQ(device.NextRequest(), std::string("snd000\r\n"));

        c.unblock();
        EXPECT_TRUE(window_->close());
        EXPECT_FALSE(window_->isVisible());
        EXPECT_EQ(operatorSays.seen().size(), 1u);
        EXPECT_EQ(Saved(c.path).address, c.address);
        EXPECT_EQ(Saved(c.path).mask, "255.255.255.128");
        Destroy();
    }
}

TEST_F(WindowTest, SettingsThatCannotBeSavedTwiceMayBeLeftBehindAfterAQuestion) {
    // A regular file where the folder should be stops root as well as anyone.
    const QString fileAsFolder = folder_.filePath(QStringLiteral("file"));
    WriteFile(fileAsFolder, "not a folder");
    const QString path = fileAsFolder + QStringLiteral("/KorvaCfg.ini");
    Create(path);
    SetText("edIP1", QString::fromStdString(addresses[3]));
    SetText("edIP2", QString::fromStdString(addresses[3]));
    window_->show();
    ASSERT_TRUE(console_->Console().Open());
    {
        DialogAnswerer operatorSays;
        EXPECT_FALSE(window_->close());
        ASSERT_EQ(operatorSays.seen().size(), 1u);
        EXPECT_TRUE(operatorSays.seen()[0].critical) << "the first failure is reported as before";
    }
    const QString question = QStringLiteral(
        "Não foi possível gravar as configurações.\rFechar assim mesmo? O endereço, a máscara e o "
        "gateway digitados serão perdidos.");
    // Return pressed by habit answers NÃO, as the button does.
    for (const QString& answer : {DialogAnswerer::kReturnKey, QStringLiteral("btNao")}) {
        SCOPED_TRACE(answer.toStdString());
        DialogAnswerer operatorSays(answer);
        EXPECT_FALSE(window_->close());
        EXPECT_TRUE(window_->isVisible());
        ASSERT_EQ(operatorSays.seen().size(), 1u);
        EXPECT_EQ(operatorSays.seen()[0].type, QStringLiteral("TfrNrm01"));
        EXPECT_EQ(operatorSays.seen()[0].kind, korva::console::TimedMessage::kCautiousQuestion);
        EXPECT_EQ(operatorSays.seen()[0].text, question);
        EXPECT_TRUE(Child<QTimer>("TmrRd")->isActive()) << "NÃO keeps the window working";
    }
    DialogAnswerer operatorSays(QStringLiteral("btSim"));
    EXPECT_TRUE(window_->close());
    EXPECT_FALSE(window_->isVisible());
    ASSERT_EQ(operatorSays.seen().size(), 1u);
    EXPECT_EQ(operatorSays.seen()[0].text, question);
    EXPECT_FALSE(Child<QTimer>("TmrRd")->isActive());
    QFile blocker(fileAsFolder);
    ASSERT_TRUE(blocker.open(QIODevice::ReadOnly));
    EXPECT_EQ(blocker.readAll(), QByteArray("not a folder")) << "nothing written";
}

TEST_F(WindowTest, AWriteProtectedSettingsFileIsReadAndTheChangeGoesToTheUsersFolderSaidOnce) {
    // The stick a technician carries: a read-only file in a read-only folder, and no file of the user's
    // own yet. A user without privileges sees it so; root would write there.
    const QString stick = folder_.filePath(QStringLiteral("stick"));
    const QString carried = stick + QStringLiteral("/KorvaCfg.ini");
    const QString carriedAddress = QString::fromStdString(addresses[4]);
    const QString typedAddress = QString::fromStdString(addresses[5]);
    const QByteArray carriedBytes = "[Geral]\r\nIP=" + carriedAddress.toLatin1() + "\r\nmsk=255.255.0.0\r\nGW=" +
                                    QByteArray::fromStdString(addresses[6]) + "\r\n";
    ASSERT_TRUE(QDir().mkdir(stick));
    WriteFile(carried, carriedBytes);
    const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    const auto everyoneEnters = QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
    ASSERT_TRUE(QFile::setPermissions(carried, readOnly));
    ASSERT_TRUE(QFile::setPermissions(stick, readOnly | everyoneEnters));
    ASSERT_TRUE(QFile::setPermissions(folder_.path(), QFileDevice::WriteOwner | readOnly | everyoneEnters));
    const QString userFolder = folder_.filePath(QStringLiteral("config/KorvaCfg"));
    const QString userFile = userFolder + QStringLiteral("/KorvaCfg.ini");
    ASSERT_TRUE(QDir().mkpath(userFolder));
    for (const QString& mine : {folder_.filePath(QStringLiteral("config")), userFolder})
        korva::testing::GiveToUnprivilegedUser(mine.toStdString());
    // Each start chooses the files as the technician, and reads and saves as the program does.
    const auto start = [&] {
        std::unique_ptr<korva::console::SettingsStore> settings;
        {
            const korva::testing::AsUnprivilegedUser technician;
            settings = korva::app::SettingsStoreAt(stick.toStdString(), false, userFolder.toStdString());
        }
        Create(std::move(settings));
    };

    start();
    EXPECT_EQ(Child<QLineEdit>("edIP1")->text(), carriedAddress);
    EXPECT_EQ(Child<QLineEdit>("edMsk2")->text(), QStringLiteral("255.255.0.0"));
    SetText("edIP1", typedAddress);
    {
        DialogAnswerer operatorSays;
        EXPECT_TRUE(window_->close());
        ASSERT_EQ(operatorSays.seen().size(), 1u);
        EXPECT_EQ(operatorSays.seen()[0].kind, korva::console::TimedMessage::kInformation);
        EXPECT_EQ(operatorSays.seen()[0].text, QString::fromStdString(korva::console::texts::SettingsSavedElsewhere(
                                                   carried.toStdString(), userFile.toStdString())));
    }
    Destroy();
    EXPECT_EQ(Saved(userFile).address, typedAddress.toStdString());
    EXPECT_EQ(Saved(userFile).mask, "255.255.0.0");
    QFile stickFile(carried);
    ASSERT_TRUE(stickFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(stickFile.readAll(), carriedBytes);

    // The next start reads the user's file, and its close has nothing to say.
    start();
    EXPECT_EQ(Child<QLineEdit>("edIP1")->text(), typedAddress);
    DialogAnswerer operatorSays;
    EXPECT_TRUE(window_->close());
    EXPECT_TRUE(operatorSays.seen().empty());
    ASSERT_TRUE(QFile::setPermissions(stick, readOnly | everyoneEnters | QFileDevice::WriteOwner));
}

QByteArray RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    QByteArray bytes;
    for (std::size_t i = 0; i < size; ++i)
        bytes += static_cast<char>(byte(random));
    return bytes;
}

// About 20 MiB of comment lines, far more than the reader takes in.
QByteArray HugeFiller() {
    const QByteArray line = "; " + QByteArray(1022, 'x') + "\r\n";
    return line.repeated(20 * 1024);
}

TEST_F(WindowTest, DamagedSettingsFilesAreReadAsFarAsTheyGo) {
    const QString ip = QString::fromStdString(addresses[7]);
    const QByteArray whole = "[Geral]\r\nIP=" + ip.toLatin1() + "\r\nmsk=255.255.0.0\r\nGW=10.1.1.1\r\n";
    const qsizetype addressStart = whole.indexOf("IP=") + 3;
    const QString mask = QStringLiteral("255.255.0.0");
    const QString gateway = QStringLiteral("10.1.1.1");
    const QString defaultIp = QStringLiteral("192.168.0.250");
    const QString defaultMask = QStringLiteral("255.255.255.0");
    const QString defaultGateway = QStringLiteral("192.168.0.1");
    QByteArray utf16 = "\xFF\xFE";
    for (char c : whole)
        utf16 += QByteArray(1, c) + '\0';

    struct Case {
        const char* what;
        QByteArray bytes;
        QString ip, mask, gateway;
        bool savedAtClose;  // false: the file was not read whole, so the close refuses to replace it
    };
    const Case cases[] = {
        {"empty", QByteArray(), defaultIp, defaultMask, defaultGateway, true},
        {"binary", RandomBytes(4096, 5), defaultIp, defaultMask, defaultGateway, true},
        {"binary around the settings", RandomBytes(4096, 6) + "\n" + whole + RandomBytes(4096, 7), ip, mask, gateway,
         true},
        {"cut in half", whole.left(whole.size() / 2), ip, defaultMask, defaultGateway, true},
        {"cut inside the address", whole.left(addressStart + 7), ip.left(7), defaultMask, defaultGateway, true},
        {"cut inside the section name", whole.left(4), defaultIp, defaultMask, defaultGateway, true},
        {"UTF-16", utf16, defaultIp, defaultMask, defaultGateway, true},
        {"huge, settings first", whole + HugeFiller(), ip, mask, gateway, false},
        {"huge, settings beyond what is read", HugeFiller() + whole, defaultIp, defaultMask, defaultGateway, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(SettingsPath(), c.bytes);
        Create(SettingsPath());
        EXPECT_EQ(Child<QLineEdit>("edIP1")->text(), c.ip);
        EXPECT_EQ(Child<QLineEdit>("edIP2")->text(), c.ip);
        EXPECT_EQ(Child<QLineEdit>("edMsk2")->text(), c.mask);
        EXPECT_EQ(Child<QLineEdit>("edGW2")->text(), c.gateway);

        SetText("edGW2", QStringLiteral("10.2.2.2"));
        DialogAnswerer operatorSays;
        EXPECT_EQ(window_->close(), c.savedAtClose);
        if (!c.savedAtClose) {
            // Better to ask the operator than to cut away a file that was only partly read.
            EXPECT_EQ(operatorSays.seen().size(), 1u);
            EXPECT_EQ(QFile(SettingsPath()).size(), c.bytes.size());
            ASSERT_TRUE(QFile::remove(SettingsPath()));
            EXPECT_TRUE(window_->close());
        }
        EXPECT_EQ(Saved(SettingsPath()).address, c.ip.toStdString());
        EXPECT_EQ(Saved(SettingsPath()).gateway, "10.2.2.2");
        Destroy();
    }
}

// The address box takes at most 15 characters by typing, but a longer host name written into the file
// by hand must survive a run of the program instead of being cut at start-up and saved cut.
TEST_F(WindowTest, LongHostNameFromTheSettingsFileSurvivesARun) {
    const QString name = QStringLiteral("korva-controller.example");
    WriteFile(SettingsPath(), "[Geral]\r\nIP=" + name.toLatin1() + "\r\n");
    Create(SettingsPath());
    EXPECT_EQ(Child<QLineEdit>("edIP1")->text(), name);
    EXPECT_EQ(Child<QLineEdit>("edIP2")->text(), name);
    EXPECT_TRUE(window_->close());
    EXPECT_EQ(Saved(SettingsPath()).address, name.toStdString());
}

}  // namespace
