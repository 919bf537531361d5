#include "Hilfe.h"
#include "DBMemo.h"
#include "DataMod.h"
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

THilfeFormular::THilfeFormular(TDataModule1* dm, QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HilfeFormular"));
    setWindowTitle(QStringLiteral("Hilfe-Formular"));
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(640, 480);

    DBMemoHilfe = new TDBMemo(this);
    DBMemoHilfe->setObjectName(QStringLiteral("DBMemoHilfe"));
    DBMemoHilfe->SetDataSource(dm->TDataSrcHilfe);
    DBMemoHilfe->SetDataField(QStringLiteral("Hilfe"));
    DBMemoHilfe->SetReadOnly(true);
    DBMemoHilfe->SetScrollBars(TDBMemo::ssVertical);
    QFont f(QStringLiteral("Arial"), 9);
    DBMemoHilfe->setFont(f);
    QPalette p = DBMemoHilfe->palette();
    p.setColor(QPalette::Text, Qt::black);
    DBMemoHilfe->setPalette(p);

    BtnSchliessen = new QPushButton(QStringLiteral("&Schließen"), this);
    BtnSchliessen->setObjectName(QStringLiteral("BtnSchliessen"));
    BtnSchliessen->setToolTip(QStringLiteral("Formular schließen"));
    connect(BtnSchliessen, &QPushButton::clicked, this, &QWidget::close);

    auto* lay = new QVBoxLayout(this);
    lay->addWidget(DBMemoHilfe, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BtnSchliessen);
    buttons->addStretch(1);
    lay->addLayout(buttons);
}

void THilfeFormular::ShowHelp()
{
    if (!m_placed) {
        m_placed = true;
        if (QScreen* s = QGuiApplication::primaryScreen())
            move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    }
    show();
    raise();
    activateWindow();
}
