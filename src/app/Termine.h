#pragma once
// The due-date overview: every machine with a due date, for all kinds or one.
#include <QDate>
#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
class TDataModule1;
class TDBGrid;
class TRadioGroup;

class TTerminFormular : public QDialog {
    Q_OBJECT
public:
    TTerminFormular(TDataModule1* dm, QWidget* parent = nullptr);

    TDataModule1* DM;
    // The day every comparison is made against, taken once at creation.
    QDate AktuellesDatum;

    QLabel* TLblAktuellesDatum;
    QLabel* TLblTerminart;
    QLabel* TLblTerminAnzahl;
    TRadioGroup* TRadioGrpTermine;
    TDBGrid* DBGridTermine;
    QProgressBar* ProgBarTermine;
    QPushButton* BtnTermineGeheZu;
    QPushButton* TBitBtnTermineDrucken;
    QPushButton* TBitBtnTermineVorschau;
    QPushButton* TBitBtnOk;
};
