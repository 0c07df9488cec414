// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/VolumeMemory.h"

#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>

#include "app/AppState.h"
#include "app/ConfigFile.h"
#include "app/MainWindow.h"
#include "app/UnitManners.h"
#include "resolve/MediaFront.h"

namespace lumora {

namespace {

// A file larger than this is not ours.
constexpr qint64 kLargestFile = 256;

// Writes the setting shortly after a change, and once more when the window
// goes if a change is still waiting.
class VolumeWriter : public QObject {
public:
    VolumeWriter(MainWindow& window, const VolumeSetting& written, const QString& path)
        : QObject(&window), path_(path), written_(written), pending_(written) {
        delay_.setSingleShot(true);
        delay_.setInterval(300);
        connect(&delay_, &QTimer::timeout, this, [this] { Flush(); });
    }
    ~VolumeWriter() override { Flush(); }

    void Changed(const VolumeSetting& setting) {
        pending_ = setting;
        delay_.start();
    }

private:
    void Flush() {
        delay_.stop();
        if (pending_ == written_) return;
        if (WriteVolumeSetting(path_, pending_))
            written_ = pending_;
        else
            qWarning("lumora: cannot write %s", qUtf8Printable(path_));
    }

    QString path_;
    VolumeSetting written_;
    VolumeSetting pending_;
    QTimer delay_;
};

VolumeSetting CurrentSetting(MainWindow& window) {
    const MediaFront* front = window.State().mediaObject.get();
    return {window.Units().volumeSlider->value(), front && front->Muted()};
}

}  // namespace

QString VolumeSettingPath() { return ConfigFilePath(QStringLiteral("volume")); }

VolumeSetting ParseVolumeSetting(const QByteArray& bytes) {
    VolumeSetting setting;
    bool haveVolume = false, haveMute = false;
    for (const QByteArray& raw : bytes.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty()) continue;
        const qsizetype equals = line.indexOf('=');
        if (equals < 0) return {};
        const QByteArray key = line.left(equals).trimmed();
        const QByteArray value = line.mid(equals + 1).trimmed();
        bool ok = false;
        const int number = value.toInt(&ok);
        if (key == "volume" && !haveVolume && ok && number >= 0 && number <= 100) {
            setting.volume = number;
            haveVolume = true;
        } else if (key == "mute" && !haveMute && ok && (number == 0 || number == 1)) {
            setting.muted = number == 1;
            haveMute = true;
        } else {
            return {};
        }
    }
    return setting;
}

QByteArray VolumeSettingText(const VolumeSetting& setting) {
    return "volume=" + QByteArray::number(setting.volume) + "\nmute=" + (setting.muted ? "1" : "0") + "\n";
}

VolumeSetting ReadVolumeSetting(const QString& path) {
    const std::optional<QByteArray> bytes = ReadConfigFile(path, kLargestFile);
    return bytes ? ParseVolumeSetting(*bytes) : VolumeSetting{};
}

bool WriteVolumeSetting(const QString& path, const VolumeSetting& setting) {
    return ReplaceConfigFile(path, VolumeSettingText(setting));
}

VolumeSetting RestoreVolume(MainWindow& window, const QString& path) {
    const VolumeSetting remembered = ReadVolumeSetting(path);
    QSlider* slider = window.Units().volumeSlider;
    const QSignalBlocker quiet(slider);
    slider->setValue(remembered.volume);
    return remembered;
}

void StartVolumeMemory(MainWindow& window, const VolumeSetting& remembered, const QString& path) {
    MediaFront* front = window.State().mediaObject.get();
    if (remembered.muted && front && !front->Muted()) front->ToggleMute();
    ShowMuteState(window);
    auto* writer = new VolumeWriter(window, CurrentSetting(window), path);
    const auto changed = [&window, writer] { writer->Changed(CurrentSetting(window)); };
    const MainWindowUnits& u = window.Units();
    QObject::connect(u.volumeSlider, &QSlider::valueChanged, writer, changed);
    // A click toggles the button's look before its handler toggles the mute:
    // the value is read again once the handler ran.
    QObject::connect(u.muteButton, &QPushButton::toggled, writer, changed);
    QObject::connect(u.muteButton, &QPushButton::clicked, writer, changed);
}

}  // namespace lumora
