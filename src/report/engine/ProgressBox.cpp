#include "ProgressBox.h"
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

TEngProgressBox::TEngProgressBox(QWidget* parent, const QString& title) : QDialog(parent)
{
    setObjectName(QStringLiteral("EngProgressBox"));
    setWindowTitle(title);
    // Nothing else of the program may be used while the pages are made.
    setWindowModality(Qt::ApplicationModal);
    setMinimumWidth(380);
    auto* lay = new QVBoxLayout(this);
    LblText = new QLabel(title, this);
    LblText->setObjectName(QStringLiteral("LblText"));
    LblText->setTextFormat(Qt::PlainText);
    lay->addWidget(LblText);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 100);
    ProgressBar->setAccessibleName(QStringLiteral("Fortschritt"));
    lay->addWidget(ProgressBar);
    auto* row = new QHBoxLayout;
    row->addStretch();
    BtnAbbrechen = new QPushButton(QStringLiteral("Abbrechen"), this);
    BtnAbbrechen->setObjectName(QStringLiteral("BtnAbbrechen"));
    row->addWidget(BtnAbbrechen);
    lay->addLayout(row);
    connect(BtnAbbrechen, &QPushButton::clicked, this, [this] { BtnAbbrechenClick(); });
}

void TEngProgressBox::SetText(const QString& text, int percent)
{
    if (m_cancelled) return;
    LblText->setText(text);
    ProgressBar->setValue(std::clamp(percent, 0, 100));
}

void TEngProgressBox::reject()
{
    BtnAbbrechenClick();
}

void TEngProgressBox::BtnAbbrechenClick()
{
    m_cancelled = true;
    LblText->setText(QStringLiteral("Druck wird abgebrochen..."));
    BtnAbbrechen->setEnabled(false);
}
