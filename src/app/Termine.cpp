#include "Termine.h"
#include "Clock.h"
#include "DBGrid.h"
#include "DataMod.h"
#include "RadioGrp.h"
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

TTerminFormular::TTerminFormular(TDataModule1* dm, QWidget* parent) : QDialog(parent), DM(dm)
{
    setObjectName(QStringLiteral("TerminFormular"));
    setWindowTitle(QStringLiteral("Termine"));
    resize(900, 560);
    AktuellesDatum = Today();

    auto* lay = new QVBoxLayout(this);
    auto* head = new QHBoxLayout;
    TLblTerminart = new QLabel(this);
    TLblTerminart->setObjectName(QStringLiteral("TLblTerminart"));
    QFont big = TLblTerminart->font();
    big.setPointSize(big.pointSize() + 3);
    big.setBold(true);
    TLblTerminart->setFont(big);
    TLblAktuellesDatum = new QLabel(AktuellesDatum.toString(QStringLiteral("dd.MM.yyyy")), this);
    TLblAktuellesDatum->setObjectName(QStringLiteral("TLblAktuellesDatum"));
    TLblAktuellesDatum->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    head->addWidget(TLblTerminart, 1);
    head->addWidget(TLblAktuellesDatum);
    lay->addLayout(head);

    TRadioGrpTermine = new TRadioGroup(this);
    TRadioGrpTermine->setObjectName(QStringLiteral("TRadioGrpTermine"));
    TRadioGrpTermine->setTitle(QStringLiteral("Welche fälligen Termine anzeigen"));
    TRadioGrpTermine->SetColumns(5);
    TRadioGrpTermine->SetItems({QStringLiteral("Alle"), QStringLiteral("TÜV"), QStringLiteral("UVV"),
                                QStringLiteral("Kl. Wartung"), QStringLiteral("Gr. Wartung"),
                                QStringLiteral("Betriebsstd."), QStringLiteral("Fr. Termin1"),
                                QStringLiteral("Fr. Termin2"), QStringLiteral("Fr. Termin3")});
    TRadioGrpTermine->SetItemIndex(0);
    lay->addWidget(TRadioGrpTermine);

    DBGridTermine = new TDBGrid(this);
    DBGridTermine->setObjectName(QStringLiteral("DBGridTermine"));
    DBGridTermine->SetOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgTabs | dgRowSelect
                              | dgAlwaysShowSelection);
    DBGridTermine->SetReadOnly(true);
    DBGridTermine->SetDataSource(DM->TDataSrcTermine);
    lay->addWidget(DBGridTermine, 1);

    ProgBarTermine = new QProgressBar(this);
    ProgBarTermine->setObjectName(QStringLiteral("ProgBarTermine"));
    ProgBarTermine->setTextVisible(false);
    ProgBarTermine->hide();
    lay->addWidget(ProgBarTermine);

    auto* bottom = new QHBoxLayout;
    TLblTerminAnzahl = new QLabel(this);
    TLblTerminAnzahl->setObjectName(QStringLiteral("TLblTerminAnzahl"));
    bottom->addWidget(TLblTerminAnzahl, 1);
    auto button = [this](const char* name, const QString& caption, const QString& hint) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(hint);
        b->setAutoDefault(false);
        return b;
    };
    BtnTermineGeheZu = button("BtnTermineGeheZu", QStringLiteral("Zeige Masch."),
                              QStringLiteral("Ruft die Stammdaten der markierten Maschine auf"));
    TBitBtnTermineDrucken =
        button("TBitBtnTermineDrucken", QStringLiteral("D&rucken"), QStringLiteral("Druckt die angezeigten Termine"));
    TBitBtnTermineVorschau =
        button("TBitBtnTermineVorschau", QStringLiteral("&Vorschau"), QStringLiteral("Zeigt die Druckvorschau der Termine"));
    TBitBtnOk = button("TBitBtnOk", QStringLiteral("OK"), QStringLiteral("Schließt das Formular"));
    for (QPushButton* b : {BtnTermineGeheZu, TBitBtnTermineDrucken, TBitBtnTermineVorschau, TBitBtnOk}) bottom->addWidget(b);
    lay->addLayout(bottom);
    connect(TBitBtnOk, &QPushButton::clicked, this, &QDialog::accept);
}
