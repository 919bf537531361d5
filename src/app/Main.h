#pragma once
// The main window: navigator bar, header line, the six tabs, status line
// and main menu.
#include "DataMod.h"
#include "Dbextend.h"
#include <QColor>
#include <QMainWindow>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QMenuBar;
class QPushButton;
class QTabWidget;
class TDataModule1;
class TDBEdit;
class TDBGrid;
class TDBLookupComboBox;
class TDBMemo;
class TPanel;
class TRadioGroup;
class TRepEngine;
class TTable;
class TDBENavigator;

class THauptFormular : public QMainWindow {
    Q_OBJECT
public:
    explicit THauptFormular(TDataModule1* dm, QWidget* parent = nullptr);
    ~THauptFormular() override;

    TDataModule1* DM;
    // The report engine binding, one for the whole run.
    TRepEngine* RepEngine1 = nullptr;

    // Top row and header line.
    TDBENavigator* TDBENavMain;
    TDBExtender* TDBExtenderMain;
    QPushButton* TBitBtnEnde;
    TPanel* PanKopfzeile;
    TDBEdit* DBEditKopfIdentNummer;
    TDBEdit* DBEditKopfBezeichnung1;
    TDBEdit* DBEditKopfGruppe;
    TDBEdit* DBEditKopfStandort;

    QTabWidget* PageCtrlMain;
    QWidget* TabStammDaten;
    QWidget* TabMemo;
    QWidget* TabHistorie;
    QWidget* TabKosten;
    QWidget* TabMonatsAuswertung;
    QWidget* TabMonatsuebersicht;

    // Status line.
    TPanel* TPanelStatus;
    TPanel* TPanelMessage;
    TPanel* TPanelFilter;
    TPanel* TPaGlobalEdit;
    TPanel* TPanMemoLED;

    // Stammdaten.
    TDBEdit* EditIdentNr;
    TDBEdit* EditBezeichnung1;
    TDBEdit* EditBezeichnung2;
    TDBEdit* EditBezeichnung3;
    TDBLookupComboBox* DBLkpCmbBoxGruppe;
    TDBLookupComboBox* DBLkpCmbBoxStandort;
    TDBEdit* EditHersteller;
    TDBEdit* EditBaujahr;
    TDBEdit* EditKWPS;
    TDBEdit* EditFahrgestellNr;
    TDBEdit* EditMotornummer;
    TDBEdit* EditAnschaffung;
    TDBEdit* EditAnschaffungswert;
    TDBEdit* EditFinanzierung;
    TDBEdit* EditBetriebsstunden;
    TDBEdit* EditFreifeld[10];
    QLabel* LblFreifeld[10];
    TDBEdit* EditTuevTermin;
    TDBEdit* EditUVVTermin;
    TDBEdit* EditWartungKleinTermin;
    TDBEdit* EditWartungGrossTermin;
    TDBEdit* EditBetriebsstundenTermin;
    TDBEdit* EditFreierTermin[3];
    QLabel* LabelFreierTermin[3];
    TRadioGroup* RadioGrpDrucken;
    QPushButton* TBitBtnStammdatenDrucken;
    QPushButton* TBitBtnStammdatenPreview;

    // Memo.
    TDBMemo* EditDBMemo;
    QPushButton* BtnMemoSpeichern;

    // Historie.
    TDBGrid* DBGridHistorie;
    QPushButton* BtnHistorieBildNeu;
    QPushButton* BtnHistorieDokumentNeu;
    QPushButton* BtnHistorieDokumentOeffnen;
    QPushButton* BtnHistorieNeu;
    QPushButton* BtnHistorieSpeichern;
    QPushButton* BtnHistorieLoeschen;
    QPushButton* BitBtnHistorieDrucken;
    QPushButton* BitBtnHistorieVorschau;

    // Var. Kosten.
    TDBGrid* TDBGridVarKosten;
    TRadioGroup* RadioGrpKostenSicht;
    QComboBox* CmbBoxKostenJahr;
    QPushButton* TBtnVarKostenNeu;
    QPushButton* TBtnVarKostenSpeichern;
    QPushButton* TBtnVarKostenLoeschen;
    QPushButton* TBitBtnVarKostenDrucken;
    QPushButton* TBitBtnVarKostenVorschau;

    // Monatsauswertung.
    QLabel* LblMonatsauswertungReparatur;
    QLabel* LblMonatsauswertungReifen;
    QLabel* LblMonatsauswertungWartung;
    QLabel* LblMonatsauswertungUntersuchung;
    QLabel* LblMonatsauswertungBenzin;
    QLabel* LblMonatsauswertungSonstige1;
    QLabel* LblMonatsauswertungSonstige2;
    QLabel* LblMonatsauswertungSonstige3;
    QLabel* TLblReparaturKostenMonat;
    QLabel* TLblReifenKostenMonat;
    QLabel* TLblWartungKostenMonat;
    QLabel* TLblUntersuchungKostenMonat;
    QLabel* TLblBenzinKostenMonat;
    QLabel* TLblSonstige1KostenMonat;
    QLabel* TLblSonstige2KostenMonat;
    QLabel* TLblSonstige3KostenMonat;
    QLabel* TLblSummeVarKostenMonat;
    QLabel* TLblSummeGesamtKostenMonat;
    QLabel* TLblSummeVerbrauchLiterMonat;
    QLabel* TLblSummeBetriebsstunden;
    QComboBox* CmbBoxMonatsauswertungMonat;
    QComboBox* CmbBoxMonatsauswertungJahr;
    QPushButton* TBtnMonatsauswertungBerechnen;
    QPushButton* TBtnMonatsauswertungSpeichern;
    QPushButton* TBitBtnMonatsauswertungDrucken;
    QPushButton* TBitBtnMonatsauswertungVorschau;

    // Monatsübersicht.
    TDBGrid* DBGrid1;
    QWidget* PanSummen;
    QLabel* TLblSummeGesamtKosten;
    QLabel* TLblSummeReparaturkosten;
    QLabel* TLblSummeReifenkosten;
    QLabel* TLblSummeWartungskosten;
    QLabel* TLblSummeUntersuchungskosten;
    QLabel* TLblSummeBenzinkosten;
    QLabel* TLblSummeSonstigeKosten1;
    QLabel* TLblSummeSonstigeKosten2;
    QLabel* TLblSummeSonstigeKosten3;
    QLabel* TLblSummeVerbrauch;
    TRadioGroup* RadioGrpSicht;
    QComboBox* ComboBoxJahr;
    QPushButton* TBtnLoeschen;
    QPushButton* TBitBtnMonatsuebersichtDrucken;
    QPushButton* TBitBtnMonatsuebersichtVorschau;

    // Main menu.
    QMenuBar* TMainMenu;
    QMenu* MenuDatei;
    QAction* MenuDatenUebernehmen;
    QAction* MenuInfo;
    QAction* MenuBeenden;
    QMenu* MenuBearbeiten;
    QAction* MenuAusschneiden;
    QAction* MenuKopieren;
    QAction* MenuEinfuegen;
    QAction* MenuSuchen;
    QAction* MenuWeitersuchen;
    QAction* MenuInkrSuchen;
    QAction* MenuLesezeichenSetzen;
    QAction* MenuLesezeichenverwaltung;
    QAction* MenuTabellenansicht;
    QAction* MenuEinzelansicht;
    QMenu* MenuFilter;
    QAction* MenuFilterGruppe;
    QAction* MenuFilterStandort;
    QAction* MenuFilterGruppeStandort;
    QAction* MenuFilterEinAus;
    QAction* MenuTerminverwaltung;
    QMenu* MenuAuswertungen;
    QAction* MenuMaschinenparkKosten;
    QMenu* MenuOptionen;
    QAction* MenuEinstellungen;
    QAction* MenuDatenAufServer;
    QMenu* MenuHilfe;
    QAction* MenuErsteSchritte;

    // Kept for the whole run.
    QString StartDir;
    QString MenuFilterArt;            // "", "Gruppe", "Standort" or "Gruppe+Standort"
    QString AktJahr;                  // today's year and month name, read once
    QString AktMonat;
    TAllowKeys AllowKeys() const;

    // The extender's editing mode.
    bool EditMode() const;
    void SetEditMode(bool on);
    // Shows "Lesen" or "Ändern" and enables the buttons that follow the mode.
    void ShowEditMode();
    void PaintEditMode(bool on);

    // Makes a page active from code: no leaving or entering rules run.
    void SetActivePage(QWidget* page);

    static QColor LesenColor() { return QColor(0x00, 0x80, 0x00); }
    static QColor AendernColor() { return QColor(0xFF, 0x00, 0x00); }
    static QColor Aqua() { return QColor(0x00, 0xFF, 0xFF); }

    // Event handlers.
    void FormCreate();
    void PageCtrlMainChanging(bool& allowChange);
    void PageCtrlMainChange();
    void TBitBtnEndeClick();
    void MenuBeendenClick();
    void MenuInfoClick();
    void MenuDatenUebernehmenClick();
    void MenuBearbeitenClick();
    void MenuAusschneidenClick();
    void MenuKopierenClick();
    void MenuEinfuegenClick();
    void MenuTerminverwaltungClick();
    void MenuMaschinenparkKostenClick();
    void MenuEinstellungenClick();
    void MenuDatenAufServerClick();
    void MenuErsteSchritteClick();
    void MenuFilterGruppeClick();
    void MenuFilterStandortClick();
    void MenuFilterGruppeStandortClick();
    // Filters the machines by the current machine's "Gruppe", "Standort" or both.
    void FilterMachines(const QString& art);
    void MenuEinzelansichtClick();
    // The table a page shows: machines, vouchers or history; none for the evaluations.
    TDataSet* TableOfPage(QWidget* page) const;
    void RadioGrpKostenSichtClick();
    void CmbBoxKostenJahrChange();
    void RadioGrpSichtClick();
    void ComboBoxJahrChange();
    void EditDBMemoChange();
    void FormShow();
    // Handlers of the extender's events.
    void TDBExtenderMainBeforeHandleNBBtn(TDBENavigateBtn& button);
    void TDBExtenderMainAfterHandleNBBtn(TDBENavigateBtn button);
    void TDBExtenderMainShowMessage(QString& msg, TMsgDlgType type, bool& handled);
    void TDBExtenderMainSpecialForm(TFormEventRec& rec);
    void TDBExtenderMainGetTblDescription(const QString& tblName, QString& tblDesc);
    void TDBExtenderMainFilterChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void BuildFrame();
    void BuildMenu();
    QWidget* BuildStammdaten();
    QWidget* BuildMemo();
    QWidget* BuildHistorie();
    QWidget* BuildKosten();
    QWidget* BuildMonatsauswertung();
    QWidget* BuildMonatsuebersicht();
    void PlaceSummen();
    void PageChanged(int index);
    // The focused control if it is a data-bound edit or memo.
    QWidget* DataBoundTextControl() const;

    void BuildExtender();
    // Posts every pending edit or insert through its rules; false when one refuses.
    bool PostPendingEdits();
    bool m_shown = false;
    int m_lastPage = 0;
    bool m_pageByCode = false;

    // --- monthly evaluation and monthly overview
public:
    // The last computed month, kept until the next computation; saving uses it.
    TMonatsErgebnis MonatsErgebnis;
    void MonatsauswertungBerechnen();
    void MonatsuebersichtBerechnen();
    void TBtnMonatsauswertungBerechnenClick();
    void TBtnMonatsauswertungSpeichernClick();
    void CmbBoxMonatsauswertungMonatChange();
    void CmbBoxMonatsauswertungJahrChange();
    void TBitBtnMonatsauswertungDruckenClick();
    void TBitBtnMonatsauswertungVorschauClick();
    void TBtnLoeschenClick();
    void TBitBtnMonatsuebersichtDruckenClick();
    void TBitBtnMonatsuebersichtVorschauClick();
private:
    void ConnectAuswertungHandlers();
    void MonatsuebersichtDrucken(int mode);

    // --- history and memo
public:
    void BtnHistorieNeuClick();
    void BtnHistorieSpeichernClick();
    void BtnHistorieLoeschenClick();
    void BtnHistorieBildNeuClick();
    void BtnHistorieDokumentNeuClick();
    void BtnHistorieDokumentOeffnenClick();
    void BitBtnHistorieDruckenClick();
    void BitBtnHistorieVorschauClick();
    void BtnMemoSpeichernClick();
private:
    void ConnectHistorieHandlers();
    void HistorieLinkNeu(bool bild);
    void HistorieDrucken(int mode);

    // --- machine master data, variable costs and due dates
public:
    void TTblMainBeforePost();
    void TTblMainBeforeDelete();
    // The delete question, with what goes with the machine.
    QString MaschineLoeschenFrage();
    void TBitBtnStammdatenDruckenClick();
    void TBitBtnStammdatenPreviewClick();
    void TTblVarKostenBeforeInsert();
    void TTblVarKostenBeforePost();
    void TTblVarKostenAfterPost();
    void TBtnVarKostenNeuClick();
    void TBtnVarKostenSpeichernClick();
    void TBtnVarKostenLoeschenClick();
    void TBitBtnVarKostenDruckenClick();
    void TBitBtnVarKostenVorschauClick();
    // The due-date popup of the eight due-date edits.
    QMenu* TPopupMenuTermin = nullptr;
    QAction* NchstenTermin1 = nullptr;
    QAction* Abbrechen1 = nullptr;
    // Remembers the edit the menu is opened on (its popup component).
    void TPopupMenuTerminPopup(QWidget* component);
    QWidget* TerminPopupComponent() const { return m_terminComponent; }
    void NchstenTermin1Click();
    // Asks to advance the due date named by a voucher's code.
    void TerminFortschreibungAnbieten(const QString& code);
private:
    void ConnectStammHandlers();
    void ConnectKostenHandlers();
    void ConnectTerminHandlers();
    void FocusKostenSpalte(int column);
    void VarKostenDrucken(int mode);
    void StammdatenDrucken(int mode);
    QWidget* m_terminComponent = nullptr;
    // Ends the transaction a machine's deletion, or its new number going to
    // its records, began; `offen` says whether one is open.
    void MaschinenTransaktionAbschliessen(bool& offen, bool commit);
    bool m_maschineLoeschen = false;
    bool m_maschineUmbenennen = false;
};
