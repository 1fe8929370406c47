#include "platform/application_fonts.h"

#include <QDir>
#include <QFontDatabase>

namespace varnelo {

void registerApplicationFonts() {
    const QDir folder(QStringLiteral("/usr/share/wine/fonts"));
    const QStringList files = folder.entryList({QStringLiteral("*.ttf")}, QDir::Files, QDir::Name);
    for (const QString& file : files)
        QFontDatabase::addApplicationFont(folder.filePath(file));
}

} // namespace varnelo
