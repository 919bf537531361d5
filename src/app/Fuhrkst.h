#pragma once
// The park cost evaluation: costs of every machine for a period, as a table
// and a bar chart, with the park totals.
#include <QDialog>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSplitter;
class TDataModule1;
class TDBGrid;
class TRadioGroup;

class TFuhrparkKostenFormular : public QDialog {
    Q_OBJECT
public:
    TFuhrparkKostenFormular(TDataModule1* dm, QWidget* parent = nullptr);

    TDataModule1* DM;
    // Handed over by the main window before each opening.
    QString FilterArt;
    QString FilterWert;

    TRadioGroup* RadioGrpSicht;
    QComboBox* ComboBoxJahr;
    QComboBox* CmbBoxMonat;
    QLabel* LblFilter;
    QLabel* LblAuswertungszeitraum;
    QSplitter* SplitterFuhrpark;
    TDBGrid* DBGridFuhrpark;
    QWidget* DBChartFuhrpark;         // the chart goes here
    QLabel* LblKostenName[8];         // captions from the settings
    QLabel* LblKostenWert[8];
    QLabel* LblGesamtKosten;
    QLabel* LblGesamtVerbrauch;
    QProgressBar* ProgBarFuhrparkkosten;
    QPushButton* TBitBtnDrucken;
    QPushButton* TBitBtnVorschau;
    QPushButton* TBitBtnSchliessen;
};
