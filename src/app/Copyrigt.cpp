#include "Copyrigt.h"
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// A wheel loader in outline: drawn, so no image file has to ship.
QPixmap MachinePicture()
{
    QPixmap pm(96, 72);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(QColor(0xF2, 0xB1, 0x00));
    p.drawRect(28, 22, 40, 22);                  // body
    p.drawRect(50, 8, 18, 16);                   // cab
    p.setBrush(QColor(0xBF, 0xE3, 0xF5));
    p.drawRect(54, 11, 11, 10);                  // window
    p.setBrush(QColor(0xF2, 0xB1, 0x00));
    QPainterPath arm;
    arm.moveTo(30, 28);
    arm.lineTo(12, 40);
    arm.lineTo(14, 44);
    arm.lineTo(32, 34);
    p.drawPath(arm);
    QPainterPath bucket;
    bucket.moveTo(2, 40);
    bucket.lineTo(16, 38);
    bucket.lineTo(18, 54);
    bucket.lineTo(4, 54);
    bucket.closeSubpath();
    p.drawPath(bucket);
    p.setBrush(QColor(0x40, 0x40, 0x40));
    p.drawEllipse(QPointF(38, 54), 12, 12);
    p.drawEllipse(QPointF(66, 54), 12, 12);
    p.setBrush(Qt::lightGray);
    p.drawEllipse(QPointF(38, 54), 4, 4);
    p.drawEllipse(QPointF(66, 54), 4, 4);
    return pm;
}
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("Über TARVOS Maschinenpark"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    setPalette(pal);

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("ProgramIcon"));
    picture->setPixmap(MachinePicture());
    auto* product = new QLabel(QStringLiteral("TARVOS Maschinenpark"), this);
    product->setObjectName(QStringLiteral("ProductName"));
    QFont big(QStringLiteral("Serif"), 20, QFont::Bold);
    big.setStyleHint(QFont::Serif);
    product->setFont(big);
    auto* version = new QLabel(QStringLiteral("V.1.50"), this);
    version->setObjectName(QStringLiteral("Version"));
    QFont small = font();
    small.setPointSize(8);
    version->setFont(small);
    version->setAlignment(Qt::AlignBottom);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setToolTip(QStringLiteral("Formular schließen"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(picture);
    top->addSpacing(12);
    top->addWidget(product);
    top->addWidget(version);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(top);
    lay->addWidget(ok, 0, Qt::AlignHCenter);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}
