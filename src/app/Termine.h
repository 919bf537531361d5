#pragma once
// The due-date overview: every machine with a due date, for all kinds or one.
#include "Report1.h"
#include <QDate>
#include <QDialog>
#include <QStringList>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;
class TDataModule1;
class TDataSet;
class TDBDataSet;
class TDBGrid;
class TRadioGroup;

// --- which machine is due, without widgets

// The views, in the order of their radio items.
enum class TTerminSicht { Alle, Tuev, UVV, WartungKlein, WartungGross, Betriebsstunden, Frei1, Frei2, Frei3 };

// The date fields of a view, in the order they are tested: TÜV, UVV, small
// and large maintenance, the free dates, the operating hours last.
QStringList TerminFelder(TTerminSicht sicht);
// A date is due on the reference day and any day before; an empty one never.
bool DatumFaellig(const QDate& termin, const QDate& stichtag);
// Due from the threshold on; an empty threshold never, empty hours count 0.
bool StundenFaellig(const QVariant& schwelle, const QVariant& stunden);

// Appends to `ziel` one row per machine of `maschinen` (walked from the
// first) that has a due date of the view: the machine's number, group and
// first description, and the due dates of the view; the view's other dates
// stay empty. `schritt` is told each machine. The rows are written in one
// transaction. Errors of the store are passed on; the rows posted so far
// stay, unless the store itself took back the transaction.
void TermineAufbauen(TDataSet& maschinen, TDBDataSet& ziel, TTerminSicht sicht, const QDate& stichtag,
                     const std::function<void()>& schritt = {});

// Heading and count line of a view; `freieNamen` are the user's names of
// the three free dates.
QString TerminUeberschrift(TTerminSicht sicht, const QStringList& freieNamen);
QString TerminAnzahlText(TTerminSicht sicht, const QStringList& freieNamen, int anzahl);

// --- the window

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

    // Event handlers.
    void FormActivate();
    void FormDeactivate();
    void TRadioGrpTermineClick();
    void BtnTermineGeheZuClick();
    void TBitBtnTermineDruckenClick();
    void TBitBtnTermineVorschauClick();

protected:
    bool event(QEvent* e) override;

private:
    void TermineDrucken(TReportMode mode);
    void SpaltenAnwenden();
    // A message of the build itself; the activation after it does not build again.
    void Meldung(const QString& text);
    QStringList m_freieNamen;
    bool m_inMeldung = false;
    bool m_aktivierungAuslassen = false;
};
