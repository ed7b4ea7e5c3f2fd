#include "bench/loopback_window.h"

#include "app/settings/console_settings.h"
#include "tests/support/loopback_address.h"

#include <QFile>
#include <QLineEdit>

#include <stdexcept>

namespace korva::bench {

LoopbackWindow::LoopbackWindow(const std::string& deviceAddress) {
    korva::testing::RequireLoopback(deviceAddress);
    if (!folder_.isValid())
        throw std::runtime_error("cannot create a folder for the settings file");
    const QString settingsPath = folder_.filePath(QStringLiteral("KorvaCfg.ini"));
    QFile settings(settingsPath);
    if (!settings.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write " + settingsPath.toStdString());
    settings.write(("[Geral]\r\nIP=" + deviceAddress + "\r\n").c_str());
    settings.close();

    console_ = std::make_unique<app::WindowWiring>(korva::app::SettingsFileAt(settingsPath.toStdString()));
    console::TfrKorvaCfg01& window = console_->Window();
    // Both boxes a request can go to; checked before the endpoint exists, so before anything is sent.
    for (const char* box : {"edIP1", "edIP2"}) {
        auto* edit = window.findChild<QLineEdit*>(QString::fromLatin1(box));
        if (edit == nullptr)
            throw std::runtime_error(std::string("the window has no ") + box);
        edit->setText(QString::fromStdString(deviceAddress));
    }
    window.show();
    if (!console_->Console().Open())
        throw std::runtime_error("the window's endpoint did not open");
}

void LoopbackWindow::StartPolling() {
    console_->Window().ldAutoClick();
}

}  // namespace korva::bench
