#pragma once
// The park cost evaluation: costs of every machine for a period, as a table
// and a bar chart, with the park totals.
#include "Report1.h"
#include <QDialog>
#include <array>
#include <functional>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSplitter;
class TDataModule1;
class TDBChart;
class TDBDataSet;
class TDBGrid;
class TRadioGroup;

// --- the period and the sums, without widgets

enum class TZeitraumSicht { Alle, Jahr, Monat };

// The filter on the monthly evaluations for a view: none, a year, a month of a year.
QString ZeitraumFilter(TZeitraumSicht sicht, const QString& jahr, const QString& monat);
// "Auswertungszeitraum: ..." as the given texts say; an empty text is not given.
QString ZeitraumText(const QString& jahr, const QString& monat);

// The sums of a machine in the order of the working table's columns 4 to 13:
// total, repair, tyres, maintenance, inspection, fuel, other 1 to 3, litres.
constexpr int kKostenSpalten = 10;
using TKostenZeile = std::array<double, kKostenSpalten>;

// Park totals: the nine amounts in ten-thousandths, the litres as they add up.
struct TParkSummen {
    std::array<qint64, kKostenSpalten - 1> Kosten{};
    double Liter = 0;
    // Each machine's amounts are taken to the nearest ten-thousandth.
    void Add(const TKostenZeile& zeile);
};

// Evaluates every machine of `maschinen` as it stands (its filter kept, not
// moved): sums its monthly evaluations that pass `zeitraumFilter`, appends
// one row to `ziel` (all in one transaction) and adds it to `summen`.
// `schritt` is told each machine.
// An error (a filter the store cannot apply) is passed on; `summen` then
// holds the machines done so far.
void FuhrparkKostenBerechnen(TDBDataSet& maschinen, const QString& zeitraumFilter, TDBDataSet& ziel, TParkSummen& summen,
                             const std::function<void()>& schritt = {});

// --- the window

class TFuhrparkKostenFormular : public QDialog {
    Q_OBJECT
public:
    TFuhrparkKostenFormular(TDataModule1* dm, QWidget* parent = nullptr);

    TDataModule1* DM;
    // Handed over by the main window before each opening.
    QString FilterArt;
    QString FilterWert;
    // The last evaluation's park totals.
    TParkSummen Summen;

    TRadioGroup* RadioGrpSicht;
    QComboBox* ComboBoxJahr;
    QComboBox* CmbBoxMonat;
    QLabel* LblFilter;
    QLabel* LblAuswertungszeitraum;
    QSplitter* SplitterFuhrpark;
    TDBGrid* DBGridFuhrpark;
    TDBChart* DBChartFuhrpark;
    QLabel* LblKostenName[8];         // captions from the settings
    QLabel* LblKostenWert[8];
    QLabel* LblGesamtKosten;
    QLabel* LblGesamtVerbrauch;
    QProgressBar* ProgBarFuhrparkkosten;
    QPushButton* TBitBtnDrucken;
    QPushButton* TBitBtnVorschau;
    QPushButton* TBitBtnSchliessen;

    // Runs the evaluation for the view, year and month chosen.
    void Berechnen();

    // Event handlers.
    void FormActivate();
    void RadioGrpSichtClick();
    void ComboBoxJahrChange();
    void CmbBoxMonatChange();
    void DBGridFuhrparkColEnter();
    void TBitBtnDruckenClick();
    void TBitBtnVorschauClick();

protected:
    bool event(QEvent* e) override;

private:
    void Drucken(TReportMode mode);
    void SummenAnzeigen();
    bool m_geoeffnet = false;
};
