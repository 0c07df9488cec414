// SPDX-License-Identifier: GPL-3.0-or-later
// The volume and mute of the last run, kept in one small file under the
// user's configuration folder ($XDG_CONFIG_HOME/lumora/volume):
//   volume=45
//   mute=0
// Nothing else is stored. A missing, empty, unreadable or malformed file
// gives the start-up defaults (45, not muted); the file is written only
// after the user changed one of the two.
#pragma once

#include <QString>

namespace lumora {

class MainWindow;

struct VolumeSetting {
    int volume = 45;
    bool muted = false;
    bool operator==(const VolumeSetting&) const = default;
};

QString VolumeSettingPath();

// The setting in `bytes`: every line "volume=N" (0 to 100) or "mute=0|1",
// each at most once; anything else gives the defaults.
VolumeSetting ParseVolumeSetting(const QByteArray& bytes);
QByteArray VolumeSettingText(const VolumeSetting& setting);
VolumeSetting ReadVolumeSetting(const QString& path);
// Replaces the file whole (a crash leaves the old one); creates its folder.
bool WriteVolumeSetting(const QString& path, const VolumeSetting& setting);

// Before the window's start-up sequence: the volume slider at the
// remembered volume (no handler runs; the first play applies it).
VolumeSetting RestoreVolume(MainWindow& window, const QString& path = VolumeSettingPath());
// After it (the engines exist): the remembered mute, then every change of
// volume or mute is written to `path`, shortly after it happens and at the
// latest when the window goes.
void StartVolumeMemory(MainWindow& window, const VolumeSetting& remembered, const QString& path = VolumeSettingPath());

}  // namespace lumora
