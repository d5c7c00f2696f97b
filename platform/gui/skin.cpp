#include "skin.h"

#include <QFile>
#include <QFont>
#include <QWidget>

// The style sheet lives in a static library, so its resource must be registered by hand.
static void registerSkinResource()
{
    Q_INIT_RESOURCE(skin);
}

namespace quorvel::platform {

void applySkin(QWidget* window)
{
    registerSkinResource();
    // The layout names the classic Windows faces; these are their look-alikes here.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans Narrow"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFile sheet(QStringLiteral(":/skin/quorvel.qss"));
    if (window && sheet.open(QIODevice::ReadOnly))
        window->setStyleSheet(QString::fromUtf8(sheet.readAll()));
}

} // namespace quorvel::platform
