#include "SplashScreenForm.h"

#include "PrjConst.h"
#include "SingleInstance.h"

#include "ZRVVersionInfo.h"

#include <QGuiApplication>
#include <QScreen>

using namespace PrjConst;

TfrmSplashScreen::TfrmSplashScreen(TZRVSingleInstance& aInstance, const QString& aFirstArgument,
                                   const QString& aExeName)
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::SplashScreen),
      ImageBg(new QLabel(this)), LabelLoading(new QLabel(this)), LabelLoadingDescription(new QLabel(this)),
      LabelVersion(new QLabel(this)), Gauge(new QProgressBar(this)) {
    setObjectName(QStringLiteral("frmSplashScreen"));
    setFixedSize(510, 292);
    SetBackgroundColor(this, ZRVColor::White);
    setFont(QFont(QStringLiteral("Verdana"), 8));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());

    ImageBg->setObjectName(QStringLiteral("ImageBg"));
    ImageBg->setScaledContents(true);
    ImageBg->setGeometry(rect());
    LabelLoading->setObjectName(QStringLiteral("LabelLoading"));
    LabelLoading->setText(Tr(c_Loading));
    LabelLoading->setGeometry(8, 150, 494, 20);
    LabelLoadingDescription->setObjectName(QStringLiteral("LabelLoadingDescription"));
    LabelLoadingDescription->setGeometry(8, 175, 494, 20);
    LabelVersion->setObjectName(QStringLiteral("LabelVersion"));
    LabelVersion->setFont(QFont(QStringLiteral("Georgia"), 14, QFont::Bold));
    LabelVersion->setGeometry(8, 240, 494, 30);
    Gauge->setObjectName(QStringLiteral("Gauge"));
    Gauge->setGeometry(8, 208, 193, 17);
    Gauge->setTextVisible(false);

    TZRVVersionInfo version;
    version.SetApp(aExeName);
    LabelVersion->setText(Tr(c_Version).arg(version.FileVersion()));

    if (aInstance.TryFirst(100)) {
        fFirstInstance = true;
    } else if (aFirstArgument.compare(QStringLiteral("ALLOW_MULTIPLE_INSTANCES"), Qt::CaseInsensitive) == 0) {
        fFirstInstance = true;
    } else {
        setWindowTitle(QString());
        // A hung first start must not hold this one: half a second at most.
        aInstance.SendWakeUp(0, 500);
        fFirstInstance = false;
    }
}

void TfrmSplashScreen::ShowStep(const char* aText) {
    LabelLoadingDescription->setText(Tr(aText));
    repaint();
}
