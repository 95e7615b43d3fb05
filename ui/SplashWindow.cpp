#include "ui/SplashWindow.h"

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadialGradient>

#include "ui/UiTexts.h"
#include "ui/Widgets.h"

namespace qor::ui {

namespace {
QColor toQ(const Rgb& c) {
    return QColor(c.r, c.g, c.b);
}
}  // namespace

SplashWindow::SplashWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("OKBottomDlg_openingsscherm"));
    setWindowTitle(QString::fromUtf8(texts::kProductName));
    setFixedSize(617, 367);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(pal);

    auto* pictureLabel = new QLabel(this);
    pictureLabel->setObjectName(QStringLiteral("Image_openingsscherm"));
    pictureLabel->setGeometry(0, 0, 587, 270);
    pictureLabel->setPixmap(picture(pictureLabel->size()));

    auto* strip = new QFrame(this);
    strip->setObjectName(QStringLiteral("Panel_orange_strip"));
    strip->setGeometry(617 - 30, 0, 30, 367);
    strip->setAutoFillBackground(true);
    QPalette sp = strip->palette();
    sp.setColor(QPalette::Window, QColor(255, 148, 40));
    strip->setPalette(sp);

    auto* name = new QLabel(QString::fromUtf8(texts::kProductName), this);
    name->setObjectName(QStringLiteral("Label_product"));
    QFont nf(QStringLiteral("Arial"));
    nf.setPixelSize(22);
    nf.setBold(true);
    name->setFont(nf);
    name->setGeometry(16, 276, 250, 28);

    QFont vf(QStringLiteral("Arial"));
    vf.setPixelSize(16);
    vf.setBold(true);
    auto* versionCaption = new QLabel(QString::fromUtf8(texts::kVersionCaption), this);
    versionCaption->setObjectName(QStringLiteral("Label_version_caption"));
    versionCaption->setFont(vf);
    versionCaption->setGeometry(16, 308, 80, 22);
    versionLabel_ = new QLabel(this);
    versionLabel_->setObjectName(QStringLiteral("Label_versie"));
    versionLabel_->setFont(vf);
    versionLabel_->setGeometry(96, 308, 80, 22);

    creditLabel_ = new ClickLabel(QString::fromUtf8(texts::kSplashCredit), this);
    creditLabel_->setObjectName(QStringLiteral("Label_Velmarin_logo"));
    creditLabel_->setGeometry(300, 342, 280, 18);
    creditLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(creditLabel_, &ClickLabel::clicked, this, &SplashWindow::creditClicked);

    okButton_ = new QPushButton(QString::fromUtf8(texts::kOk), this);
    okButton_->setObjectName(QStringLiteral("OKBtn"));
    okButton_->setGeometry(492, 300, 80, 28);
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);

    closeTimer_.setSingleShot(true);
    closeTimer_.setInterval(kCloseAfterMs);
    connect(&closeTimer_, &QTimer::timeout, this, &QDialog::reject);
    connect(this, &QDialog::finished, &closeTimer_, &QTimer::stop);

    render(SplashView{});
}

void SplashWindow::render(const SplashView& view) {
    versionLabel_->setText(QString::fromStdString(view.version));
    setTextColor(creditLabel_, toQ(view.creditColor));
}

QPixmap SplashWindow::picture(const QSize& size) {
    QPixmap pm(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const double w = size.width(), h = size.height();
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(20, 30, 60));
    sky.setColorAt(1, QColor(70, 80, 100));
    p.fillRect(pm.rect(), sky);

    // A throttle body seen from the front: bore, shaft and a partly open valve plate.
    const QPointF c(w * 0.30, h * 0.52);
    const double r = h * 0.36;
    QRadialGradient metal(c, r * 1.25);
    metal.setColorAt(0, QColor(210, 210, 215));
    metal.setColorAt(1, QColor(110, 110, 120));
    p.setBrush(metal);
    p.setPen(QPen(QColor(40, 40, 45), 3));
    p.drawEllipse(c, r * 1.18, r * 1.18);
    p.setBrush(QColor(15, 15, 20));
    p.drawEllipse(c, r, r);
    p.save();
    p.translate(c);
    p.rotate(-30);
    p.setBrush(QColor(180, 180, 190));
    p.setPen(QPen(QColor(90, 90, 95), 2));
    p.drawEllipse(QPointF(0, 0), r * 0.98, r * 0.32);
    p.setPen(QPen(QColor(255, 148, 40), 5));
    p.drawLine(QPointF(-r * 1.3, 0), QPointF(r * 1.3, 0));
    p.restore();

    // A response curve on the right: throttle opening over pedal position.
    QPainterPath trace;
    trace.moveTo(w * 0.55, h * 0.85);
    for (int i = 0; i <= 40; ++i) {
        const double x = w * 0.55 + i * (w * 0.40 / 40);
        const double y = h * 0.85 - (h * 0.40) * (i / 40.0) * (i / 40.0);
        trace.lineTo(x, y);
    }
    p.setPen(QPen(QColor(0, 255, 0), 3));
    p.setBrush(Qt::NoBrush);
    p.drawPath(trace);
    p.setPen(QPen(QColor(200, 200, 210), 1));
    p.drawLine(QPointF(w * 0.55, h * 0.85), QPointF(w * 0.96, h * 0.85));
    p.drawLine(QPointF(w * 0.55, h * 0.85), QPointF(w * 0.55, h * 0.42));

    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(20);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(w * 0.55, h * 0.05, w * 0.44, 28), Qt::AlignLeft,
               QStringLiteral("Electronic Throttle Control"));
    return pm;
}

}  // namespace qor::ui
