#pragma once
// The settings dialog over the general and the user's own settings.
#include <QDialog>

class QComboBox;
class QPushButton;
class QTabWidget;
class TDataModule1;
class TDBCheckBox;
class TDBEdit;
class TDBGrid;
class TDBRadioGroup;
class TField;
class TTable;

class TEinstellungenFormular : public QDialog {
    Q_OBJECT
public:
    TEinstellungenFormular(TDataModule1* dm, QWidget* parent = nullptr);

    TDataModule1* DM;

    QTabWidget* PageCtrlEinstellungen;
    QWidget* TabSicherheit;
    QWidget* TabVorgaben;
    QWidget* TabSheetNamenFreifelder;
    QWidget* TabSheetHistorieVorgaben;
    QWidget* TabSheetKosten;
    QWidget* TabSheetDatenbank;
    QWidget* TabDesigner;

    TDBRadioGroup* TDBRadioGrpRechte;
    QPushButton* TBtnPassword;
    QPushButton* TBtnNeuesPasswort;
    TDBCheckBox* DBCheckBoxSchreibschutz;
    TDBCheckBox* DBCheckBoxTermine;
    TDBEdit* TDBEditNameFreitermin[3];
    TDBEdit* TDBEditTuevTerminIntervall;
    TDBEdit* TDBEditKleineWartungTerminIntervall;
    TDBEdit* TDBEditGrosseWartungTerminIntervall;
    TDBEdit* TDBEditUVVTerminIntervall;
    TDBEdit* TDBEditFreierTermin1Intervall;
    TDBEdit* TDBEditFreierTermin2Intervall;
    TDBEdit* TDBEditBSUTerminIntervall;
    TDBEdit* TDBEditBetriebsstundenIntervall;
    TDBEdit* DBEditNameFreifeld[10];
    TDBEdit* DBEditNameHistorieBemerkung[3];
    // Cost types, then the cost journal's three remark columns.
    TDBEdit* DBEditNameKosten[11];
    TDBGrid* DBGridGruppe;
    TDBGrid* DBGridStandort;
    QPushButton* BtnGruppeLoeschen;
    QPushButton* BtnStandortLoeschen;
    QComboBox* ComboBoxDesigner;
    QPushButton* SpeedBtnDesignerMonatsuebersicht;
    QPushButton* TBitBtnSpeichern;
    QPushButton* TBitBtnOk;

    void FormCreate();
    void PageCtrlEinstellungenChange();
    void TBitBtnSpeichernClick();
    void TBtnPasswordClick();
    void TBtnNeuesPasswortClick();
    void BtnGruppeLoeschenClick();
    void BtnStandortLoeschenClick();
    void SpeedBtnDesignerMonatsuebersichtClick();

private:
    TDBEdit* NameBox(QWidget* parent, const QString& name, const QString& field);
    // Shows the password dialog; false when it was cancelled.
    bool PasswortAbfragen(QString& entered);
    bool PasswortRichtig(const QString& entered) const;
    void LookupLoeschen(TTable* table, const QString& question);
    // Interval boxes take whole numbers from 0; anything else is refused as typed.
    void IntervallSetText(TField* field, const QString& text);
    TDBEdit* IntervallBox(const TField* field) const;
};
