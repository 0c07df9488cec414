// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace lumora {

bool LoadChineseQtTexts() {
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        qWarning("lumora: Qt's Chinese texts (qtbase_zh_CN.qm) are not installed");
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

}  // namespace lumora
